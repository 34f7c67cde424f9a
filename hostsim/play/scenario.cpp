#include "play/scenario.h"

#include "resource/resource_script.h"
#include "store/json_input.h"
#include "store/score_file.h"
#include "store/score_layout.h"

#include <algorithm>

using nlohmann::json;

// The host's selection region record: 16 bytes, five signed 16-bit fields the plug-in reads.
constexpr size_t regionSize = 16;
constexpr size_t regionStaffListOffset = 0;
constexpr size_t regionFirstSlotOffset = 2;
constexpr size_t regionFirstMeasureOffset = 4;
constexpr size_t regionLastSlotOffset = 12;
constexpr size_t regionLastMeasureOffset = 14;

// The directory part of `path`, with its final slash; "" for a bare file name.
static std::string directoryOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A path given in the scenario: relative ones are read from the scenario's directory.
static std::string besideScenario(const std::string& directory, const std::string& path) {
    return !path.empty() && path[0] == '/' ? path : directory + path;
}

// The class name of the dialog control called `name`, or "" when the dialog has none.
static std::string controlClass(const std::string& name) {
    const DialogTemplate& dialog = mainDialogTemplate();
    std::vector<std::string> names = controlNames(dialog);
    for (size_t i = 0; i < names.size() && i < dialog.controls.size(); ++i)
        if (names[i] == name)
            return dialog.controls[i].className;
    return "";
}

// The names of the dialog's controls of class `wanted`, in template order, comma-separated.
static std::string controlsOfClass(const std::string& wanted) {
    const DialogTemplate& dialog = mainDialogTemplate();
    std::vector<std::string> names = controlNames(dialog);
    std::string list;
    for (size_t i = 0; i < names.size() && i < dialog.controls.size(); ++i)
        if (dialog.controls[i].className == wanted)
            list += (list.empty() ? "" : ", ") + names[i];
    return list;
}

// Reads the name of a control of class `wanted` for the action `action` into `name`; a name the
// dialog does not have, or of a control of another class, is refused with the names it takes.
static bool readControl(JsonInput& in, const json& value, const std::string& place,
                        const char* action, const char* wanted, const char* what,
                        std::string& name) {
    std::string takes = std::string("; ") + action + " takes " + controlsOfClass(wanted);
    if (!value.is_string())
        return failAt(in, place, "expected the name of a dialog control" + takes);
    name = value.get<std::string>();
    std::string found = controlClass(name);
    if (found.empty())
        return failAt(in, place, "the dialog has no control named \"" + name + "\"" + takes);
    if (found != wanted)
        return failAt(in, place, "\"" + name + "\" is not " + what + takes);
    return true;
}

static bool readAction(JsonInput& in, const json& value, const std::string& place,
                       ScenarioAction& action) {
    if (!requireObject(in, value, place))
        return false;
    if (value.size() != 1)
        return failAt(in, place,
                      "expected an object with exactly one of select, click, type, choose, spin");
    if (!checkFields(in, value, place, {"select", "click", "type", "choose", "spin"}))
        return false;
    const std::string key = value.begin().key();
    const json& argument = value.begin().value();
    const std::string at = memberPlace(place, key);
    if (key == "select") {
        action.kind = ActionKind::select;
        if (!requireArray(in, argument, at))
            return false;
        for (size_t i = 0; i < argument.size(); ++i) {
            int64_t position = 0;
            if (!readWhole(in, argument[i], elementPlace(at, i), 0, 65535, position))
                return false;
            action.positions.push_back(static_cast<int>(position));
        }
        return true;
    }
    if (key == "click") {
        action.kind = ActionKind::click;
        return readControl(in, argument, at, "click", "Button",
                           "a button, check box, radio button or group box", action.control);
    }
    if (key == "choose") {
        action.kind = ActionKind::choose;
        int64_t entry = 0;
        if (!readWhole(in, argument, at, 1, 65535, entry))
            return false;
        action.entry = static_cast<int>(entry);
        return true;
    }
    // "type" and "spin" take [control, word]
    if (!argument.is_array() || argument.size() != 2 || !argument[1].is_string())
        return failAt(in, at,
                      key == "type" ? "expected [\"CONTROL\", \"text\"]"
                                    : "expected [\"CONTROL\", \"up\" or \"down\"]");
    const std::string word = argument[1].get<std::string>();
    if (key == "type") {
        action.kind = ActionKind::type;
        action.text = word;
        return readControl(in, argument[0], elementPlace(at, 0), "type", "Edit", "an edit field",
                           action.control);
    }
    action.kind = ActionKind::spin;
    if (word != "up" && word != "down")
        return failAt(in, elementPlace(at, 1), "expected \"up\" or \"down\"");
    action.up = word == "up";
    return readControl(in, argument[0], elementPlace(at, 0), "spin", "msctls_updown32",
                       "an up-down control", action.control);
}

static bool readRegion(JsonInput& in, const json& value, const std::string& place,
                       ScenarioRegion& region) {
    if (!requireObject(in, value, place) ||
        !checkFields(in, value, place,
                     {"staffList", "firstSlot", "lastSlot", "firstMeasure", "lastMeasure"}))
        return false;
    struct {
        const char* key;
        int16_t* field;
    } fields[] = {{"staffList", &region.staffList},
                  {"firstSlot", &region.firstSlot},
                  {"lastSlot", &region.lastSlot},
                  {"firstMeasure", &region.firstMeasure},
                  {"lastMeasure", &region.lastMeasure}};
    for (const auto& f : fields) {
        const json* item = findField(value, f.key);
        if (item == nullptr)
            return failAt(in, memberPlace(place, f.key), "missing");
        int64_t number = 0;
        // 0xFFDC and -36 name the same staff list
        if (!readWhole(in, *item, memberPlace(place, f.key), INT16_MIN, UINT16_MAX, number))
            return false;
        *f.field = static_cast<int16_t>(static_cast<uint16_t>(number));
    }
    return true;
}

static bool readRun(JsonInput& in, const json& value, const std::string& place, ScenarioRun& run) {
    if (!requireObject(in, value, place) ||
        !checkFields(in, value, place, {"region", "actions", "answers", "description"}))
        return false;
    const json* region = findField(value, "region");
    if (region != nullptr && !region->is_null()) {
        run.hasRegion = true;
        if (!readRegion(in, *region, memberPlace(place, "region"), run.region))
            return false;
    }
    if (const json* actions = findField(value, "actions")) {
        std::string at = memberPlace(place, "actions");
        if (!requireArray(in, *actions, at))
            return false;
        run.actions.resize(actions->size());
        for (size_t i = 0; i < actions->size(); ++i)
            if (!readAction(in, (*actions)[i], elementPlace(at, i), run.actions[i]))
                return false;
    }
    if (const json* answers = findField(value, "answers")) {
        std::string at = memberPlace(place, "answers");
        if (!requireArray(in, *answers, at))
            return false;
        for (size_t i = 0; i < answers->size(); ++i) {
            const json& answer = (*answers)[i];
            if (answer != "yes" && answer != "no")
                return failAt(in, elementPlace(at, i), "expected \"yes\" or \"no\"");
            run.answers.push_back(answer.get<std::string>());
        }
    }
    return true;
}

static bool readSettings(JsonInput& in, const json& value, const std::string& place,
                         Scenario& scenario) {
    if (value.is_null())
        return true;
    if (!requireObject(in, value, place) || !checkFields(in, value, place, {"hex", "type"}))
        return false;
    const json* hex = findField(value, "hex");
    if (hex == nullptr)
        return failAt(in, memberPlace(place, "hex"), "missing");
    if (!readHex(in, *hex, memberPlace(place, "hex"), scenario.settings))
        return false;
    if (const json* type = findField(value, "type")) {
        int64_t number = 0;
        if (!readWhole(in, *type, memberPlace(place, "type"), 0, UINT32_MAX, number))
            return false;
        scenario.settingsType = static_cast<uint32_t>(number);
    }
    scenario.hasSettings = true;
    return true;
}

// Reads field `name` of the host object: absent or `kind` leaves `other` false; `otherWord`
// sets it.
static bool readHostChoice(JsonInput& in, const json& host, const char* name, const char* kind,
                           const char* otherWord, bool& other) {
    const json* value = findField(host, name);
    if (value == nullptr)
        return true;
    std::string place = memberPlace("/host", name);
    if (!value->is_string() || (*value != kind && *value != otherWord))
        return failAt(in, place, std::string("expected \"") + kind + "\" or \"" + otherWord + "\"");
    other = *value == otherWord;
    return true;
}

static bool readHost(JsonInput& in, const json& value, HostBehaviour& host) {
    if (!requireObject(in, value, "/host") ||
        !checkFields(in, value, "/host", {"loads", "saves", "registry", "allocations", "dialog"}))
        return false;
    return readHostChoice(in, value, "loads", "exact", "next", host.nextLoads) &&
           readHostChoice(in, value, "saves", "store", "fail", host.failingSaves) &&
           readHostChoice(in, value, "registry", "work", "fail", host.failingRegistry) &&
           readHostChoice(in, value, "allocations", "work", "fail", host.failingAllocations) &&
           readHostChoice(in, value, "dialog", "run", "fail", host.failingDialog);
}

static bool readScenario(JsonInput& in, const json& value, const std::string& directory,
                         Scenario& scenario) {
    if (!requireObject(in, value, "") ||
        !checkFields(in, value, "", {"score", "settings", "host", "runs", "description"}))
        return false;
    if (const json* host = findField(value, "host"))
        if (!readHost(in, *host, scenario.host))
            return false;
    if (const json* score = findField(value, "score")) {
        bool read = score->is_string()
                        ? readScoreFile(besideScenario(directory, score->get<std::string>()),
                                        scenario.score, in.error)
                        : parseScore(*score, in.file, "/score", scenario.score, in.error);
        if (!read)
            return false;
    }
    if (const json* settings = findField(value, "settings"))
        if (!readSettings(in, *settings, "/settings", scenario))
            return false;
    if (const json* runs = findField(value, "runs")) {
        if (!requireArray(in, *runs, "/runs"))
            return false;
        scenario.runs.resize(runs->size());
        for (size_t i = 0; i < runs->size(); ++i)
            if (!readRun(in, (*runs)[i], elementPlace("/runs", i), scenario.runs[i]))
                return false;
    }
    return true;
}

// Reads a parsed scenario file; as readScenarioFile.
static bool readScenarioJson(const json& value, const std::string& path, Scenario& scenario,
                             std::string& error) {
    JsonInput in{path, {}};
    Scenario read;
    bool ok = false;
    try {
        ok = readScenario(in, value, directoryOf(path), read);
    } catch (const std::exception& e) {
        ok = failAt(in, "", std::string("cannot read the scenario: ") + e.what());
    }
    if (!ok) {
        error = in.error;
        return false;
    }
    scenario = std::move(read);
    return true;
}

bool readScenarioFile(const std::string& path, Scenario& scenario, std::string& error) {
    json value;
    return readJsonFile(path, value, error) && readScenarioJson(value, path, scenario, error);
}

bool readScenarioText(const std::string& text, const std::string& path, Scenario& scenario,
                      std::string& error) {
    json value;
    return parseJsonText(text, path, value, error) &&
           readScenarioJson(value, path, scenario, error);
}

const char* closedByName(const ScenarioAction* action) {
    if (action != nullptr && action->kind == ActionKind::click && action->control == "IDOK")
        return "ok";
    if (action != nullptr && action->kind == ActionKind::click && action->control == "IDCANCEL")
        return "cancel";
    return "end";
}

std::vector<uint8_t> regionRecord(const ScenarioRegion& region) {
    std::vector<uint8_t> record(regionSize, 0);
    writeU16(record, regionStaffListOffset, static_cast<uint16_t>(region.staffList));
    writeU16(record, regionFirstSlotOffset, static_cast<uint16_t>(region.firstSlot));
    writeU16(record, regionFirstMeasureOffset, static_cast<uint16_t>(region.firstMeasure));
    writeU16(record, regionLastSlotOffset, static_cast<uint16_t>(region.lastSlot));
    writeU16(record, regionLastMeasureOffset, static_cast<uint16_t>(region.lastMeasure));
    return record;
}

#include "play/run_command.h"

#include "play/dialog_drawing.h"
#include "play/life.h"
#include "play/plugin_library.h"
#include "play/scenario.h"
#include "play/transcript.h"
#include "resource/resource_script.h"
#include "session/host_session.h"
#include "store/output_files.h"
#include "store/score_file.h"
#include "views/staff_picture.h"

#include <ostream>
#include <sstream>

using nlohmann::json;

namespace {

// What one invocation left, for the transcript and for a person.
struct RunReport {
    json transcript;
    std::string failure; // the platform could not show the dialog
    std::vector<SaveEvent> saves;
    std::vector<std::string> skippedActions;
    std::vector<PlatformFile> files; // the platform's pictures, written with the other outputs
};

} // namespace

static std::string describeAction(const ScenarioAction& action) {
    switch (action.kind) {
    case ActionKind::select: {
        std::string list;
        for (int position : action.positions)
            list += (list.empty() ? "" : ", ") + std::to_string(position);
        return "select " + (list.empty() ? std::string("nothing") : list);
    }
    case ActionKind::click:
        return "click " + action.control;
    case ActionKind::type:
        return "type \"" + action.text + "\" into " + action.control;
    case ActionKind::choose:
        return "choose scope entry " + std::to_string(action.entry);
    case ActionKind::spin:
        return std::string("spin ") + action.control + (action.up ? " up" : " down");
    }
    return "";
}

static json messagesJson(const std::vector<MessageEvent>& messages) {
    json list = json::array();
    for (const MessageEvent& message : messages)
        list.push_back({{"owner", message.owner},
                        {"caption", message.caption},
                        {"text", message.text},
                        {"style", message.style},
                        {"answer", message.answer}});
    return list;
}

// What one invocation left: its transcript, and for a person the actions it did not do.
static RunReport reportRun(const ScenarioRun& run, const HostSession& session,
                           InvocationPlay& play) {
    RunReport report;
    for (size_t i = play.actionsPlayed; i < run.actions.size() && !play.opened.is_null(); ++i)
        report.skippedActions.push_back(describeAction(run.actions[i]));
    report.transcript = {{"result", play.result},
                         {"messages", messagesJson(play.messages)},
                         {"opened", play.opened},
                         {"closed", play.closed},
                         {"closedBy", play.closedBy},
                         {"saves", savesJson(session)},
                         {"layoutUpdates", session.layoutUpdates},
                         {"hostCalls", hostCallsJson(session)},
                         {"violations", violationsJson(session)}};
    report.saves = session.saves;
    report.failure = play.failure;
    report.files = std::move(play.files);
    return report;
}

static std::string regionText(const ScenarioRun& run) {
    if (!run.hasRegion)
        return "no selection";
    const ScenarioRegion& r = run.region;
    return "selection in staff list " + std::to_string(r.staffList) + ", slots " +
           std::to_string(r.firstSlot) + " to " + std::to_string(r.lastSlot) + ", measures " +
           std::to_string(r.firstMeasure) + " to " + std::to_string(r.lastMeasure);
}

// The story for a person: the plug-in's menu entry, then each invocation.
static void printStory(const json& transcript, const std::vector<RunReport>& reports,
                       const Scenario& scenario, const RecordStore& store, std::ostream& out) {
    const json& menu = transcript["menu"][0];
    out << "Plug-in loaded: version 0x" << std::hex << transcript["version"].get<int64_t>()
        << std::dec << ", init " << transcript["init"] << ", menu entry "
        << (menu.contains("text") ? "\"" + menu["text"].get<std::string>() + "\"" : "(none)")
        << ", menu status " << transcript["menuStatus"] << "\n";
    for (size_t i = 0; i < reports.size(); ++i) {
        const json& run = reports[i].transcript;
        const ScenarioRun& played = scenario.runs[i];
        out << "\n== Run " << i + 1 << " (" << regionText(played) << ")\n";
        if (run["opened"].is_null()) {
            out << "No dialog was shown.\n";
        } else {
            out << "The dialog as it opened:\n" << drawDialog(run["opened"], mainDialogTemplate());
            out << "The user:\n";
            if (played.actions.empty())
                out << "  (does nothing)\n";
            for (size_t a = 0; a < played.actions.size(); ++a)
                out << "  " << a + 1 << ". " << describeAction(played.actions[a]) << "\n";
            for (const std::string& skipped : reports[i].skippedActions)
                out << "  (not done, the dialog had closed: " << skipped << ")\n";
        }
        for (const json& message : run["messages"])
            out << "Message box (" << message["caption"].get<std::string>()
                << "): " << message["text"].get<std::string>() << " -> "
                << message["answer"].get<std::string>() << "\n";
        if (!run["closedBy"].is_null()) {
            std::string by = run["closedBy"];
            out << "The dialog was closed by "
                << (by == "ok"       ? "OK"
                    : by == "cancel" ? "Cancel"
                                     : "the Escape key")
                << ".\n";
        }
        out << "Invocation result: " << run["result"] << "\n";
        printSaves(store, reports[i].saves, out);
        out << "Layout updates: " << run["layoutUpdates"] << "\n";
        printViolations(run["violations"].get<std::vector<std::string>>(), out);
    }
    printViolations(transcript["violations"].get<std::vector<std::string>>(), out);
    out << "\nSettings after terminate: "
        << (transcript["settings"].is_null() ? std::string("none")
                                             : transcript["settings"]["hex"].get<std::string>())
        << "\n";
}

// Plays the scenario of `options` and prints its transcript on `jsonOut` and its story on
// `storyOut`, each when not null. The exit status as runScenarioCommand's.
static int playScenario(const RunOptions& options, std::ostream* jsonOut, std::ostream* storyOut,
                        std::ostream& err) {
    Scenario scenario;
    std::string error;
    if (!readScenarioFile(options.scenarioPath, scenario, error)) {
        err << error << "\n";
        return 2;
    }
    PluginLibrary plugin;
    std::string library = options.pluginPath.empty() ? defaultPluginPath() : options.pluginPath;
    if (!loadPluginLibrary(library, plugin, error)) {
        err << options.programName << " run: " << error << "\n";
        return 2;
    }

    HostSession session;
    session.desktop.dialogPicturePath = options.dialogPicturePath;
    session.desktop.messagePicturePattern = options.messagePicturePattern;
    std::vector<RunReport> reports;
    json runs = json::array();
    LifeHooks hooks;
    hooks.afterRun = [&](size_t run, InvocationPlay& play) {
        reports.push_back(reportRun(scenario.runs[run], session, play));
        runs.push_back(reports.back().transcript);
    };
    LifeRecord life = playLife(plugin, scenario, session, hooks);
    unloadPluginLibrary(plugin);
    // a transcript without the dialog the plug-in asked for would mislead: nothing is written
    if (!life.failure.empty()) {
        err << options.programName << " run: " << life.failure << "\n";
        return 2;
    }
    json transcript;
    transcript["version"] = life.version;
    transcript["init"] = life.init;
    transcript["menu"] = life.menu;
    transcript["menuStatus"] = life.menuStatus;
    transcript["runs"] = std::move(runs);
    transcript["violations"] = life.violations;
    transcript["settings"] =
        life.hasSettings ? json{{"hex", toHex(life.settings.data)}, {"type", life.settings.type}}
                         : json(nullptr);
    transcript["score"] = scoreToJson(session.store);

    // every file or none: one that can't be written leaves nothing behind
    OutputFiles outputs;
    bool staged = options.picturePath.empty() ||
                  stageOutput(outputs, options.picturePath,
                              drawStaffListChanges(scenario.score, session.store), error);
    staged = staged && (options.outPath.empty() ||
                        stageOutput(outputs, options.outPath, scoreFileText(session.store), error));
    for (const RunReport& report : reports)
        for (const PlatformFile& file : report.files)
            staged = staged && stageOutput(outputs, file.path, file.bytes, error);
    if (!staged || !commitOutputs(outputs, error)) {
        err << error << "\n";
        return 2;
    }
    if (jsonOut != nullptr)
        *jsonOut << transcript.dump(2, ' ', false, json::error_handler_t::replace) << "\n";
    if (storyOut != nullptr)
        printStory(transcript, reports, scenario, session.store, *storyOut);
    return 0;
}

int runScenarioCommand(const RunOptions& options, std::ostream& out, std::ostream& err) {
    return options.json ? playScenario(options, &out, nullptr, err)
                        : playScenario(options, nullptr, &out, err);
}

int runEachScenarioCommand(const RunEachOptions& options, std::ostream& err) {
    // every file or none: one that can't be written leaves nothing behind
    OutputFiles outputs;
    std::string error;
    for (size_t k = 0; k < options.scenarioPaths.size(); ++k) {
        RunOptions one;
        one.scenarioPath = options.scenarioPaths[k];
        one.pluginPath = options.pluginPath;
        one.programName = options.programName;
        std::ostringstream transcript, story, errors;
        int status = playScenario(one, &transcript, &story, errors);
        std::string base = options.outDir + "/" + std::to_string(k + 1);
        if (!stageOutput(outputs, base + ".json", transcript.str(), error) ||
            !stageOutput(outputs, base + ".txt", story.str(), error) ||
            !stageOutput(outputs, base + ".err", errors.str(), error) ||
            !stageOutput(outputs, base + ".status", std::to_string(status) + "\n", error)) {
            err << error << "\n";
            return 2;
        }
    }
    if (!commitOutputs(outputs, error)) {
        err << error << "\n";
        return 2;
    }
    return 0;
}

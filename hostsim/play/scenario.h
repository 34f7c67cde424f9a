// Scenario files: one life of the plug-in in the substitute host. The score, the registry value
// before init, and the invocations with the user's actions and answers in each.
#pragma once

#include "session/host_session.h"
#include "store/record_store.h"

#include <cstdint>
#include <string>
#include <vector>

enum class ActionKind { select, click, type, choose, spin };

// One thing the user does while the dialog is open.
struct ScenarioAction {
    ActionKind kind = ActionKind::click;
    std::vector<int> positions; // select: the instrument list entries, the last one current
    std::string control;        // click, type, spin: the control's name (IDC_..., IDOK, IDCANCEL)
    std::string text;           // type
    int entry = 0;              // choose: 1-based scope list entry
    bool up = false;            // spin
};

// The host's selection region handed to one invocation.
struct ScenarioRegion {
    int16_t staffList = 0;
    int16_t firstSlot = 0;
    int16_t lastSlot = 0;
    int16_t firstMeasure = 0;
    int16_t lastMeasure = 0;
};

struct ScenarioRun {
    bool hasRegion = false;
    ScenarioRegion region;
    std::vector<ScenarioAction> actions;
    std::vector<std::string> answers; // "yes" / "no", one per question box in turn
};

struct Scenario {
    RecordStore score;
    HostBehaviour host;       // how the host answers the plug-in
    bool hasSettings = false; // false: the plug-in's registry key does not exist at start
    uint32_t settingsType = 3;
    std::vector<uint8_t> settings;
    std::vector<ScenarioRun> runs;
};

// Reads the scenario file at `path`; a score given as a path is read relative to the scenario
// file. False, with "FILE: PLACE: REASON" in `error`, on bad input; PLACE is a JSON pointer.
// Control names are checked against the dialog: `click` needs a button, `type` an edit field
// and `spin` an up-down control. The optional `host` object says how the host answers.
bool readScenarioFile(const std::string& path, Scenario& scenario, std::string& error);

// Reads a scenario from `text`, as if it were the file at `path`.
bool readScenarioText(const std::string& text, const std::string& path, Scenario& scenario,
                      std::string& error);

// How the dialog was closed when it ended during `action` (null: after the actions, by the
// host's Escape): "ok" or "cancel" for a click on that button, else "end".
const char* closedByName(const ScenarioAction* action);

// The host's selection region record for `region`, as FinaleExtensionInvoke is given it.
std::vector<uint8_t> regionRecord(const ScenarioRegion& region);

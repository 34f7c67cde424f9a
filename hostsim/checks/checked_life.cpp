#include "checks/checked_life.h"

#include "checks/run_properties.h"
#include "cli/plugin_library.h"
#include "dialog/values.h"
#include "host/entry_points.h"
#include "host/state.h"
#include "win32/desktop.h"
#include "win32/heap.h"
#include "win32/registry.h"

#include <cstring>

// The plug-in linked into this program, as a loaded library would show it.
static PluginLibrary linkedPlugin() {
    PluginLibrary plugin;
    plugin.version = FinaleExtensionVersion;
    plugin.init = FinaleExtensionInit;
    plugin.enumerate = FinaleExtensionEnumerate;
    plugin.invoke = FinaleExtensionInvoke;
    plugin.terminate = FinaleExtensionTerminate;
    plugin.menuStatus = FinaleExtensionGetMenuStatus;
    return plugin;
}

// The state of a library loaded afresh: all zero.
static void resetPluginState() {
    std::memset(static_cast<void*>(&pluginState), 0, sizeof pluginState);
    std::memset(static_cast<void*>(&dialogValues), 0, sizeof dialogValues);
}

static ConfirmedChoices confirmedChoices() {
    ConfirmedChoices choices;
    choices.distance = pluginState.pushDistance;
    choices.scope = pluginState.scope;
    choices.firstSystem = pluginState.firstSystem;
    choices.lastSystem = pluginState.lastSystem;
    choices.selectedCount = pluginState.selectedCount;
    return choices;
}

static void addBreaches(CheckedLife& life, const std::string& where,
                        const std::vector<std::string>& found) {
    for (const std::string& breach : found)
        life.breaches.push_back(where + ": " + breach);
}

CheckedLife playCheckedLife(const Scenario& scenario,
                            const std::function<void(HostSession&)>& prepare, bool snapshots) {
    CheckedLife life;
    PluginLibrary plugin = linkedPlugin();
    resetPluginState();
    resetPluginHeap();
    resetDesktop();
    desktop.snapshots = snapshots;
    clearPluginSettings();
    if (scenario.hasSettings)
        storePluginSettings(SavedSettings{scenario.settingsType, scenario.settings});

    setPlatformFailures(plugin, scenario.host.failingRegistry, scenario.host.failingAllocations);
    HostSession session;
    session.store = scenario.score;
    session.behaviour = scenario.host;
    session.keepLog = true;
    if (prepare)
        prepare(session);
    HostSession* previous = activeHost;
    activeHost = &session;

    plugin.version(0);
    plugin.init(0, 0);
    std::vector<uint8_t> entry(256, 0);
    plugin.enumerate(0, 0, reinterpret_cast<ExtensionEntry*>(entry.data()));
    plugin.enumerate(0, 1, reinterpret_cast<ExtensionEntry*>(entry.data()));
    plugin.menuStatus(0);
    addBreaches(life, "life", session.violations);
    for (size_t i = 0; i < scenario.runs.size(); ++i) {
        const ScenarioRun& run = scenario.runs[i];
        clearRunRecord(session);
        std::vector<uint8_t> region = regionRecord(run.region);
        InvocationTrace trace;
        InvocationPlay play = playInvocation(plugin, run, run.hasRegion ? region.data() : nullptr);
        trace.events = session.log;
        trace.messages = play.messages;
        trace.result = play.result;
        trace.choices = confirmedChoices();
        addBreaches(life, "run " + std::to_string(i + 1), checkInvocation(trace));
        addBreaches(life, "run " + std::to_string(i + 1), session.violations);
        life.plays.push_back(std::move(play));
    }
    session.violations.clear();
    plugin.terminate(0);
    addBreaches(life, "life", session.violations);
    setPlatformFailures(plugin, false, false);
    addBreaches(life, "life", checkSettingsWrites(registry.writes));
    addBreaches(life, "life", checkHeapAfterLife(pluginHeap));
    life.score = session.store;
    activeHost = previous;
    resetPluginHeap();
    resetDesktop();
    return life;
}

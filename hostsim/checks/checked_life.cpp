#include "checks/checked_life.h"

#include "checks/run_properties.h"
#include "dialog/values.h"
#include "host/entry_points.h"
#include "host/state.h"
#include "play/life.h"
#include "play/plugin_library.h"

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
    resetPluginState();
    HostSession session;
    session.desktop.snapshots = snapshots;
    session.keepLog = true;
    LifeHooks hooks;
    hooks.beforeLife = prepare;
    hooks.afterRun = [&](size_t run, InvocationPlay& play) {
        InvocationTrace trace;
        trace.events = session.log;
        trace.messages = play.messages;
        trace.result = play.result;
        trace.choices = confirmedChoices();
        std::string where = "run " + std::to_string(run + 1);
        addBreaches(life, where, checkInvocation(trace));
        addBreaches(life, where, session.violations);
        life.plays.push_back(std::move(play));
    };
    LifeRecord record = playLife(linkedPlugin(), scenario, session, hooks);
    addBreaches(life, "life", record.violations);
    addBreaches(life, "life", checkSettingsWrites(session.registry.writes));
    addBreaches(life, "life", checkHeapAfterLife(session.heap));
    life.score = session.store;
    life.registry = std::move(session.registry);
    return life;
}

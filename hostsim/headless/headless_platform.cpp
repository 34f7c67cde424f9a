// lumbrel-host's platform for playing a scenario: the headless dialog on the active session's
// desktop, and the session's registry and heap.
#include "play/platform.h"

#include "headless/desktop.h"
#include "headless/registry.h"
#include "session/host_session.h"

#include <iterator>
#include <string>

// Does what the user does; the control names were checked when the scenario was read.
static void perform(HeadlessDialog& dialog, const ScenarioAction& action) {
    switch (action.kind) {
    case ActionKind::select:
        userSelectItems(dialog, findControlByName(dialog, "IDC_INSTRUMENT_LIST"), action.positions);
        break;
    case ActionKind::click:
        userClick(dialog, findControlByName(dialog, action.control));
        break;
    case ActionKind::type:
        userType(dialog, findControlByName(dialog, action.control), action.text);
        break;
    case ActionKind::choose:
        userChoose(dialog, findControlByName(dialog, "IDC_SCOPE"), action.entry);
        break;
    case ActionKind::spin:
        userSpin(dialog, findControlByName(dialog, action.control), action.up);
        break;
    }
}

bool openDesktop(std::string&) {
    activeHost->desktop.hostWindow = hostWindowHandle();
    return true;
}

void closeDesktop() {}

InvocationPlay playInvocation(const PluginLibrary& plugin, const ScenarioRun& run,
                              const void* region) {
    Desktop& desktop = activeHost->desktop;
    desktop.messages.clear();
    desktop.answers.assign(run.answers.begin(), run.answers.end());
    InvocationPlay play;
    const ScenarioAction* current = nullptr;
    desktop.onOpened = [&](HWND window) {
        HeadlessDialog& dialog = *window->dialog;
        if (desktop.snapshots)
            play.opened = dialogSnapshot(dialog);
        for (; play.actionsPlayed < run.actions.size() && !dialog.ended; ++play.actionsPlayed) {
            current = &run.actions[play.actionsPlayed];
            perform(dialog, *current);
        }
        current = nullptr; // what ends the dialog from here on is the host's Escape
    };
    desktop.onEnded = [&](HWND window) {
        if (desktop.snapshots)
            play.closed = dialogSnapshot(*window->dialog);
        play.closedBy = closedByName(current);
    };
    play.result =
        plugin.invoke(desktop.hostWindow, 0, static_cast<const SelectionRegion*>(region), 0);
    desktop.onOpened = nullptr;
    desktop.onEnded = nullptr;
    play.messages = desktop.messages;
    return play;
}

void setPlatformFailures(const PluginLibrary&, bool registryFails, bool allocationsFail) {
    Registry& registry = activeHost->registry;
    registry.failingCalls.clear();
    if (registryFails)
        registry.failingCalls.insert(std::begin(registryCallNames), std::end(registryCallNames));
    activeHost->heap.failEvery = allocationsFail;
}

void clearPluginSettings() {
    activeHost->registry = Registry();
}

void storePluginSettings(const SavedSettings& value) {
    setRegistryValue(activeHost->registry, pluginSettingsKey, pluginSettingsValue,
                     RegistryValue{value.type, value.data});
}

bool readPluginSettings(SavedSettings& value) {
    const RegistryValue* stored =
        findRegistryValue(activeHost->registry, pluginSettingsKey, pluginSettingsValue);
    if (stored == nullptr)
        return false;
    value.type = stored->type;
    value.data = stored->data;
    return true;
}

// lumbrel-host's platform: the headless dialog, its desktop, the in-memory registry and heap.
#include "platform/host_platform.h"

#include "cli/plugin_library.h"
#include "cli/scenario.h"
#include "win32/desktop.h"
#include "win32/heap.h"
#include "win32/registry.h"

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

InvocationPlay playInvocation(const PluginLibrary& plugin, const ScenarioRun& run,
                              const void* region) {
    desktop.messages.clear();
    desktop.answers.assign(run.answers.begin(), run.answers.end());
    InvocationPlay play;
    const ScenarioAction* current = nullptr;
    desktop.onOpened = [&](HeadlessDialog& dialog) {
        if (desktop.snapshots)
            play.opened = dialogSnapshot(dialog);
        for (; play.actionsPlayed < run.actions.size() && !dialog.ended; ++play.actionsPlayed) {
            current = &run.actions[play.actionsPlayed];
            perform(dialog, *current);
        }
        current = nullptr; // what ends the dialog from here on is the host's Escape
    };
    desktop.onEnded = [&](const HeadlessDialog& dialog) {
        if (desktop.snapshots)
            play.closed = dialogSnapshot(dialog);
        play.closedBy = closedByName(current);
    };
    play.result =
        plugin.invoke(hostWindowHandle(), 0, static_cast<const SelectionRegion*>(region), 0);
    desktop.onOpened = nullptr;
    desktop.onEnded = nullptr;
    play.messages = desktop.messages;
    return play;
}

void setPlatformFailures(const PluginLibrary&, bool registryFails, bool allocationsFail) {
    registry.failingCalls.clear();
    if (registryFails)
        registry.failingCalls.insert(std::begin(registryCallNames), std::end(registryCallNames));
    pluginHeap.failEvery = allocationsFail;
}

bool findPluginBlock(const void* address, const uint8_t*& start, size_t& size) {
    return findHeapBlock(address, start, size);
}

void clearPluginSettings() {
    resetRegistry();
}

void storePluginSettings(const SavedSettings& value) {
    setRegistryValue(pluginSettingsKey, pluginSettingsValue, RegistryValue{value.type, value.data});
}

bool readPluginSettings(SavedSettings& value) {
    const RegistryValue* stored = findRegistryValue(pluginSettingsKey, pluginSettingsValue);
    if (stored == nullptr)
        return false;
    value.type = stored->type;
    value.data = stored->data;
    return true;
}

#include "host/entry_points.h"

#include "dialog/dialog_ids.h"
#include "dialog/messages.h"
#include "dialog/procedure.h"
#include "dialog/values.h"
#include "host/services.h"
#include "host/settings.h"
#include "score/queries.h"

#include <cstring>

// Copies `text` into a 64-byte field, filling the rest of it with zero bytes.
static void copyField(char (&field)[64], const char* text) {
    std::strncpy(field, text, sizeof field);
}

extern "C" {

int32_t LUMBREL_CDECL FinaleExtensionVersion(int32_t) {
    return static_cast<int32_t>(hostInterfaceVersion);
}

int32_t LUMBREL_CDECL FinaleExtensionInit(int32_t, int32_t) {
    loadSettings(pluginState);
    return 1;
}

int32_t LUMBREL_CDECL FinaleExtensionEnumerate(int32_t, int32_t index, ExtensionEntry* entry) {
    // only the low half of the index counts, with its sign
    if (static_cast<int16_t>(index) >= 1 || entry == nullptr)
        return 0;
    copyField(entry->menuText, "Orvane &Lumbrel [v 1.02a]...");
    copyField(entry->name, "Lumbrel Plug-in");
    copyField(entry->shortName, "Lumbrel");
    entry->words[0] = 0;
    entry->words[1] = 0;
    return 1;
}

int32_t LUMBREL_CDECL FinaleExtensionInvoke(HWND window, int32_t, const SelectionRegion* region,
                                            int32_t) {
    if (checkStaffSystems() == 0) {
        reportNoStaffSystems(window);
        return 0;
    }
    prepareInvocation(region);
    runDialog(window, pluginState, region);
    return 1;
}

void LUMBREL_CDECL FinaleExtensionTerminate(int32_t) {
    saveSettings(pluginState);
}

int32_t LUMBREL_CDECL FinaleExtensionGetMenuStatus(int32_t) {
    return 1;
}
}

int32_t checkStaffSystems() {
    uint32_t size = 0;
    // an answer for another key (another list, a later entry) is no first global entry
    return probeSingleRecord(tagStaffListEntry, RecordKey{globalStaffList, 0}, size);
}

void prepareInvocation(const SelectionRegion* region) {
    pluginState.systemCount = countStaffSystems();
    scanOptimizedSystems();
    probeStaffSets();
    pluginState.hasSelection = region != nullptr ? 1 : 0;
    if (region != nullptr) {
        findSystemRange(region, &pluginState.firstSystem, &pluginState.lastSystem);
    } else {
        pluginState.firstSystem = 1;
        pluginState.lastSystem = pluginState.systemCount;
    }
}

void runDialog(HWND window, PluginState& state, const SelectionRegion* region) {
    dialogValues.scopeChoiceCount = 0;
    dialogValues.dialogState = &state;
    dialogValues.invokeRegion = region;
    FX_Dialog(IDD_MAIN_DIALOG, mainDialogProc, window, 1, 0, hostInterfaceVersion);
}

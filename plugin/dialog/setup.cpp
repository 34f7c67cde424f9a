#include "dialog/setup.h"

#include "dialog/controls.h"
#include "dialog/dialog_ids.h"
#include "dialog/values.h"
#include "host/services.h"
#include "score/entries.h"
#include "score/queries.h"

// Formatted texts of the dialog are built in buffers of this size.
constexpr int textBufferSize = 100;

// The label of unit code `unit`, or null for EVPUs and any unknown code.
static const char* unitLabel(int16_t unit) {
    switch (unit) {
    case 2:
        return "Inches";
    case 3:
        return "Centimeters";
    case 4:
        return "Points";
    case 5:
        return "Picas";
    case 6:
        return "Spaces";
    default:
        return nullptr;
    }
}

static void setItemValue(HWND dialog, int32_t item, int32_t kind, int32_t value) {
    FX_SetDlgItemVal(dialog, item, kind, value, hostInterfaceVersion);
}

static void enableItem(HWND dialog, int32_t item, bool enable) {
    FX_EnableDlgItem(dialog, item, enable ? 1 : 0, hostInterfaceVersion);
}

static void enableRangeControls(HWND dialog, bool enable) {
    enableItem(dialog, IDC_FIRST_SYSTEM, enable);
    enableItem(dialog, IDC_FIRST_SYSTEM_SPIN, enable);
    enableItem(dialog, IDC_TO_LABEL, enable);
    enableItem(dialog, IDC_LAST_SYSTEM, enable);
    enableItem(dialog, IDC_LAST_SYSTEM_SPIN, enable);
}

static void appendScopeChoice(int16_t scope) {
    dialogValues.scopeChoices[dialogValues.scopeChoiceCount] = scope;
    ++dialogValues.scopeChoiceCount;
}

void setUpDialog(HWND dialog) {
    PluginState& state = *dialogValues.dialogState;
    state.instrumentCount = fillInstrumentList(dialog, IDC_INSTRUMENT_LIST);
    if (dialogValues.invokeRegion != nullptr) {
        selectRegionStaves(dialog);
        state.scope = scopeOfRegion(*dialogValues.invokeRegion);
    }
    fillScopeChoices(dialog);
    limitText(dialog, IDC_DISTANCE, 8);
    limitText(dialog, IDC_FIRST_SYSTEM, 4);
    limitText(dialog, IDC_LAST_SYSTEM, 4);
    setSpinRange(dialog, IDC_FIRST_SYSTEM_SPIN, 1, state.systemCount);
    setSpinRange(dialog, IDC_LAST_SYSTEM_SPIN, 1, state.systemCount);
    // a code the host does not define is taken as EVPUs, which the label then shows: the host's
    // unit-aware services are never handed a unit they do not know
    int16_t unit = readMeasurementUnit();
    const char* label = unitLabel(unit);
    dialogValues.measureUnit = label != nullptr ? unit : int16_t{1};
    if (label != nullptr)
        FX_SetDlgString(dialog, IDC_DISTANCE_UNITS, label, hostInterfaceVersion);
    setUnitValue(dialog, IDC_DISTANCE, dialogValues.measureUnit, state.pushDistance);
    setItemValue(dialog, IDC_SCOPE, itemKindComboBox, scopeChoiceIndex(state.scope) + 1);
    // a check box is written 0 or 1, whatever a saved value held
    setItemValue(dialog, IDC_UPDATE_LAYOUT, itemKindCheckBox, state.updateLayout != 0 ? 1 : 0);
    setItemValue(dialog, IDC_ALL_SYSTEMS, itemKindRadio, state.hasSelection == 0 ? 1 : 0);
    setItemValue(dialog, IDC_SELECTED_SYSTEMS, itemKindRadio, state.hasSelection);
    setItemValue(dialog, IDC_FIRST_SYSTEM, itemKindNumber, state.firstSystem);
    setItemValue(dialog, IDC_LAST_SYSTEM, itemKindNumber, state.lastSystem);
    setItemValue(dialog, IDC_SMART_FILTER, itemKindCheckBox, state.smartFilter != 0 ? 1 : 0);
    char total[textBufferSize];
    wsprintfA(total, "(Total staff systems: %d)", static_cast<int>(state.systemCount));
    FX_SetDlgString(dialog, IDC_TOTAL_SYSTEMS, total, hostInterfaceVersion);
    updateControlStates(dialog);
    setUpdateLayoutForScope(dialog);
}

void updateControlStates(HWND dialog) {
    int32_t current = getListCurrent(dialog, IDC_INSTRUMENT_LIST);
    bool hasCurrent = static_cast<int16_t>(current) != -1;
    bool rangeWanted =
        FX_GetDlgItemVal(dialog, IDC_ALL_SYSTEMS, itemKindRadio, hostInterfaceVersion) == 0;
    bool optimized = currentScope(dialog) == 1;

    enableItem(dialog, IDC_ABOVE, hasCurrent);
    enableItem(dialog, IDC_BELOW, hasCurrent);
    enableRangeControls(dialog, rangeWanted);
    enableItem(dialog, IDC_OPTIMIZED_GROUP, optimized);
    enableItem(dialog, IDC_ALL_SYSTEMS, optimized);
    enableItem(dialog, IDC_SELECTED_SYSTEMS, optimized);
    // the range belongs to the optimized systems alone
    if (rangeWanted && !optimized)
        enableRangeControls(dialog, false);
    enableItem(dialog, IDC_SMART_FILTER, optimized);
    enableItem(dialog, IDC_TOTAL_SYSTEMS, optimized);
}

bool stepScopeChoice(HWND dialog, const NMUPDOWN& notification) {
    int64_t old =
        int64_t{FX_GetDlgItemVal(dialog, IDC_SCOPE, itemKindComboBox, hostInterfaceVersion)} - 1;
    int64_t position = old + notification.iDelta;
    if (position >= dialogValues.scopeChoiceCount)
        position = dialogValues.scopeChoiceCount - 1;
    if (position < 0)
        position = 0;
    setItemValue(dialog, IDC_SCOPE, itemKindComboBox, static_cast<int32_t>(position + 1));
    updateControlStates(dialog);
    return position != old;
}

void fillScopeChoices(HWND dialog) {
    const PluginState& state = *dialogValues.dialogState;
    dialogValues.scopeChoiceCount = 0;
    if (state.hasOptimizedSystems != 0)
        appendScopeChoice(scopeOptimizedSystems);
    appendScopeChoice(scopeGlobalList);
    for (int i = 0; i < staffSetCount; ++i)
        if (state.staffSetExists[i] != 0)
            appendScopeChoice(static_cast<int16_t>(scopeFirstStaffSet + i));

    for (int j = 0; j < dialogValues.scopeChoiceCount; ++j) {
        int16_t scope = dialogValues.scopeChoices[j];
        char text[textBufferSize];
        if (scope == scopeOptimizedSystems)
            addComboString(dialog, IDC_SCOPE, "Optimized Staff Systems");
        else if (scope == scopeGlobalList)
            addComboString(dialog, IDC_SCOPE, "Global Staff Set");
        else {
            wsprintfA(text, "Staff Set #%d", scope - scopeFirstStaffSet + 1);
            addComboString(dialog, IDC_SCOPE, text);
        }
    }
}

void setUpdateLayoutForScope(HWND dialog) {
    int16_t scope = currentScope(dialog);
    if (scope == scopeOptimizedSystems)
        setItemValue(dialog, IDC_UPDATE_LAYOUT, itemKindCheckBox, 1);
    else if (scope == scopeGlobalList)
        setItemValue(dialog, IDC_UPDATE_LAYOUT, itemKindCheckBox,
                     dialogValues.dialogState->hasNonOptimizedSystems != 0 ? 1 : 0);
    else if (scope >= scopeFirstStaffSet && scope < scopeFirstStaffSet + staffSetCount)
        setItemValue(dialog, IDC_UPDATE_LAYOUT, itemKindCheckBox, 0);
}

int16_t scopeChoiceIndex(int16_t scope) {
    for (int16_t i = 0; i < dialogValues.scopeChoiceCount && i < maxScopeChoices; ++i)
        if (dialogValues.scopeChoices[i] == scope)
            return i;
    return 0;
}

int16_t scopeOfRegion(const SelectionRegion& region) {
    if (region.staffList == globalStaffList)
        return scopeGlobalList;
    if (region.staffList >= firstStaffSetList &&
        region.staffList < firstStaffSetList + staffSetCount)
        return scopeOfStaffSetList(region.staffList);
    return scopeOptimizedSystems;
}

void selectRegionStaves(HWND dialog) {
    const SelectionRegion* region = dialogValues.invokeRegion;
    if (region == nullptr)
        return;
    int16_t count = dialogValues.dialogState->instrumentCount;
    for (int slot = region->firstSlot; slot <= region->lastSlot; ++slot) {
        int32_t staff = FX_SlotToInst(slot, region->staffList, hostInterfaceVersion);
        int64_t position = int64_t{FX_InstToSlot(staff, 0, hostInterfaceVersion)} - 1;
        // a staff without a global slot gives 0: position -1 would select every entry
        if (position < 0 || position >= count)
            continue;
        setListSelected(dialog, IDC_INSTRUMENT_LIST, static_cast<int16_t>(position), TRUE);
    }
}

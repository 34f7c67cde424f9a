#include "dialog/validation.h"

#include "dialog/controls.h"
#include "dialog/dialog_ids.h"
#include "dialog/messages.h"
#include "dialog/values.h"
#include "host/services.h"
#include "host/state.h"

static int32_t itemValue(HWND dialog, int32_t item, int32_t kind) {
    return FX_GetDlgItemVal(dialog, item, kind, hostInterfaceVersion);
}

// A distance in EVPUs truncated toward zero; beyond the 32-bit range it is held at its ends,
// and what is no number counts as 0.
static int32_t truncatedDistance(double value) {
    if (value != value)
        return 0;
    if (value >= 2147483647.0)
        return INT32_MAX;
    if (value <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

// The distance field as a whole number of EVPUs, read in the dialog's unit.
static int32_t readDistance(HWND dialog) {
    if (dialogValues.measureUnit == 1)
        return itemValue(dialog, IDC_DISTANCE, itemKindNumber);
    double value = 0; // stays 0 when the host leaves it unwritten
    FX_GetDlgItemUser(dialog, IDC_DISTANCE, dialogValues.measureUnit, &value, hostInterfaceVersion);
    return truncatedDistance(value);
}

// Moves the focus to a field and selects its whole text, for the user to correct it.
static void refocus(HWND dialog, int16_t item) {
    FX_SetDlgFocus(dialog, item, hostInterfaceVersion);
    selectAllText(dialog, item);
}

int32_t validateDialogInput(HWND dialog) {
    PluginState& state = *dialogValues.dialogState;

    int32_t count = getListSelCount(dialog, IDC_INSTRUMENT_LIST);
    if (count < 1) {
        reportNoInstruments(dialog);
        return 0;
    }
    // the list holds at most 32767 entries, so this only guards the 16-bit count
    if (count > INT16_MAX)
        count = INT16_MAX;

    int32_t distance = readDistance(dialog);
    if (distance < smallestPushDistance || distance > largestPushDistance) {
        reportDistanceOutOfRange(dialog);
        refocus(dialog, IDC_DISTANCE);
        return 0;
    }
    if (distance == 0) {
        reportZeroDistance(dialog);
        refocus(dialog, IDC_DISTANCE);
        return 0;
    }

    int16_t first = 1;
    int16_t last = state.systemCount;
    if (itemValue(dialog, IDC_ALL_SYSTEMS, itemKindRadio) == 0) {
        first = static_cast<int16_t>(itemValue(dialog, IDC_FIRST_SYSTEM, itemKindNumber));
        last = static_cast<int16_t>(itemValue(dialog, IDC_LAST_SYSTEM, itemKindNumber));
    }
    if (last > state.systemCount) {
        reportInvalidRange(dialog);
        refocus(dialog, IDC_LAST_SYSTEM);
        return 0;
    }
    if (first < 1 || first > last) {
        reportInvalidRange(dialog);
        refocus(dialog, IDC_FIRST_SYSTEM);
        return 0;
    }

    int16_t scope = currentScope(dialog);
    int32_t smart = itemValue(dialog, IDC_SMART_FILTER, itemKindCheckBox);
    if (scope == scopeOptimizedSystems && count == state.instrumentCount && smart != 0) {
        if (!askSmartFilterConflict(dialog))
            return 0;
        smart = 0; // the box itself stays ticked
    }

    if (!allocateSelection(state, static_cast<int16_t>(count)))
        return 0;
    state.updateLayout =
        static_cast<int16_t>(itemValue(dialog, IDC_UPDATE_LAYOUT, itemKindCheckBox));
    state.pushDistance = static_cast<int16_t>(distance);
    state.firstSystem = first;
    state.lastSystem = last;
    state.smartFilter = static_cast<int16_t>(smart);
    state.scope = scope;
    int32_t written = getListSelItems(dialog, IDC_INSTRUMENT_LIST, static_cast<int16_t>(count),
                                      state.selectedItems);
    // only what the list wrote is a selected position
    if (written < 0)
        written = 0;
    if (written > count)
        written = count;
    state.selectedCount = static_cast<int16_t>(written);
    return 1;
}

#include "dialog/procedure.h"

#include "dialog/controls.h"
#include "dialog/dialog_ids.h"
#include "dialog/setup.h"
#include "dialog/validation.h"
#include "dialog/values.h"
#include "host/services.h"
#include "host/state.h"
#include "push/push.h"

// The list's current entry as a 16-bit position; -1 when there is none.
static int16_t currentInstrument(HWND dialog) {
    return static_cast<int16_t>(getListCurrent(dialog, IDC_INSTRUMENT_LIST));
}

static int16_t lastInstrument() {
    return static_cast<int16_t>(dialogValues.dialogState->instrumentCount - 1);
}

void selectAllInstruments(HWND dialog) {
    selectListRange(dialog, IDC_INSTRUMENT_LIST, 0, lastInstrument());
}

void selectNoInstruments(HWND dialog) {
    deselectListAll(dialog, IDC_INSTRUMENT_LIST);
}

// Leaves exactly the entries from the top through the current one (above) or from the current
// one through the last selected; without a current entry only the enabling rules run again.
static void selectFromCurrent(HWND dialog, bool above) {
    int16_t current = currentInstrument(dialog);
    if (current == -1) {
        updateControlStates(dialog);
        return;
    }
    deselectListAll(dialog, IDC_INSTRUMENT_LIST);
    if (above)
        selectListRange(dialog, IDC_INSTRUMENT_LIST, 0, current);
    else
        selectListRange(dialog, IDC_INSTRUMENT_LIST, current, lastInstrument());
}

void selectInstrumentsAbove(HWND dialog) {
    selectFromCurrent(dialog, true);
}

void selectInstrumentsBelow(HWND dialog) {
    selectFromCurrent(dialog, false);
}

void confirmDialog(HWND dialog) {
    if (!validateDialogInput(dialog))
        return;
    performPush();
    releaseSelection(*dialogValues.dialogState);
    FX_EndDialog(dialog, hostInterfaceVersion);
}

void cancelDialog(HWND dialog) {
    FX_EndDialog(dialog, hostInterfaceVersion);
}

// One case per control; a command with another notification code than the one named is ignored.
static void runCommand(HWND dialog, WORD item, WORD code) {
    switch (item) {
    case IDOK:
        confirmDialog(dialog);
        break;
    case IDCANCEL:
        cancelDialog(dialog);
        break;
    case IDC_INSTRUMENT_LIST:
        if (code == LBN_SELCHANGE)
            updateControlStates(dialog);
        break;
    case IDC_ABOVE:
        selectInstrumentsAbove(dialog);
        break;
    case IDC_BELOW:
        selectInstrumentsBelow(dialog);
        break;
    case IDC_SCOPE:
        if (code == CBN_SELCHANGE) {
            updateControlStates(dialog);
            setUpdateLayoutForScope(dialog);
        }
        break;
    case IDC_ALL:
        selectAllInstruments(dialog);
        break;
    case IDC_ALL_SYSTEMS:
        if (code == BN_CLICKED)
            updateControlStates(dialog);
        break;
    case IDC_SELECTED_SYSTEMS:
        if (code == BN_CLICKED) {
            updateControlStates(dialog);
            FX_SetDlgFocus(dialog, IDC_FIRST_SYSTEM, hostInterfaceVersion);
            selectAllText(dialog, IDC_FIRST_SYSTEM);
        }
        break;
    case IDC_NONE:
        selectNoInstruments(dialog);
        break;
    default:
        break;
    }
}

// Acts on UDN_DELTAPOS of the scope spin and the distance spin; the upper arrow proposes -1.
// Only an up-down's own notification is read as the longer up-down record.
static void runNotification(HWND dialog, WPARAM item, const NMHDR& header) {
    if (header.code != UDN_DELTAPOS)
        return;
    const NMUPDOWN& notification = reinterpret_cast<const NMUPDOWN&>(header);
    if (item == IDC_SCOPE_SPIN) {
        if (stepScopeChoice(dialog, notification))
            setUpdateLayoutForScope(dialog);
    } else if (item == IDC_DISTANCE_SPIN) {
        stepUnitValue(dialog, IDC_DISTANCE, -static_cast<double>(notification.iDelta),
                      smallestPushDistance, largestPushDistance, dialogValues.measureUnit);
    }
}

int32_t LUMBREL_CDECL mainDialogProc(HWND dialog, uint32_t message, WPARAM wParam, LPARAM lParam,
                                     int32_t) {
    switch (message) {
    case WM_INITDIALOG:
        setUpDialog(dialog);
        return 1;
    case WM_COMMAND:
        runCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_NOTIFY:
        if (lParam != 0)
            runNotification(dialog, wParam, *reinterpret_cast<const NMHDR*>(lParam));
        return 1;
    default:
        return 0;
    }
}

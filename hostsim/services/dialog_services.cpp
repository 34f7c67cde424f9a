// The host's dialog services: the host's rules for each call (the contract's checks, the unit
// conversion, the answer hooks, the call counts), on the dialog that the platform shows.
#include "host/services.h"
#include "services/dialog_platform.h"
#include "services/dialog_units.h"
#include "session/contract.h"
#include "session/host_session.h"

#include <string>

enum ItemKind { kindComboBox = 0, kindCheckBox = 1, kindRadioButton = 2, kindWholeNumber = 3 };

// The 0-based combo box entry that FX_SetDlgItemVal's 1-based value selects; -1, no selection,
// for a value below 1.
constexpr int32_t comboEntryOfValue(int32_t value) {
    return value >= 1 ? value - 1 : -1;
}

// The active session's desktop; null while no plug-in is driven.
static Desktop* activeDesktop() {
    return activeHost != nullptr ? &activeHost->desktop : nullptr;
}

// Whether `window` is the open dialog. The strict host notes a window that is not the open
// dialog, and the dialog after FX_EndDialog, against `service`.
static bool isOpenDialog(HostService service, HWND window) {
    Desktop* desktop = activeDesktop();
    if (desktop == nullptr || window == nullptr || window != desktop->dialog) {
        checkDialogWindow(service, DialogWindow::other);
        return false;
    }
    checkDialogWindow(service, desktop->dialogEnded ? DialogWindow::ended : DialogWindow::open);
    return true;
}

// The first control with ID `item` in the open dialog that `window` names; null when the window
// is not the open dialog or no control has the ID, which the strict host notes.
static HWND dialogItem(HostService service, HWND window, int32_t item) {
    if (!isOpenDialog(service, window))
        return nullptr;
    HWND control = dialogControl(window, item);
    checkControlFound(service, item, control != nullptr);
    return control;
}

static bool isButtonWithCheck(ControlKind kind) {
    return kind == ControlKind::checkBox || kind == ControlKind::radioButton;
}

// What FX_GetDlgItemVal reads from `control` by `kind`; 0 for a kind the control has not.
static int32_t controlValue(HWND control, ControlKind controlKind, int32_t kind) {
    switch (kind) {
    case kindComboBox:
        return controlKind == ControlKind::comboBox ? comboSelection(control) + 1 : 0;
    case kindCheckBox:
    case kindRadioButton:
        return isButtonWithCheck(controlKind) ? buttonCheck(control) : 0;
    case kindWholeNumber:
        return parseWholeNumber(controlText(control));
    default:
        return 0;
    }
}

extern "C" {

int32_t FX_Dialog(int32_t resource, DialogProcedure procedure, HWND owner, int32_t one,
                  int32_t zero, uint32_t version) {
    countHostCall(serviceDialog, version);
    Desktop* desktop = activeDesktop();
    checkDialogStart(resource, owner, desktop != nullptr ? desktop->hostWindow : nullptr, one,
                     zero);
    ServiceEvent event;
    event.service = serviceDialog;
    // a host that cannot show the dialog answers at once, having shown nothing
    bool fails = (activeHost != nullptr && activeHost->behaviour.failingDialog) ||
                 hookedAnswer(serviceDialog, 1) == 0;
    event.answer = fails ? 0 : 1;
    logServiceEvent(event);
    if (fails || desktop == nullptr)
        return 0;
    if (resource != mainDialogResource || procedure == nullptr || desktop->dialog != nullptr)
        return 0;
    desktop->procedure = procedure;
    desktop->dialogEnded = false;
    bool shown = showModalDialog(owner);
    desktop->dialog = nullptr;
    desktop->procedure = nullptr;
    return shown ? 1 : 0;
}

int32_t FX_EndDialog(HWND window, uint32_t version) {
    countHostCall(serviceEndDialog, version);
    ServiceEvent event;
    event.service = serviceEndDialog;
    logServiceEvent(event);
    if (!isOpenDialog(serviceEndDialog, window))
        return 0;
    Desktop& desktop = activeHost->desktop;
    if (!desktop.dialogEnded && desktop.onEnded)
        runHook("the end-of-dialog hook", [&] { desktop.onEnded(window); });
    desktop.dialogEnded = true;
    endModalDialog(window);
    return 1;
}

int32_t FX_EnableDlgItem(HWND window, int32_t item, int32_t enable, uint32_t version) {
    countHostCall(serviceEnableDlgItem, version);
    checkEnableFlag(item, enable);
    HWND control = dialogItem(serviceEnableDlgItem, window, item);
    if (control == nullptr)
        return 0;
    enableDialogControl(control, enable != 0);
    return 1;
}

int32_t FX_GetDlgItemVal(HWND window, int32_t item, int32_t kind, uint32_t version) {
    countHostCall(serviceGetDlgItemVal, version);
    HWND control = dialogItem(serviceGetDlgItemVal, window, item);
    if (control == nullptr)
        return 0;
    ControlKind controlKind = controlKindOf(control);
    checkItemKind(serviceGetDlgItemVal, item, controlKind, kind);
    return hookedAnswer(serviceGetDlgItemVal, controlValue(control, controlKind, kind));
}

int32_t FX_SetDlgItemVal(HWND window, int32_t item, int32_t kind, int32_t value, uint32_t version) {
    countHostCall(serviceSetDlgItemVal, version);
    HWND control = dialogItem(serviceSetDlgItemVal, window, item);
    if (control == nullptr)
        return 0;
    ControlKind controlKind = controlKindOf(control);
    checkItemValue(item, kind, value);
    checkItemKind(serviceSetDlgItemVal, item, controlKind, kind);
    switch (kind) {
    case kindComboBox:
        if (controlKind != ControlKind::comboBox)
            return 0;
        // an entry the list does not hold leaves it with no selection
        selectComboEntry(control, comboEntryOfValue(value));
        return 1;
    case kindCheckBox:
    case kindRadioButton:
        if (!isButtonWithCheck(controlKind))
            return 0;
        // only this button changes, even in a group of radio buttons
        setButtonCheck(control, value != 0);
        return 1;
    case kindWholeNumber:
        setControlText(control, std::to_string(value));
        return 1;
    default:
        return 0;
    }
}

int32_t FX_GetDlgItemUser(HWND window, int32_t item, int32_t unit, double* value,
                          uint32_t version) {
    countHostCall(serviceGetDlgItemUser, version);
    HWND control = dialogItem(serviceGetDlgItemUser, window, item);
    ControlKind controlKind = control != nullptr ? controlKindOf(control) : ControlKind::label;
    checkUnitItem(serviceGetDlgItemUser, item, control != nullptr ? &controlKind : nullptr, unit);
    if (control == nullptr || value == nullptr)
        return 0;
    double read = 0;
    bool readable = readUnitField(controlText(control), unit, read);
    if (activeHost->answers.unitValue)
        readable = activeHost->answers.unitValue(read, readable);
    if (!readable)
        return 0;
    *value = read;
    return 1;
}

int32_t FX_SetDlgItemUser(HWND window, int32_t item, int32_t unit, double value, uint32_t version) {
    countHostCall(serviceSetDlgItemUser, version);
    HWND control = dialogItem(serviceSetDlgItemUser, window, item);
    ControlKind controlKind = control != nullptr ? controlKindOf(control) : ControlKind::label;
    checkUnitItem(serviceSetDlgItemUser, item, control != nullptr ? &controlKind : nullptr, unit);
    if (control == nullptr)
        return 0;
    setControlText(control, unitFieldText(value, unit));
    return 1;
}

int32_t FX_SetDlgString(HWND window, int32_t item, const char* text, uint32_t version) {
    countHostCall(serviceSetDlgString, version);
    HWND control = dialogItem(serviceSetDlgString, window, item);
    if (control == nullptr)
        return 0;
    setControlText(control, text != nullptr ? text : "");
    return 1;
}

int32_t FX_SetDlgFocus(HWND window, int32_t item, uint32_t version) {
    countHostCall(serviceSetDlgFocus, version);
    HWND control = dialogItem(serviceSetDlgFocus, window, item);
    if (control == nullptr)
        return 0;
    return focusDialogControl(control) ? 1 : 0;
}
}

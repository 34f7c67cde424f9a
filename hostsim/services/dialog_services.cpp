// The host's dialog services, acting on the substitute host's headless dialog.
#include "host/services.h"
#include "resource/win32_constants.h"
#include "services/dialog_service_rules.h"
#include "services/dialog_units.h"
#include "session/contract.h"
#include "session/host_session.h"
#include "win32/desktop.h"

#include <string>

// The open dialog that `window` names; null when it names none. The strict host notes a
// window that is not the open dialog, and the dialog after FX_EndDialog, against `service`.
static HeadlessDialog* namedDialog(HostService service, HWND window) {
    int windowIndex = -1;
    HeadlessDialog* dialog = findOpenWindow(window, windowIndex);
    if (dialog == nullptr || windowIndex != -1) {
        checkDialogWindow(service, DialogWindow::other);
        return nullptr;
    }
    checkDialogWindow(service, dialog->ended ? DialogWindow::ended : DialogWindow::open);
    return dialog;
}

// The first control with ID `item` in the open dialog that `window` names, with its index in
// `index`; null when the window is not the open dialog or no control has the ID.
static HeadlessControl* dialogItem(HostService service, HWND window, int32_t item, int& index) {
    HeadlessDialog* dialog = namedDialog(service, window);
    if (dialog == nullptr)
        return nullptr;
    index = findControlById(*dialog, item);
    checkControlFound(service, item, index >= 0);
    return index >= 0 ? &dialog->controls[index] : nullptr;
}

static HeadlessControl* dialogItem(HostService service, HWND window, int32_t item) {
    int index = -1;
    return dialogItem(service, window, item, index);
}

static bool isButtonWithCheck(const HeadlessControl& control) {
    return control.kind == ControlKind::checkBox || control.kind == ControlKind::radioButton;
}

// What FX_GetDlgItemVal reads from `control` by `kind`; 0 for a kind the control has not.
static int32_t controlValue(const HeadlessControl& control, int32_t kind) {
    switch (kind) {
    case kindComboBox:
        return control.kind == ControlKind::comboBox ? control.comboSelection + 1 : 0;
    case kindCheckBox:
    case kindRadioButton:
        return isButtonWithCheck(control) ? control.checked : 0;
    case kindWholeNumber:
        return parseWholeNumber(control.text);
    default:
        return 0;
    }
}

extern "C" {

int32_t FX_Dialog(int32_t resource, DialogProcedure procedure, HWND owner, int32_t one,
                  int32_t zero, uint32_t version) {
    countHostCall(serviceDialog, version);
    checkDialogStart(resource, owner, hostWindowHandle(), one, zero);
    ServiceEvent event;
    event.service = serviceDialog;
    // a host that cannot show the dialog answers at once, having shown nothing
    bool fails = (activeHost != nullptr && activeHost->behaviour.failingDialog) ||
                 hookedAnswer(serviceDialog, 1) == 0;
    event.answer = fails ? 0 : 1;
    logServiceEvent(event);
    if (fails)
        return 0;
    if (resource != mainDialogResource || procedure == nullptr || desktop.openDialog != nullptr)
        return 0;
    HeadlessDialog dialog;
    createDialog(dialog, mainDialogTemplate(), procedure, owner);
    desktop.openDialog = &dialog;
    initializeDialog(dialog);
    if (desktop.onOpened)
        runHook("the user's actions", [&] { desktop.onOpened(dialog); });
    // the modal loop ends when the user is done: the host presses Escape for a dialog left open
    if (!dialog.ended)
        userPressEscape(dialog);
    desktop.openDialog = nullptr;
    return 1;
}

int32_t FX_EndDialog(HWND window, uint32_t version) {
    countHostCall(serviceEndDialog, version);
    ServiceEvent event;
    event.service = serviceEndDialog;
    logServiceEvent(event);
    HeadlessDialog* dialog = namedDialog(serviceEndDialog, window);
    if (dialog == nullptr)
        return 0;
    if (!dialog->ended && desktop.onEnded)
        runHook("the end-of-dialog hook", [&] { desktop.onEnded(*dialog); });
    dialog->ended = true;
    return 1;
}

int32_t FX_EnableDlgItem(HWND window, int32_t item, int32_t enable, uint32_t version) {
    countHostCall(serviceEnableDlgItem, version);
    checkEnableFlag(item, enable);
    int index = -1;
    if (dialogItem(serviceEnableDlgItem, window, item, index) == nullptr)
        return 0;
    enableControl(*desktop.openDialog, index, enable != 0);
    return 1;
}

int32_t FX_GetDlgItemVal(HWND window, int32_t item, int32_t kind, uint32_t version) {
    countHostCall(serviceGetDlgItemVal, version);
    HeadlessControl* control = dialogItem(serviceGetDlgItemVal, window, item);
    if (control == nullptr)
        return 0;
    checkItemKind(serviceGetDlgItemVal, item, control->kind, kind);
    return hookedAnswer(serviceGetDlgItemVal, controlValue(*control, kind));
}

int32_t FX_SetDlgItemVal(HWND window, int32_t item, int32_t kind, int32_t value, uint32_t version) {
    countHostCall(serviceSetDlgItemVal, version);
    int index = -1;
    HeadlessControl* control = dialogItem(serviceSetDlgItemVal, window, item, index);
    if (control == nullptr)
        return 0;
    checkItemValue(item, kind, value);
    checkItemKind(serviceSetDlgItemVal, item, control->kind, kind);
    switch (kind) {
    case kindComboBox: {
        if (control->kind != ControlKind::comboBox)
            return 0;
        // an entry the list does not hold leaves it with no selection
        WPARAM entry = static_cast<WPARAM>(comboEntryOfValue(value));
        sendControlMessage(*desktop.openDialog, index, CB_SETCURSEL, entry, 0);
        return 1;
    }
    case kindCheckBox:
    case kindRadioButton:
        if (!isButtonWithCheck(*control))
            return 0;
        // only this button changes, even in a group of radio buttons
        sendControlMessage(*desktop.openDialog, index, BM_SETCHECK, value != 0 ? 1 : 0, 0);
        return 1;
    case kindWholeNumber:
        setControlText(*control, std::to_string(value));
        return 1;
    default:
        return 0;
    }
}

int32_t FX_GetDlgItemUser(HWND window, int32_t item, int32_t unit, double* value,
                          uint32_t version) {
    countHostCall(serviceGetDlgItemUser, version);
    HeadlessControl* control = dialogItem(serviceGetDlgItemUser, window, item);
    checkUnitItem(serviceGetDlgItemUser, item, control != nullptr ? &control->kind : nullptr, unit);
    if (control == nullptr || value == nullptr)
        return 0;
    double read = 0;
    bool readable = readUnitField(control->text, unit, read);
    if (activeHost != nullptr && activeHost->answers.unitValue)
        readable = activeHost->answers.unitValue(read, readable);
    if (!readable)
        return 0;
    *value = read;
    return 1;
}

int32_t FX_SetDlgItemUser(HWND window, int32_t item, int32_t unit, double value, uint32_t version) {
    countHostCall(serviceSetDlgItemUser, version);
    HeadlessControl* control = dialogItem(serviceSetDlgItemUser, window, item);
    checkUnitItem(serviceSetDlgItemUser, item, control != nullptr ? &control->kind : nullptr, unit);
    if (control == nullptr)
        return 0;
    setControlText(*control, unitFieldText(value, unit));
    return 1;
}

int32_t FX_SetDlgString(HWND window, int32_t item, const char* text, uint32_t version) {
    countHostCall(serviceSetDlgString, version);
    HeadlessControl* control = dialogItem(serviceSetDlgString, window, item);
    if (control == nullptr)
        return 0;
    setControlText(*control, text != nullptr ? text : "");
    return 1;
}

int32_t FX_SetDlgFocus(HWND window, int32_t item, uint32_t version) {
    countHostCall(serviceSetDlgFocus, version);
    int index = -1;
    HeadlessControl* control = dialogItem(serviceSetDlgFocus, window, item, index);
    // as SetFocus, which refuses a disabled window: the focus stays where it is
    if (control == nullptr || !control->enabled)
        return 0;
    desktop.openDialog->focus = index;
    return 1;
}
}

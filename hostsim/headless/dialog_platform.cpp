// The dialog services' platform on the headless dialog: the plug-in's dialog built from its
// template, run "modally" by letting the desktop's hook act on it, and its controls.
#include "services/dialog_platform.h"
#include "headless/desktop.h"
#include "resource/win32_constants.h"
#include "session/host_session.h"

// The control a handle of the open dialog names. The handles come from dialogControl.
static HeadlessControl& controlOf(HWND control) {
    return control->dialog->controls[static_cast<size_t>(control->index)];
}

bool showModalDialog(HWND owner) {
    Desktop& desktop = activeHost->desktop;
    HeadlessDialog dialog;
    createDialog(dialog, mainDialogTemplate(), desktop.procedure, owner);
    desktop.dialog = &dialog.window;
    initializeDialog(dialog);
    if (desktop.onOpened)
        runHook("the user's actions", [&] { desktop.onOpened(&dialog.window); });
    // the modal loop ends when the user is done: the host presses Escape for a dialog left open
    if (!dialog.ended)
        userPressEscape(dialog);
    return true;
}

void endModalDialog(HWND dialog) {
    dialog->dialog->ended = true;
}

HWND dialogControl(HWND dialog, int32_t item) {
    int index = findControlById(*dialog->dialog, item);
    return index >= 0 ? &dialog->dialog->controls[static_cast<size_t>(index)].window : nullptr;
}

ControlKind controlKindOf(HWND control) {
    return controlOf(control).kind;
}

std::string controlText(HWND control) {
    return controlOf(control).text;
}

void setControlText(HWND control, const std::string& text) {
    setControlText(controlOf(control), text);
}

int32_t comboSelection(HWND control) {
    return controlOf(control).comboSelection;
}

void selectComboEntry(HWND control, int32_t entry) {
    sendControlMessage(*control->dialog, control->index, CB_SETCURSEL, static_cast<WPARAM>(entry),
                       0);
}

int32_t buttonCheck(HWND control) {
    return controlOf(control).checked;
}

void setButtonCheck(HWND control, bool checked) {
    sendControlMessage(*control->dialog, control->index, BM_SETCHECK, checked ? 1 : 0, 0);
}

void enableDialogControl(HWND control, bool enable) {
    enableControl(*control->dialog, control->index, enable);
}

bool focusDialogControl(HWND control) {
    // as SetFocus, which refuses a disabled window: the focus stays where it is
    if (!controlOf(control).enabled)
        return false;
    control->dialog->focus = control->index;
    return true;
}

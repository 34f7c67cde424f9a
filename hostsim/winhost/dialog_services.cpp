// The host's dialog services on real Win32 windows: FX_Dialog runs the plug-in's dialog resource
// as a modal dialog, the others read and change its controls.
#include "host/services.h"
#include "resource/resource_script.h"
#include "services/dialog_service_rules.h"
#include "services/dialog_units.h"
#include "session/contract.h"
#include "session/host_session.h"
#include "winhost/real_dialog.h"

#include <string>

RealDesktop realDesktop;

// Posted to the dialog once it is initialised: the modal loop then lets the user act.
static const UINT playMessage = WM_APP + 1;

// The first control with ID `item` in the open dialog, as GetDlgItem finds it; null when
// `window` is not the open dialog or no control has the ID. The strict host notes a window that
// is not the open dialog, the dialog after FX_EndDialog, and a missing control, against
// `service`.
static HWND dialogItem(HostService service, HWND window, int32_t item) {
    if (window == nullptr || window != realDesktop.dialog) {
        checkDialogWindow(service, DialogWindow::other);
        return nullptr;
    }
    checkDialogWindow(service, realDesktop.ended ? DialogWindow::ended : DialogWindow::open);
    HWND control = GetDlgItem(window, item);
    checkControlFound(service, item, control != nullptr);
    return control;
}

// What the control is, by its real class and style.
static ControlKind kindOf(HWND control) {
    char name[64] = "";
    GetClassNameA(control, name, sizeof name);
    ControlTemplate source;
    source.className = name;
    for (const char* known : {"Button", "Edit", "Static", "ListBox", "ComboBox"})
        if (lstrcmpiA(name, known) == 0)
            source.className = known;
    source.style = static_cast<uint32_t>(GetWindowLongA(control, GWL_STYLE));
    return controlKind(source);
}

static bool isButtonWithCheck(HWND control) {
    ControlKind kind = kindOf(control);
    return kind == ControlKind::checkBox || kind == ControlKind::radioButton;
}

// The dialog procedure the host gives Win32: the plug-in's procedure, called with the C
// calling convention and its fifth argument, plus the host's own message that starts the play.
static INT_PTR CALLBACK hostDialogProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    if (message == playMessage && window == realDesktop.dialog) {
        if (!realDesktop.ended && realDesktop.onOpened)
            runHook("the user's actions", [&] { realDesktop.onOpened(window); });
        // the modal loop ends when the user is done: the host presses Escape for a dialog left
        // open, and ends a dialog that does not close on Escape
        pressEscape(window);
        if (!realDesktop.ended) {
            realDesktop.ended = true;
            EndDialog(window, 0);
        }
        return TRUE;
    }
    if (message == WM_INITDIALOG) {
        realDesktop.dialog = window;
        watchControls(window);
        // a dialog that nobody plays is the person's at the screen: nothing is pressed for them
        if (realDesktop.onOpened)
            PostMessageA(window, playMessage, 0, 0);
    }
    if (realDesktop.procedure == nullptr)
        return FALSE;
    return realDesktop.procedure(window, message, wParam, lParam, 0);
}

extern "C" {

int32_t FX_Dialog(int32_t resource, DialogProcedure procedure, HWND owner, int32_t one,
                  int32_t zero, uint32_t version) {
    countHostCall(serviceDialog, version);
    checkDialogStart(resource, owner, realDesktop.hostWindow, one, zero);
    ServiceEvent event;
    event.service = serviceDialog;
    // a host that cannot show the dialog answers at once, having shown nothing
    bool fails = activeHost != nullptr && activeHost->behaviour.failingDialog;
    event.answer = fails ? 0 : 1;
    logServiceEvent(event);
    if (fails)
        return 0;
    if (resource != mainDialogResource || procedure == nullptr || realDesktop.dialog != nullptr)
        return 0;
    realDesktop.procedure = procedure;
    realDesktop.ended = false;
    INT_PTR result = DialogBoxParamA(realDesktop.plugin, MAKEINTRESOURCEA(resource), owner,
                                     hostDialogProcedure, 0);
    if (result == -1)
        realDesktop.failure = "the dialog could not be created (error " +
                              std::to_string(GetLastError()) + "); under Wine, is there a display?";
    realDesktop.dialog = nullptr;
    realDesktop.procedure = nullptr;
    return result == -1 ? 0 : 1;
}

int32_t FX_EndDialog(HWND window, uint32_t version) {
    countHostCall(serviceEndDialog, version);
    ServiceEvent event;
    event.service = serviceEndDialog;
    logServiceEvent(event);
    if (window == nullptr || window != realDesktop.dialog) {
        checkDialogWindow(serviceEndDialog, DialogWindow::other);
        return 0;
    }
    checkDialogWindow(serviceEndDialog,
                      realDesktop.ended ? DialogWindow::ended : DialogWindow::open);
    if (!realDesktop.ended && realDesktop.onEnded)
        runHook("the end-of-dialog hook", [&] { realDesktop.onEnded(window); });
    realDesktop.ended = true;
    EndDialog(window, 1);
    return 1;
}

int32_t FX_EnableDlgItem(HWND window, int32_t item, int32_t enable, uint32_t version) {
    countHostCall(serviceEnableDlgItem, version);
    checkEnableFlag(item, enable);
    HWND control = dialogItem(serviceEnableDlgItem, window, item);
    if (control == nullptr)
        return 0;
    EnableWindow(control, enable != 0);
    return 1;
}

int32_t FX_GetDlgItemVal(HWND window, int32_t item, int32_t kind, uint32_t version) {
    countHostCall(serviceGetDlgItemVal, version);
    HWND control = dialogItem(serviceGetDlgItemVal, window, item);
    if (control == nullptr)
        return 0;
    checkItemKind(serviceGetDlgItemVal, item, kindOf(control), kind);
    switch (kind) {
    case kindComboBox:
        if (kindOf(control) != ControlKind::comboBox)
            return 0;
        return static_cast<int32_t>(SendMessageA(control, CB_GETCURSEL, 0, 0)) + 1;
    case kindCheckBox:
    case kindRadioButton:
        if (!isButtonWithCheck(control))
            return 0;
        return static_cast<int32_t>(SendMessageA(control, BM_GETCHECK, 0, 0));
    case kindWholeNumber:
        return parseWholeNumber(windowText(control));
    default:
        return 0;
    }
}

int32_t FX_SetDlgItemVal(HWND window, int32_t item, int32_t kind, int32_t value, uint32_t version) {
    countHostCall(serviceSetDlgItemVal, version);
    HWND control = dialogItem(serviceSetDlgItemVal, window, item);
    if (control == nullptr)
        return 0;
    checkItemValue(item, kind, value);
    checkItemKind(serviceSetDlgItemVal, item, kindOf(control), kind);
    switch (kind) {
    case kindComboBox: {
        if (kindOf(control) != ControlKind::comboBox)
            return 0;
        // an entry the list does not hold leaves it with no selection
        WPARAM entry = static_cast<WPARAM>(comboEntryOfValue(value));
        SendMessageA(control, CB_SETCURSEL, entry, 0);
        return 1;
    }
    case kindCheckBox:
    case kindRadioButton:
        if (!isButtonWithCheck(control))
            return 0;
        // only this button changes, even in a group of radio buttons
        SendMessageA(control, BM_SETCHECK, value != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
        return 1;
    case kindWholeNumber:
        SetWindowTextA(control, std::to_string(value).c_str());
        return 1;
    default:
        return 0;
    }
}

int32_t FX_GetDlgItemUser(HWND window, int32_t item, int32_t unit, double* value,
                          uint32_t version) {
    countHostCall(serviceGetDlgItemUser, version);
    HWND control = dialogItem(serviceGetDlgItemUser, window, item);
    ControlKind kind = control != nullptr ? kindOf(control) : ControlKind::label;
    checkUnitItem(serviceGetDlgItemUser, item, control != nullptr ? &kind : nullptr, unit);
    if (control == nullptr || value == nullptr || !readUnitField(windowText(control), unit, *value))
        return 0;
    return 1;
}

int32_t FX_SetDlgItemUser(HWND window, int32_t item, int32_t unit, double value, uint32_t version) {
    countHostCall(serviceSetDlgItemUser, version);
    HWND control = dialogItem(serviceSetDlgItemUser, window, item);
    ControlKind kind = control != nullptr ? kindOf(control) : ControlKind::label;
    checkUnitItem(serviceSetDlgItemUser, item, control != nullptr ? &kind : nullptr, unit);
    if (control == nullptr)
        return 0;
    SetWindowTextA(control, unitFieldText(value, unit).c_str());
    return 1;
}

int32_t FX_SetDlgString(HWND window, int32_t item, const char* text, uint32_t version) {
    countHostCall(serviceSetDlgString, version);
    HWND control = dialogItem(serviceSetDlgString, window, item);
    if (control == nullptr)
        return 0;
    SetWindowTextA(control, text != nullptr ? text : "");
    return 1;
}

int32_t FX_SetDlgFocus(HWND window, int32_t item, uint32_t version) {
    countHostCall(serviceSetDlgFocus, version);
    HWND control = dialogItem(serviceSetDlgFocus, window, item);
    if (control == nullptr)
        return 0;
    SetFocus(control);
    return 1;
}
}

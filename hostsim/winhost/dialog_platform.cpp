// The dialog services' platform on real Win32 windows: the plug-in's dialog resource run as a
// modal dialog, and its controls.
#include "services/dialog_platform.h"
#include "resource/resource_script.h"
#include "session/host_session.h"
#include "winhost/real_dialog.h"

#include <string>

// Posted to the dialog once it is initialised: the modal loop then lets the user act.
static const UINT playMessage = WM_APP + 1;

// The dialog procedure the host gives Win32: the plug-in's procedure, called with the C
// calling convention and its fifth argument, plus the host's own message that starts the play.
static INT_PTR CALLBACK hostDialogProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    Desktop& desktop = activeHost->desktop;
    if (message == playMessage && window == desktop.dialog) {
        if (!desktop.dialogEnded && desktop.onOpened)
            runHook("the user's actions", [&] { desktop.onOpened(window); });
        // the modal loop ends when the user is done: the host presses Escape for a dialog left
        // open, and ends a dialog that does not close on Escape
        pressEscape(window);
        if (!desktop.dialogEnded) {
            desktop.dialogEnded = true;
            EndDialog(window, 0);
        }
        return TRUE;
    }
    if (message == WM_INITDIALOG) {
        desktop.dialog = window;
        watchControls(window);
        // a dialog that nobody plays is the person's at the screen: nothing is pressed for them
        if (desktop.onOpened)
            PostMessageA(window, playMessage, 0, 0);
    }
    if (desktop.procedure == nullptr)
        return FALSE;
    return desktop.procedure(window, message, wParam, lParam, 0);
}

bool showModalDialog(HWND owner) {
    Desktop& desktop = activeHost->desktop;
    INT_PTR result =
        DialogBoxParamA(static_cast<HMODULE>(desktop.pluginModule),
                        MAKEINTRESOURCEA(mainDialogResource), owner, hostDialogProcedure, 0);
    if (result != -1)
        return true;
    desktop.failure = "the dialog could not be created (error " + std::to_string(GetLastError()) +
                      "); under Wine, is there a display?";
    return false;
}

void endModalDialog(HWND dialog) {
    EndDialog(dialog, 1);
}

HWND dialogControl(HWND dialog, int32_t item) {
    return GetDlgItem(dialog, item);
}

ControlKind controlKindOf(HWND control) {
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

std::string controlText(HWND control) {
    return windowText(control);
}

void setControlText(HWND control, const std::string& text) {
    SetWindowTextA(control, text.c_str());
}

int32_t comboSelection(HWND control) {
    return static_cast<int32_t>(SendMessageA(control, CB_GETCURSEL, 0, 0));
}

void selectComboEntry(HWND control, int32_t entry) {
    SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
}

int32_t buttonCheck(HWND control) {
    return static_cast<int32_t>(SendMessageA(control, BM_GETCHECK, 0, 0));
}

void setButtonCheck(HWND control, bool checked) {
    SendMessageA(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void enableDialogControl(HWND control, bool enable) {
    EnableWindow(control, enable);
}

bool focusDialogControl(HWND control) {
    SetFocus(control);
    return true;
}

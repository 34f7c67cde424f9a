// What the host's dialog services need of the platform that shows the dialog: lumbrel-host's
// headless controls (headless/dialog_platform.cpp) or lumbrel-winhost's real Win32 controls
// (winhost/dialog_platform.cpp). The services keep the host's rules (the contract's checks, the
// unit conversion, the answer hooks, the call counts) and reach the dialog only through these.
// The open dialog, its procedure and whether it has ended are the active session's desktop's.
#pragma once

#include "host/services.h"
#include "resource/resource_script.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

// The one dialog resource the host can show: the plug-in's main dialog.
constexpr int32_t mainDialogResource = 20128;

// Shows the plug-in's dialog resource modally with the desktop's procedure, owned by `owner`:
// makes it the desktop's dialog, initialises it, lets the desktop's onOpened hook act, presses
// Escape for a dialog still open after it, and returns once the dialog has gone. False, with the
// reason in the desktop's failure, when the dialog could not be created.
bool showModalDialog(HWND owner);

// Ends the open dialog, as EndDialog does.
void endModalDialog(HWND dialog);

// The first control with ID `item` of the open dialog, as GetDlgItem finds it; null when none.
HWND dialogControl(HWND dialog, int32_t item);

// What the control is, by its class and style.
ControlKind controlKindOf(HWND control);

// The control's text, and its text set as WM_SETTEXT sets it.
std::string controlText(HWND control);
void setControlText(HWND control, const std::string& text);

// A combo box's selected entry (0-based, -1 when none), and the entry selected as CB_SETCURSEL
// does (one the list does not hold leaves it with none).
int32_t comboSelection(HWND control);
void selectComboEntry(HWND control, int32_t entry);

// A check box's or radio button's check, and the check set as BM_SETCHECK does: only this
// button changes, even in a group of radio buttons.
int32_t buttonCheck(HWND control);
void setButtonCheck(HWND control, bool checked);

// Enables or disables the control as EnableWindow does.
void enableDialogControl(HWND control, bool enable);

// Gives the control the focus as SetFocus does; false when it refused it.
bool focusDialogControl(HWND control);

// Runs a hook of the host (the user's actions, the end-of-dialog snapshot). The hooks run from
// inside the plug-in's calls: nothing may be thrown through the plug-in, so a failing hook ends
// the host.
template <typename Hook> void runHook(const char* what, Hook hook) {
    try {
        hook();
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "substitute host: %s failed: %s\n", what, failure.what());
        std::abort();
    } catch (...) {
        std::fprintf(stderr, "substitute host: %s failed\n", what);
        std::abort();
    }
}

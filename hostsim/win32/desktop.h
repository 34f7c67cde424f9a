// The substitute host's desktop: its own window, the dialog open on it, the message boxes shown
// and the answers the user will give them, and the hooks through which a scenario plays the
// user's part while the modal dialog runs.
#pragma once

#include "platform/host_platform.h"
#include "win32/dialog_window.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

struct Desktop {
    HWND__ hostWindow{nullptr, -1}; // the host's main window, handed to FinaleExtensionInvoke
    HeadlessDialog* openDialog = nullptr;
    std::vector<MessageEvent> messages;
    std::deque<std::string> answers; // "yes"/"no" for each question box in turn; then "no"
    bool snapshots = true;           // whether playing an invocation records the dialog's snapshots
    // Called by FX_Dialog once WM_INITDIALOG has been handled; the user acts here. When it
    // returns and the dialog is still open, the host presses Escape.
    std::function<void(HeadlessDialog&)> onOpened;
    // Called by FX_EndDialog before the dialog goes away.
    std::function<void(const HeadlessDialog&)> onEnded;
};

// The one desktop of this run of the host.
extern Desktop desktop;

// No dialog, no messages, no answers, no hooks.
void resetDesktop();

// The host window as a handle.
HWND hostWindowHandle();

// The open dialog when `window` is its handle or the handle of one of its controls, with the
// control's index in `index` (-1 for the dialog itself). Null for any other handle: the host
// window, null, or a handle of a dialog that has gone.
HeadlessDialog* findOpenWindow(HWND window, int& index);

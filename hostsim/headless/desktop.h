// The headless platform's desktop, as the active session holds it: the host's own window, and
// the handles of the dialog open on it and of its controls.
#pragma once

#include "headless/dialog_window.h"

// The host's window as a handle: the same for every session.
HWND hostWindowHandle();

// The open dialog of the active session when `window` is its handle or the handle of one of its
// controls, with the control's index in `index` (-1 for the dialog itself). Null for any other
// handle: the host window, null, or a handle of a dialog that has gone, and while no session is
// active.
HeadlessDialog* findOpenWindow(HWND window, int& index);

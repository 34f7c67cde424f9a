#include "headless/desktop.h"

#include "session/host_session.h"

// The host's window: a handle that names no dialog. Never written.
static const HWND__ hostWindow{nullptr, -1};

HWND hostWindowHandle() {
    return const_cast<HWND>(&hostWindow);
}

HeadlessDialog* findOpenWindow(HWND window, int& index) {
    index = -1;
    if (activeHost == nullptr || activeHost->desktop.dialog == nullptr || window == nullptr)
        return nullptr;
    HeadlessDialog* dialog = activeHost->desktop.dialog->dialog;
    // handles are compared, never followed: a stale one must not be read
    if (window == &dialog->window)
        return dialog;
    for (size_t i = 0; i < dialog->controls.size(); ++i) {
        if (window == &dialog->controls[i].window) {
            index = static_cast<int>(i);
            return dialog;
        }
    }
    return nullptr;
}

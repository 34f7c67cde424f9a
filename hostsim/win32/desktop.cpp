#include "win32/desktop.h"

Desktop desktop;

void resetDesktop() {
    desktop.openDialog = nullptr;
    desktop.messages.clear();
    desktop.answers.clear();
    desktop.onOpened = nullptr;
    desktop.onEnded = nullptr;
    desktop.snapshots = true;
}

HWND hostWindowHandle() {
    return &desktop.hostWindow;
}

HeadlessDialog* findOpenWindow(HWND window, int& index) {
    HeadlessDialog* dialog = desktop.openDialog;
    index = -1;
    if (dialog == nullptr || window == nullptr)
        return nullptr;
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

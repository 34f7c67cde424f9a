#include "winhost/message_pictures.h"

#include "winhost/dialog_picture.h"

std::string messagePicturePattern;

// Handles the thread's messages for `milliseconds`: the box paints itself and its buttons, and
// Wine brings the painting to the screen. No user acts meanwhile: only painting and timers run.
static void handleMessages(DWORD milliseconds) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// What the screen shows of the box once it is all there: the screen may show a window that is
// still being drawn, so the box is taken again until two pictures in a row agree (two seconds at
// most).
static WindowPicture settledPicture(HWND box) {
    WindowPicture last = captureWindow(box);
    for (int attempt = 0; attempt < 40; ++attempt) {
        handleMessages(50);
        WindowPicture next = captureWindow(box);
        if (next.rgb == last.rgb && next.width == last.width)
            return next;
        last = std::move(next);
    }
    return last;
}

void takeMessageBoxPicture(HWND box, std::vector<PlatformFile>& files, std::string& failure) {
    static int saved = 0;
    if (messagePicturePattern.empty())
        return;
    std::string path = messagePicturePattern;
    size_t number = path.find("%d");
    if (number == std::string::npos)
        return;
    path.replace(number, 2, std::to_string(++saved));
    PlatformFile file;
    if (pictureFile(settledPicture(box), path, file, failure))
        files.push_back(std::move(file));
}

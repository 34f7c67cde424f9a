// desktop_user.exe: keeps the Wine desktop of a test session open for as long as it runs. Wine
// closes a desktop a second after the last program that uses it has ended, and a program that
// starts while it closes can't create its windows; a test session starts this one, which uses
// the desktop through a hidden window and waits, and ends it with the session.
#include <windows.h>

int main() {
    HWND hidden = CreateWindowExA(0, "STATIC", "desktop_user", WS_POPUP, 0, 0, 1, 1, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    if (hidden == nullptr)
        return 2;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}

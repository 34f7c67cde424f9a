// dialog_metrics.exe DLL: what the tests that click on the plug-in's dialog need to turn its
// dialog units into pixels. It creates the dialog from the DLL's own resource, hidden, as the
// dialog manager creates it for lumbrel-winhost, and prints one line of JSON:
//   {"baseUnits": [x, y], "clientOffset": [dx, dy], "listItemHeight": h}
// baseUnits: the dialog's own base units (MapDialogRect of 4 x 8 dialog units); clientOffset:
// where its client area starts within its window (frame and caption); listItemHeight: the
// height of an entry of its instrument list. Exit status 2 when the dialog can't be created.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <vector>

static INT_PTR CALLBACK ignoreMessages(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dialog_metrics.exe PLUGIN.dll\n");
        return 2;
    }
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    HMODULE plugin = LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found =
        plugin != nullptr ? FindResourceA(plugin, MAKEINTRESOURCEA(20128), RT_DIALOG) : nullptr;
    HGLOBAL loaded = found != nullptr ? LoadResource(plugin, found) : nullptr;
    if (loaded == nullptr) {
        std::fprintf(stderr, "%s: no dialog 20128 (error %lu)\n", argv[1], GetLastError());
        return 2;
    }
    // the template as it is, but not shown
    const auto* bytes = static_cast<const BYTE*>(LockResource(loaded));
    std::vector<BYTE> copy(bytes, bytes + SizeofResource(plugin, found));
    auto* frame = reinterpret_cast<DLGTEMPLATE*>(copy.data());
    frame->style &= ~static_cast<DWORD>(WS_VISIBLE);
    HWND dialog =
        CreateDialogIndirectParamA(GetModuleHandleA(nullptr), frame, nullptr, ignoreMessages, 0);
    if (dialog == nullptr) {
        std::fprintf(stderr, "the dialog could not be created (error %lu); is there a display?\n",
                     GetLastError());
        return 2;
    }
    RECT units = {0, 0, 4, 8};
    MapDialogRect(dialog, &units);
    RECT window;
    GetWindowRect(dialog, &window);
    POINT client = {0, 0};
    ClientToScreen(dialog, &client);
    LRESULT itemHeight = SendDlgItemMessageA(dialog, 102, LB_GETITEMHEIGHT, 0, 0);
    std::printf("{\"baseUnits\": [%ld, %ld], \"clientOffset\": [%ld, %ld], "
                "\"listItemHeight\": %ld}\n",
                units.right, units.bottom, client.x - window.left, client.y - window.top,
                static_cast<long>(itemHeight));
    DestroyWindow(dialog);
    return 0;
}

// lumbrel-winhost's platform: the real Win32 dialog, the real message boxes (answered as the
// scenario says) and the real registry of the Wine prefix.
#include "play/platform.h"

#include "play/plugin_library.h"
#include "play/scenario.h"
#include "session/host_session.h"
#include "winhost/dialog_picture.h"
#include "winhost/message_pictures.h"
#include "winhost/real_dialog.h"

#include <string>

bool openDesktop(std::string& failure) {
    Desktop& desktop = activeHost->desktop;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "LumbrelWinHost";
    RegisterClassA(&windowClass);
    desktop.hostWindow =
        CreateWindowExA(0, "LumbrelWinHost", "lumbrel-winhost", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480,
                        nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (desktop.hostWindow != nullptr)
        return true;
    failure = "the host's window could not be created (error " + std::to_string(GetLastError()) +
              "); under Wine, is there a display?";
    return false;
}

void closeDesktop() {
    Desktop& desktop = activeHost->desktop;
    if (desktop.hostWindow != nullptr)
        DestroyWindow(desktop.hostWindow);
    desktop.hostWindow = nullptr;
}

// The button of the message box with this ID, or null.
static HWND boxButton(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    return button != nullptr && IsWindowVisible(button) ? button : nullptr;
}

// The box's style as its buttons and icon show it.
static uint32_t boxStyle(HWND box) {
    uint32_t style = MB_OK;
    if (boxButton(box, IDYES) != nullptr)
        style = boxButton(box, IDCANCEL) != nullptr ? MB_YESNOCANCEL : MB_YESNO;
    else if (boxButton(box, IDABORT) != nullptr)
        style = MB_ABORTRETRYIGNORE;
    else if (boxButton(box, IDRETRY) != nullptr)
        style = MB_RETRYCANCEL;
    else if (boxButton(box, IDCANCEL) != nullptr)
        style = MB_OKCANCEL;
    const struct {
        LPCSTR icon;
        uint32_t style;
    } icons[] = {{IDI_HAND, MB_ICONHAND},
                 {IDI_QUESTION, MB_ICONQUESTION},
                 {IDI_EXCLAMATION, MB_ICONEXCLAMATION},
                 {IDI_ASTERISK, MB_ICONASTERISK}};
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        HICON shown = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        for (const auto& icon : icons)
            if (shown != nullptr && shown == LoadIconA(nullptr, icon.icon))
                style |= icon.style;
    }
    return style;
}

// The box's message: the longest text among its labels.
static std::string boxText(HWND box) {
    std::string text;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        char className[32] = "";
        GetClassNameA(child, className, sizeof className);
        std::string label = windowText(child);
        if (lstrcmpiA(className, "Static") == 0 && label.size() > text.size())
            text = label;
    }
    return text;
}

// Reads the box that has been activated and presses the button the user would.
static void CALLBACK answerBox(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    Desktop& desktop = activeHost->desktop;
    HWND box = desktop.pendingBox;
    desktop.pendingBox = nullptr;
    if (box == nullptr || !IsWindow(box))
        return;
    MessageEvent event;
    HWND owner = GetWindow(box, GW_OWNER);
    event.owner = owner == desktop.hostWindow                   ? "host"
                  : owner != nullptr && owner == desktop.dialog ? "dialog"
                                                                : "other";
    event.caption = windowText(box);
    event.text = boxText(box);
    event.style = boxStyle(box);
    takeMessageBoxPicture(box, desktop);
    int press = IDOK;
    event.answer = "ok";
    if (boxButton(box, IDYES) != nullptr) {
        event.answer = "no";
        if (!desktop.answers.empty()) {
            event.answer = desktop.answers.front();
            desktop.answers.pop_front();
        }
        press = event.answer == "yes" ? IDYES : IDNO;
    } else if (boxButton(box, IDOK) == nullptr) {
        press = IDCANCEL;
    }
    desktop.messages.push_back(event);
    if (HWND button = boxButton(box, press))
        SendMessageA(button, BM_CLICK, 0, 0);
    else
        EndDialog(box, press);
}

// Notices every message box as it is activated; it is answered from its own modal loop, once it
// is shown.
static LRESULT CALLBACK watchActivation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        char className[16] = "";
        GetClassNameA(window, className, sizeof className);
        Desktop& desktop = activeHost->desktop;
        bool isBox = lstrcmpA(className, "#32770") == 0 && window != desktop.dialog;
        if (isBox && desktop.boxesSeen.insert(window).second) {
            desktop.pendingBox = window;
            SetTimer(nullptr, 0, 0, answerBox);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

InvocationPlay playInvocation(const PluginLibrary& plugin, const ScenarioRun& run,
                              const void* region) {
    Desktop& desktop = activeHost->desktop;
    desktop.messages.clear();
    desktop.answers.assign(run.answers.begin(), run.answers.end());
    desktop.boxesSeen.clear();
    desktop.pendingBox = nullptr;
    desktop.pictures.clear();
    desktop.pictureFailure.clear();
    desktop.pluginModule = plugin.handle;
    desktop.failure.clear();
    InvocationPlay play;
    std::string pictureFailure;
    const ScenarioAction* current = nullptr;
    desktop.onOpened = [&](HWND dialog) {
        play.opened = realDialogSnapshot(dialog);
        if (!desktop.dialogPicturePath.empty()) {
            PlatformFile picture;
            if (pictureFile(captureWindow(dialog), desktop.dialogPicturePath, picture,
                            pictureFailure))
                play.files.push_back(std::move(picture));
            desktop.dialogPicturePath.clear();
        }
        for (; play.actionsPlayed < run.actions.size() && !desktop.dialogEnded;
             ++play.actionsPlayed) {
            current = &run.actions[play.actionsPlayed];
            performAction(dialog, *current);
        }
        current = nullptr; // what ends the dialog from here on is the host's Escape
    };
    desktop.onEnded = [&](HWND dialog) {
        play.closed = realDialogSnapshot(dialog);
        play.closedBy = closedByName(current);
    };
    HHOOK hook = SetWindowsHookExA(WH_CBT, watchActivation, nullptr, GetCurrentThreadId());
    play.result =
        plugin.invoke(desktop.hostWindow, 0, static_cast<const SelectionRegion*>(region), 0);
    if (hook != nullptr)
        UnhookWindowsHookEx(hook);
    desktop.onOpened = nullptr;
    desktop.onEnded = nullptr;
    play.messages = desktop.messages;
    play.files.insert(play.files.end(), desktop.pictures.begin(), desktop.pictures.end());
    play.failure = desktop.failure;
    if (play.failure.empty())
        play.failure = !pictureFailure.empty() ? pictureFailure : desktop.pictureFailure;
    return play;
}

void clearPluginSettings() {
    RegDeleteKeyA(HKEY_CURRENT_USER, pluginSettingsKey);
}

void storePluginSettings(const SavedSettings& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, pluginSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, pluginSettingsValue, 0, value.type, value.data.data(),
                   static_cast<DWORD>(value.data.size()));
    RegCloseKey(key);
}

bool readPluginSettings(SavedSettings& value) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, pluginSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = 0;
    bool found =
        RegQueryValueExA(key, pluginSettingsValue, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    std::vector<uint8_t> data(size);
    if (found && size > 0)
        found = RegQueryValueExA(key, pluginSettingsValue, nullptr, &type, data.data(), &size) ==
                ERROR_SUCCESS;
    RegCloseKey(key);
    if (!found)
        return false;
    data.resize(size);
    value.type = type;
    value.data = data;
    return true;
}

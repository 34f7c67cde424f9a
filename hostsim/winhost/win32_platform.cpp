// lumbrel-winhost's platform: the real Win32 dialog, the real message boxes (answered as the
// scenario says) and the real registry of the Wine prefix.
#include "platform/host_platform.h"

#include "cli/plugin_library.h"
#include "cli/scenario.h"
#include "winhost/dialog_picture.h"
#include "winhost/message_pictures.h"
#include "winhost/real_dialog.h"

#include <deque>
#include <set>
#include <string>

namespace {

// The message boxes of the invocation being played.
struct MessageBoxes {
    std::vector<MessageEvent> shown;
    std::deque<std::string> answers; // "yes"/"no" for each question box in turn; then "no"
    std::set<HWND> seen;
    HWND pending = nullptr;             // a box that has been activated and is yet to be answered
    std::vector<PlatformFile> pictures; // --message-png
    std::string pictureFailure;
};

MessageBoxes boxes;

} // namespace

static HWND hostWindow() {
    if (realDesktop.hostWindow == nullptr) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "LumbrelWinHost";
        RegisterClassA(&windowClass);
        realDesktop.hostWindow =
            CreateWindowExA(0, "LumbrelWinHost", "lumbrel-winhost", WS_OVERLAPPEDWINDOW, 0, 0, 640,
                            480, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    return realDesktop.hostWindow;
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
    HWND box = boxes.pending;
    boxes.pending = nullptr;
    if (box == nullptr || !IsWindow(box))
        return;
    MessageEvent event;
    HWND owner = GetWindow(box, GW_OWNER);
    event.owner = owner == realDesktop.hostWindow                   ? "host"
                  : owner != nullptr && owner == realDesktop.dialog ? "dialog"
                                                                    : "other";
    event.caption = windowText(box);
    event.text = boxText(box);
    event.style = boxStyle(box);
    takeMessageBoxPicture(box, boxes.pictures, boxes.pictureFailure);
    int press = IDOK;
    event.answer = "ok";
    if (boxButton(box, IDYES) != nullptr) {
        event.answer = "no";
        if (!boxes.answers.empty()) {
            event.answer = boxes.answers.front();
            boxes.answers.pop_front();
        }
        press = event.answer == "yes" ? IDYES : IDNO;
    } else if (boxButton(box, IDOK) == nullptr) {
        press = IDCANCEL;
    }
    boxes.shown.push_back(event);
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
        bool isBox = lstrcmpA(className, "#32770") == 0 && window != realDesktop.dialog;
        if (isBox && boxes.seen.insert(window).second) {
            boxes.pending = window;
            SetTimer(nullptr, 0, 0, answerBox);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

InvocationPlay playInvocation(const PluginLibrary& plugin, const ScenarioRun& run,
                              const void* region) {
    boxes = MessageBoxes{};
    boxes.answers.assign(run.answers.begin(), run.answers.end());
    realDesktop.plugin = static_cast<HMODULE>(plugin.handle);
    realDesktop.failure.clear();
    InvocationPlay play;
    std::string pictureFailure;
    const ScenarioAction* current = nullptr;
    realDesktop.onOpened = [&](HWND dialog) {
        play.opened = realDialogSnapshot(dialog);
        if (!dialogPicturePath.empty()) {
            PlatformFile picture;
            if (pictureFile(captureWindow(dialog), dialogPicturePath, picture, pictureFailure))
                play.files.push_back(std::move(picture));
            dialogPicturePath.clear();
        }
        for (; play.actionsPlayed < run.actions.size() && !realDesktop.ended;
             ++play.actionsPlayed) {
            current = &run.actions[play.actionsPlayed];
            performAction(dialog, *current);
        }
        current = nullptr; // what ends the dialog from here on is the host's Escape
    };
    realDesktop.onEnded = [&](HWND dialog) {
        play.closed = realDialogSnapshot(dialog);
        play.closedBy = closedByName(current);
    };
    if (hostWindow() == nullptr) {
        play.failure = "the host's window could not be created (error " +
                       std::to_string(GetLastError()) + "); under Wine, is there a display?";
        return play;
    }
    HHOOK hook = SetWindowsHookExA(WH_CBT, watchActivation, nullptr, GetCurrentThreadId());
    play.result = plugin.invoke(hostWindow(), 0, static_cast<const SelectionRegion*>(region), 0);
    if (hook != nullptr)
        UnhookWindowsHookEx(hook);
    realDesktop.onOpened = nullptr;
    realDesktop.onEnded = nullptr;
    play.messages = boxes.shown;
    play.files.insert(play.files.end(), boxes.pictures.begin(), boxes.pictures.end());
    play.failure = realDesktop.failure;
    if (play.failure.empty())
        play.failure = !pictureFailure.empty() ? pictureFailure : boxes.pictureFailure;
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

#include "winhost/open_command.h"

#include "play/life.h"
#include "play/plugin_library.h"
#include "play/scenario.h"
#include "session/host_session.h"
#include "store/score_file.h"
#include "views/score_view.h"
#include "winhost/real_dialog.h"

#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

namespace {

// The menu commands of the main window; the plug-in's entries follow commandPluginEntry.
enum Command : UINT { commandSave = 100, commandExit = 101, commandPluginEntry = 200 };

// The one session of `open`: the score, the plug-in and the window that shows them. The main
// window holds it (GWLP_USERDATA).
struct OpenSession {
    OpenOptions options;
    HostSession host;
    RecordStore saved; // the score as it was last read or written
    PluginLibrary plugin;
    bool hasRegion = false;
    std::vector<uint8_t> region;      // the selection region record handed to every invocation
    std::vector<std::string> entries; // the plug-in's menu items, by entry index
    HWND window = nullptr;
    HWND view = nullptr;   // the score, as text
    HWND status = nullptr; // the status bar
    HFONT viewFont = nullptr;
    HMENU pluginMenu = nullptr;
    int invocations = 0;
    std::vector<MovedEntry> moved; // by the last invocation
    std::ostream* err = nullptr;
};

} // namespace

static const char* const programName = "lumbrel-winhost";
static const char* const windowClass = "LumbrelWinHostScore";

// Reads "LIST,FIRSTSLOT,LASTSLOT,FIRSTMEASURE,LASTMEASURE": five whole numbers, each from -32768
// to 65535 (a staff set's list may be written -36 or 65500). False, with the reason, otherwise.
static bool parseRegion(const std::string& text, ScenarioRegion& region, std::string& error) {
    int16_t* fields[] = {&region.staffList, &region.firstSlot, &region.lastSlot,
                         &region.firstMeasure, &region.lastMeasure};
    size_t start = 0;
    for (size_t i = 0; i < 5; ++i) {
        size_t end = i < 4 ? text.find(',', start) : text.size();
        std::string part = end == std::string::npos ? "" : text.substr(start, end - start);
        char* stop = nullptr;
        long value = std::strtol(part.c_str(), &stop, 10);
        if (part.empty() || *stop != '\0' || value < INT16_MIN || value > UINT16_MAX) {
            error = "--region " + text +
                    ": expected five whole numbers from -32768 to 65535, "
                    "LIST,FIRSTSLOT,LASTSLOT,FIRSTMEASURE,LASTMEASURE";
            return false;
        }
        *fields[i] = static_cast<int16_t>(static_cast<uint16_t>(value));
        start = end + 1;
    }
    return true;
}

static std::string savePath(OpenSession& session) {
    return session.options.outPath.empty() ? session.options.scorePath : session.options.outPath;
}

static bool unsaved(OpenSession& session) {
    return session.host.store != session.saved;
}

// The error on standard error and, when there is a window to own it, in a message box.
static void reportError(OpenSession& session, const std::string& text) {
    *session.err << programName << " open: " << text << "\n";
    if (session.window != nullptr)
        MessageBoxA(session.window, text.c_str(), programName, MB_OK | MB_ICONHAND);
}

// A menu text without its mnemonic marks: "Orvane &Lumbrel" reads "Orvane Lumbrel".
static std::string withoutMnemonics(const std::string& text) {
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size())
            ++i;
        plain += text[i];
    }
    return plain;
}

static void updateTitle(OpenSession& session) {
    std::string path = session.options.scorePath;
    size_t folder = path.find_last_of("\\/");
    std::string name = folder == std::string::npos ? path : path.substr(folder + 1);
    std::string title = (unsaved(session) ? "*" : "") + name + " - " + programName;
    SetWindowTextA(session.window, title.c_str());
}

// What the status bar says: what the last invocation did, and where Save writes.
static std::string statusText(OpenSession& session) {
    std::string text;
    if (session.invocations == 0) {
        text = session.entries.empty()
                   ? "The plug-in offers no menu entry."
                   : "Choose Plug-ins > " + withoutMnemonics(session.entries[0]) +
                         " to run the plug-in.";
    } else {
        size_t moved = session.moved.size();
        text = "After invocation " + std::to_string(session.invocations) + ": " +
               (moved == 0 ? std::string("nothing moved.")
                           : std::to_string(moved) + " staff list " +
                                 (moved == 1 ? "entry" : "entries") + " moved, marked *.");
    }
    return text + "   Save (Ctrl+S) writes to " + savePath(session);
}

// Shows the score, scrolled to the table of the first moved entry, and what happened.
static void refresh(OpenSession& session) {
    std::string text = scoreViewText(session.host.store, session.moved);
    std::string lines; // an edit control breaks lines at CR LF
    int line = 0;
    int heading = 0;     // the line of the table heading above the first moved entry
    bool marked = false; // that entry has been met
    for (size_t i = 0; i < text.size(); ++i) {
        bool lineStart = i == 0 || text[i - 1] == '\n';
        if (lineStart && !marked && text[i] == '*')
            marked = true;
        else if (lineStart && !marked && text[i] != ' ' && text[i] != '\n')
            heading = line;
        if (text[i] == '\n') {
            lines += '\r';
            ++line;
        }
        lines += text[i];
    }
    SetWindowTextA(session.view, lines.c_str());
    if (marked)
        SendMessageA(session.view, EM_LINESCROLL, 0, heading);
    SetWindowTextA(session.status, statusText(session).c_str());
    updateTitle(session);
}

static bool saveScore(OpenSession& session) {
    std::string error;
    if (!writeScoreFile(savePath(session), session.host.store, error)) {
        reportError(session, error);
        return false;
    }
    session.saved = session.host.store;
    updateTitle(session);
    return true;
}

// The plug-in's entry `index` chosen from the menu: FinaleExtensionInvoke with the main window
// and the region; the person works the dialog it shows.
static void invokePlugin(OpenSession& session, int32_t index) {
    (void)index; // the plug-in's one entry; the host passes no index to the invocation
    RecordStore before = session.host.store;
    clearRunRecord(session.host);
    session.host.desktop.failure.clear();
    session.plugin.invoke(session.window, 0,
                          session.hasRegion
                              ? reinterpret_cast<const SelectionRegion*>(session.region.data())
                              : nullptr,
                          0);
    ++session.invocations;
    session.moved = movedEntries(before, session.host.store);
    refresh(session);
    if (!session.host.desktop.failure.empty())
        reportError(session, session.host.desktop.failure);
}

// Exit: with unsaved changes the person decides to save them, leave them, or stay.
static void closeWindow(OpenSession& session) {
    if (unsaved(session)) {
        std::string question = "The score has changed. Save it to " + savePath(session) + "?";
        int answer = MessageBoxA(session.window, question.c_str(), programName,
                                 MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDCANCEL || answer == 0 || (answer == IDYES && !saveScore(session)))
            return;
    }
    DestroyWindow(session.window);
}

// Before the Plug-ins menu opens, the plug-in says whether its entries can be chosen.
static void updatePluginMenu(OpenSession& session, HMENU menu) {
    if (menu != session.pluginMenu)
        return;
    bool enabled = session.plugin.menuStatus(0) != 0;
    for (size_t i = 0; i < session.entries.size(); ++i)
        EnableMenuItem(menu, commandPluginEntry + static_cast<UINT>(i),
                       MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

// The status bar along the bottom, the view above it.
static void layOut(OpenSession& session) {
    SendMessageA(session.status, WM_SIZE, 0, 0);
    RECT client, status;
    GetClientRect(session.window, &client);
    GetWindowRect(session.status, &status);
    MoveWindow(session.view, 0, 0, client.right, client.bottom - (status.bottom - status.top),
               TRUE);
}

static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* creation = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* open = reinterpret_cast<OpenSession*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (open == nullptr || open->window == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    OpenSession& session = *open;
    switch (message) {
    case WM_SIZE:
        layOut(session);
        return 0;
    case WM_SETFOCUS:
        SetFocus(session.view);
        return 0;
    case WM_CTLCOLORSTATIC: // the read-only view, in the colours of a page rather than a panel
        if (reinterpret_cast<HWND>(lParam) == session.view) {
            HDC context = reinterpret_cast<HDC>(wParam);
            SetTextColor(context, GetSysColor(COLOR_WINDOWTEXT));
            SetBkColor(context, GetSysColor(COLOR_WINDOW));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        }
        break;
    case WM_INITMENUPOPUP:
        updatePluginMenu(session, reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_COMMAND: {
        UINT command = LOWORD(wParam);
        if (command == commandSave)
            saveScore(session);
        else if (command == commandExit)
            closeWindow(session);
        else if (command >= commandPluginEntry &&
                 command < commandPluginEntry + session.entries.size())
            invokePlugin(session, static_cast<int32_t>(command - commandPluginEntry));
        return 0;
    }
    case WM_CLOSE:
        closeWindow(session);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The main window, hidden, with its menu and view; null when it can't be created (under Wine:
// no display).
static HWND createWindow(OpenSession& session) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSA windowType = {};
    windowType.lpfnWndProc = windowProcedure;
    windowType.hInstance = GetModuleHandleA(nullptr);
    windowType.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowType.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowType.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowType.lpszClassName = windowClass;
    RegisterClassA(&windowType);
    HWND window =
        CreateWindowExA(0, windowClass, programName, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 720, 600, nullptr, nullptr, windowType.hInstance, &session);
    // the window's messages are its own until it is whole
    session.window = window;
    if (session.window == nullptr)
        return nullptr;
    session.view =
        CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", "",
                        WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                            ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                        0, 0, 0, 0, session.window, nullptr, windowType.hInstance, nullptr);
    // a fixed-pitch font keeps the tables' columns; 10 points on the screen
    HDC screen = GetDC(nullptr);
    int height = -MulDiv(10, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    session.viewFont = CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   FIXED_PITCH | FF_MODERN, "Courier New");
    SendMessageA(session.view, WM_SETFONT, reinterpret_cast<WPARAM>(session.viewFont), FALSE);
    SendMessageA(session.view, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(6, 6));
    session.status =
        CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                        session.window, nullptr, windowType.hInstance, nullptr);
    layOut(session);
    return session.window;
}

// The menu bar: File, and Plug-ins with the plug-in's entries.
static void addMenus(OpenSession& session) {
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, commandSave, "&Save\tCtrl+S");
    AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(file, MF_STRING, commandExit, "E&xit");
    session.pluginMenu = CreatePopupMenu();
    for (size_t i = 0; i < session.entries.size(); ++i)
        AppendMenuA(session.pluginMenu, MF_STRING, commandPluginEntry + i,
                    session.entries[i].c_str());
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(session.pluginMenu), "&Plug-ins");
    SetMenu(session.window, bar);
}

// Runs the window until it is destroyed; Ctrl+S saves.
static void runMessageLoop(OpenSession& session) {
    ACCEL save = {FCONTROL | FVIRTKEY, 'S', commandSave};
    HACCEL accelerators = CreateAcceleratorTableA(&save, 1);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorA(session.window, accelerators, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    DestroyAcceleratorTable(accelerators);
}

int runOpenCommand(const OpenOptions& options, std::ostream& err) {
    OpenSession session;
    session.options = options;
    session.err = &err;
    if (createWindow(session) == nullptr) {
        err << programName << " open: the main window could not be created (error "
            << GetLastError() << "); under Wine, is there a display?\n";
        return 2;
    }
    ScenarioRegion region;
    std::string error;
    if (!options.regionText.empty() && !parseRegion(options.regionText, region, error)) {
        reportError(session, error);
        return 2;
    }
    session.hasRegion = !options.regionText.empty();
    session.region = regionRecord(region);
    if (!readScoreFile(options.scorePath, session.host.store, error)) {
        reportError(session, error);
        return 2;
    }
    session.saved = session.host.store;
    std::string library = options.pluginPath.empty() ? defaultPluginPath() : options.pluginPath;
    if (!loadPluginLibrary(library, session.plugin, error)) {
        reportError(session, error);
        return 2;
    }

    // the plug-in's life begins as the notation program starts: version, init, its menu entries
    activeHost = &session.host;
    session.host.desktop.pluginModule = session.plugin.handle;
    session.host.desktop.hostWindow = session.window;
    session.plugin.version(0);
    session.plugin.init(0, 0);
    for (const auto& entry : enumerateMenu(session.plugin))
        if (entry["result"] != 0)
            session.entries.push_back(entry["text"].get<std::string>());
    addMenus(session);
    refresh(session);
    ShowWindow(session.window, SW_SHOWNORMAL);
    UpdateWindow(session.window);
    runMessageLoop(session);

    // and ends as it quits: the plug-in saves its settings
    session.plugin.terminate(0);
    activeHost = nullptr;
    unloadPluginLibrary(session.plugin);
    DeleteObject(session.viewFont);
    return 0;
}

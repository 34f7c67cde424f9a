// The real dialog's controls: the user's actions on them, and what they show.
#include "resource/resource_script.h"
#include "session/host_session.h"
#include "winhost/real_dialog.h"

#include <vector>

std::string windowText(HWND window) {
    int length = GetWindowTextLengthA(window);
    if (length <= 0)
        return "";
    std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
    int copied = GetWindowTextA(window, text.data(), length + 1);
    return std::string(text.data(), static_cast<size_t>(copied > 0 ? copied : 0));
}

HWND controlAt(HWND dialog, int index) {
    HWND child = GetWindow(dialog, GW_CHILD);
    for (int i = 0; child != nullptr && i < index; ++i)
        child = GetWindow(child, GW_HWNDNEXT);
    return index >= 0 ? child : nullptr;
}

// What the snapshot needs to know beyond what a control answers, kept on the control itself as
// window properties: its own window procedure, and whether a limit or a range was ever set on it.
static const char* const originalProcedure = "LumbrelOriginalProcedure";
static const char* const limitSet = "LumbrelLimitSet";
static const char* const rangeSet = "LumbrelRangeSet";

static LRESULT CALLBACK watchProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto original = reinterpret_cast<WNDPROC>(GetPropA(window, originalProcedure));
    if (original == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    if (message == EM_LIMITTEXT)
        SetPropA(window, limitSet, reinterpret_cast<HANDLE>(1));
    if (message == UDM_SETRANGE || message == UDM_SETRANGE32)
        SetPropA(window, rangeSet, reinterpret_cast<HANDLE>(1));
    if (message == WM_NCDESTROY) {
        RemovePropA(window, originalProcedure);
        RemovePropA(window, limitSet);
        RemovePropA(window, rangeSet);
    }
    return CallWindowProcA(original, window, message, wParam, lParam);
}

void watchControls(HWND dialog) {
    const DialogTemplate& source = mainDialogTemplate();
    for (size_t i = 0; i < source.controls.size(); ++i) {
        ControlKind kind = controlKind(source.controls[i]);
        HWND control = controlAt(dialog, static_cast<int>(i));
        if (control == nullptr || (kind != ControlKind::edit && kind != ControlKind::upDown))
            continue;
        RemovePropA(control, limitSet);
        RemovePropA(control, rangeSet);
        auto original = reinterpret_cast<HANDLE>(
            SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&watchProcedure)));
        SetPropA(control, originalProcedure, original);
    }
}

// Whether a limit (an edit field) or a range (an up-down control) was set on the control.
static bool wasSet(HWND control, const char* what) {
    return GetPropA(control, what) != nullptr;
}

static std::vector<std::string> listItems(HWND control, bool combo) {
    UINT countMessage = combo ? CB_GETCOUNT : LB_GETCOUNT;
    UINT lengthMessage = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN;
    UINT textMessage = combo ? CB_GETLBTEXT : LB_GETTEXT;
    std::vector<std::string> items;
    int count = static_cast<int>(SendMessageA(control, countMessage, 0, 0));
    for (int i = 0; i < count; ++i) {
        int length = static_cast<int>(SendMessageA(control, lengthMessage, i, 0));
        std::vector<char> text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
        SendMessageA(control, textMessage, i, reinterpret_cast<LPARAM>(text.data()));
        items.emplace_back(text.data());
    }
    return items;
}

static nlohmann::json controlSnapshot(HWND control, int index, const ControlTemplate& source,
                                      const std::string& name) {
    char className[64] = "";
    GetClassNameA(control, className, sizeof className);
    nlohmann::json snapshot = {{"index", index},
                               {"id", GetDlgCtrlID(control)},
                               {"name", name},
                               {"class", source.className},
                               {"text", windowText(control)},
                               {"enabled", IsWindowEnabled(control) != FALSE}};
    // the real window's class, in the template's spelling when the two differ only in case
    if (lstrcmpiA(className, source.className.c_str()) != 0)
        snapshot["class"] = className;
    switch (controlKind(source)) {
    case ControlKind::checkBox:
    case ControlKind::radioButton:
        snapshot["checked"] = SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
        break;
    case ControlKind::listBox: {
        std::vector<std::string> items = listItems(control, false);
        nlohmann::json selected = nlohmann::json::array();
        for (size_t i = 0; i < items.size(); ++i)
            if (SendMessageA(control, LB_GETSEL, i, 0) > 0)
                selected.push_back(i);
        snapshot["items"] = items;
        snapshot["selected"] = selected;
        snapshot["current"] =
            items.empty() ? -1 : static_cast<int>(SendMessageA(control, LB_GETCARETINDEX, 0, 0));
        break;
    }
    case ControlKind::comboBox:
        snapshot["items"] = listItems(control, true);
        snapshot["selected"] = static_cast<int>(SendMessageA(control, CB_GETCURSEL, 0, 0));
        break;
    case ControlKind::edit: {
        DWORD start = 0, end = 0;
        SendMessageA(control, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        DWORD length = static_cast<DWORD>(GetWindowTextLengthA(control));
        snapshot["limit"] = wasSet(control, limitSet)
                                ? static_cast<int>(SendMessageA(control, EM_GETLIMITTEXT, 0, 0))
                                : 0;
        snapshot["textSelected"] = length > 0 && start == 0 && end == length;
        break;
    }
    case ControlKind::upDown: {
        int low = 0, high = 0;
        SendMessageA(control, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                     reinterpret_cast<LPARAM>(&high));
        snapshot["range"] = wasSet(control, rangeSet) ? nlohmann::json::array({low, high})
                                                      : nlohmann::json(nullptr);
        break;
    }
    default:
        break;
    }
    return snapshot;
}

nlohmann::json realDialogSnapshot(HWND dialog) {
    const DialogTemplate& source = mainDialogTemplate();
    std::vector<std::string> names = controlNames(source);
    HWND focus = GetFocus();
    nlohmann::json controls = nlohmann::json::array();
    nlohmann::json focusName = nullptr;
    for (size_t i = 0; i < source.controls.size(); ++i) {
        HWND control = controlAt(dialog, static_cast<int>(i));
        if (control == nullptr)
            break;
        controls.push_back(
            controlSnapshot(control, static_cast<int>(i), source.controls[i], names[i]));
        if (focus != nullptr && (focus == control || IsChild(control, focus)))
            focusName = names[i];
    }
    return {{"controls", controls}, {"focus", focusName}};
}

// The control named `name`, when the user can act on it: it exists and is enabled.
static HWND usableControl(HWND dialog, const std::string& name) {
    std::vector<std::string> names = controlNames(mainDialogTemplate());
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] != name)
            continue;
        HWND control = controlAt(dialog, static_cast<int>(i));
        return control != nullptr && IsWindowEnabled(control) ? control : nullptr;
    }
    return nullptr;
}

// WM_COMMAND from `control` with notification `code`, as the control sends it.
static void notifyCommand(HWND dialog, HWND control, WORD code) {
    WORD id = static_cast<WORD>(GetDlgCtrlID(control));
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
}

// The list's selection becomes exactly `positions`, as ctrl-clicks leave it; the last one is
// the current entry; LBN_SELCHANGE follows.
static void selectItems(HWND dialog, const std::vector<int>& positions) {
    HWND list = usableControl(dialog, "IDC_INSTRUMENT_LIST");
    if (list == nullptr)
        return;
    SetFocus(list);
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    SendMessageA(list, LB_SETSEL, FALSE, -1);
    for (int position : positions) {
        if (position < 0 || position >= count)
            continue;
        SendMessageA(list, LB_SETSEL, TRUE, position);
        SendMessageA(list, LB_SETCARETINDEX, static_cast<WPARAM>(position), FALSE);
    }
    if ((GetWindowLongA(list, GWL_STYLE) & LBS_NOTIFY) != 0)
        notifyCommand(dialog, list, LBN_SELCHANGE);
}

// Replaces the field's whole text by typing: the text is selected, a backspace clears it, and
// each character is a keystroke the field may refuse (ES_NUMBER, its limit).
static void typeText(HWND dialog, const std::string& name, const std::string& text) {
    HWND edit = usableControl(dialog, name);
    if (edit == nullptr)
        return;
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_CHAR, VK_BACK, 1);
    for (char c : text)
        SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
}

// Picks entry `entry` (1-based) of the drop-down list; CBN_SELCHANGE follows.
static void chooseEntry(HWND dialog, int entry) {
    HWND combo = usableControl(dialog, "IDC_SCOPE");
    if (combo == nullptr)
        return;
    int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    if (entry < 1 || entry > count)
        return;
    SetFocus(combo);
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(entry - 1), 0);
    notifyCommand(dialog, combo, CBN_SELCHANGE);
}

// A mouse click on the up or down arrow: the control itself sends UDN_DELTAPOS, moves its
// position and, with UDS_SETBUDDYINT, writes it into its buddy.
static void clickArrow(HWND dialog, const std::string& name, bool up) {
    HWND spin = usableControl(dialog, name);
    if (spin == nullptr)
        return;
    RECT area;
    GetClientRect(spin, &area);
    int x = (area.right - area.left) / 2;
    int y = up ? (area.bottom - area.top) / 4 : (area.bottom - area.top) * 3 / 4;
    LPARAM point = MAKELPARAM(x, y);
    SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageA(spin, WM_LBUTTONUP, 0, point);
}

void performAction(HWND dialog, const ScenarioAction& action) {
    switch (action.kind) {
    case ActionKind::select:
        selectItems(dialog, action.positions);
        break;
    case ActionKind::click: {
        HWND button = usableControl(dialog, action.control);
        if (button != nullptr)
            SendMessageA(button, BM_CLICK, 0, 0);
        break;
    }
    case ActionKind::type:
        typeText(dialog, action.control, action.text);
        break;
    case ActionKind::choose:
        chooseEntry(dialog, action.entry);
        break;
    case ActionKind::spin:
        clickArrow(dialog, action.control, action.up);
        break;
    }
}

void pressEscape(HWND dialog) {
    if (activeHost == nullptr || activeHost->desktop.dialogEnded)
        return;
    HWND cancel = GetDlgItem(dialog, IDCANCEL);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), reinterpret_cast<LPARAM>(cancel));
}

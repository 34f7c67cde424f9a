// The headless dialog's windows: creation from the template, lookup, the messages each control
// class answers, and the snapshot. The user's actions are in user_actions.cpp.
#include "headless/dialog_window.h"

#include "resource/win32_constants.h"

#include <algorithm>

void createDialog(HeadlessDialog& dialog, const DialogTemplate& source, DialogProcedure procedure,
                  HWND owner) {
    dialog.window = HWND__{&dialog, -1};
    dialog.source = &source;
    dialog.procedure = procedure;
    dialog.owner = owner;
    dialog.focus = -1;
    dialog.ended = false;
    dialog.controls.clear();
    dialog.controls.reserve(source.controls.size());
    std::vector<std::string> names = controlNames(source);
    for (size_t i = 0; i < source.controls.size(); ++i) {
        const ControlTemplate& item = source.controls[i];
        HeadlessControl control;
        control.window = HWND__{&dialog, static_cast<int>(i)};
        control.source = &item;
        control.kind = controlKind(item);
        control.name = names[i];
        control.enabled = (item.style & WS_DISABLED) == 0;
        if (control.kind != ControlKind::comboBox)
            control.text = item.text;
        if (control.kind == ControlKind::upDown && (item.style & UDS_AUTOBUDDY) != 0)
            control.buddy = static_cast<int>(i) - 1;
        dialog.controls.push_back(control);
    }
}

int findControlById(const HeadlessDialog& dialog, int id) {
    for (size_t i = 0; i < dialog.controls.size(); ++i)
        if (dialog.controls[i].source->id == id)
            return static_cast<int>(i);
    return -1;
}

int findControlByName(const HeadlessDialog& dialog, const std::string& name) {
    for (size_t i = 0; i < dialog.controls.size(); ++i)
        if (dialog.controls[i].name == name)
            return static_cast<int>(i);
    return -1;
}

int firstTabStop(const HeadlessDialog& dialog) {
    for (size_t i = 0; i < dialog.controls.size(); ++i) {
        const HeadlessControl& control = dialog.controls[i];
        uint32_t style = control.source->style;
        if (control.enabled && (style & WS_TABSTOP) != 0 && (style & WS_VISIBLE) != 0)
            return static_cast<int>(i);
    }
    return -1;
}

void setControlText(HeadlessControl& control, const std::string& text) {
    if (control.kind == ControlKind::comboBox)
        return;
    control.text = text;
    int end = static_cast<int>(text.size());
    control.selectionStart = end;
    control.selectionEnd = end;
}

void enableControl(HeadlessDialog& dialog, int index, bool enable) {
    if (index < 0 || index >= static_cast<int>(dialog.controls.size()))
        return;
    dialog.controls[index].enabled = enable;
    if (!enable && dialog.focus == index)
        dialog.focus = -1;
}

static int32_t int32Of(uintptr_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

static int32_t int32Of(intptr_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

static const char* textOf(intptr_t lParam) {
    const char* text = reinterpret_cast<const char*>(lParam);
    return text != nullptr ? text : "";
}

// Selects (or clears) entries first..last, held within the list.
static void selectRange(HeadlessControl& list, int32_t first, int32_t last, bool select) {
    int32_t count = static_cast<int32_t>(list.items.size());
    for (int32_t i = std::max(first, 0); i <= last && i < count; ++i)
        list.itemSelected[i] = select;
}

static intptr_t listBoxMessage(HeadlessControl& list, uint32_t message, uintptr_t wParam,
                               intptr_t lParam) {
    int32_t count = static_cast<int32_t>(list.items.size());
    switch (message) {
    case LB_ADDSTRING:
        list.items.push_back(textOf(lParam));
        list.itemSelected.push_back(false);
        if (list.caret < 0)
            list.caret = 0;
        return count;
    case LB_SETSEL: {
        int32_t index = int32Of(lParam);
        bool select = wParam != 0;
        if (index == -1) {
            selectRange(list, 0, count - 1, select);
            return 0;
        }
        if (index < 0 || index >= count)
            return LB_ERR;
        list.itemSelected[index] = select;
        if (select) {
            list.anchor = index;
            list.caret = index;
        }
        return 0;
    }
    case LB_SELITEMRANGEEX: {
        int32_t first = int32Of(wParam), last = int32Of(lParam);
        if (first <= last)
            selectRange(list, first, last, true);
        else
            selectRange(list, last, first, false);
        return 0;
    }
    case LB_GETCURSEL:
        return count == 0 ? LB_ERR : list.caret;
    case LB_GETSELCOUNT:
        return std::count(list.itemSelected.begin(), list.itemSelected.end(), true);
    case LB_GETSELITEMS: {
        int32_t* buffer = reinterpret_cast<int32_t*>(lParam);
        int32_t room = int32Of(wParam), written = 0;
        for (int32_t i = 0; i < count && written < room && buffer != nullptr; ++i)
            if (list.itemSelected[i])
                buffer[written++] = i;
        return written;
    }
    default:
        return 0;
    }
}

static intptr_t comboBoxMessage(HeadlessControl& combo, uint32_t message, uintptr_t wParam,
                                intptr_t lParam) {
    int32_t count = static_cast<int32_t>(combo.items.size());
    switch (message) {
    case CB_ADDSTRING:
        combo.items.push_back(textOf(lParam));
        return count;
    case CB_SETCURSEL: {
        int32_t index = int32Of(wParam);
        bool valid = index >= 0 && index < count;
        combo.comboSelection = valid ? index : -1;
        combo.text = valid ? combo.items[index] : "";
        return valid ? index : CB_ERR;
    }
    case CB_GETCURSEL:
        return combo.comboSelection;
    default:
        return 0;
    }
}

static intptr_t editMessage(HeadlessControl& edit, uint32_t message, uintptr_t wParam,
                            intptr_t lParam) {
    int32_t length = static_cast<int32_t>(edit.text.size());
    switch (message) {
    case EM_LIMITTEXT:
        edit.limit = std::max(int32Of(wParam), 0);
        return 0;
    case EM_SETSEL: {
        int32_t start = int32Of(wParam), end = int32Of(lParam);
        // a start of -1 only drops the selection; an end of -1 (or beyond) means the end
        if (start == -1) {
            edit.selectionStart = edit.selectionEnd;
            return 0;
        }
        auto held = [length](int32_t at) { return at < 0 || at > length ? length : at; };
        edit.selectionStart = held(start);
        edit.selectionEnd = held(end);
        return 0;
    }
    default:
        return 0;
    }
}

static intptr_t buttonMessage(HeadlessControl& button, uint32_t message, uintptr_t wParam) {
    switch (message) {
    case BM_GETCHECK:
        return button.checked;
    case BM_SETCHECK:
        button.checked = wParam != 0 ? 1 : 0;
        return 0;
    default:
        return 0;
    }
}

static intptr_t upDownMessage(HeadlessControl& spin, uint32_t message, intptr_t lParam) {
    if (message != UDM_SETRANGE)
        return 0;
    spin.maximum = static_cast<int16_t>(LOWORD(lParam));
    spin.minimum = static_cast<int16_t>(HIWORD(lParam));
    spin.rangeSet = true;
    return 0;
}

intptr_t sendControlMessage(HeadlessDialog& dialog, int index, uint32_t message, uintptr_t wParam,
                            intptr_t lParam) {
    if (index < 0 || index >= static_cast<int>(dialog.controls.size()))
        return 0;
    HeadlessControl& control = dialog.controls[index];
    if (message == WM_SETTEXT) {
        setControlText(control, textOf(lParam));
        return TRUE;
    }
    switch (control.kind) {
    case ControlKind::listBox:
        return listBoxMessage(control, message, wParam, lParam);
    case ControlKind::comboBox:
        return comboBoxMessage(control, message, wParam, lParam);
    case ControlKind::edit:
        return editMessage(control, message, wParam, lParam);
    case ControlKind::checkBox:
    case ControlKind::radioButton:
        return buttonMessage(control, message, wParam);
    case ControlKind::upDown:
        return upDownMessage(control, message, lParam);
    default:
        return 0;
    }
}

static nlohmann::json controlSnapshot(const HeadlessControl& control) {
    nlohmann::json snapshot = {
        {"index", control.window.index}, {"id", control.source->id},
        {"name", control.name},          {"class", control.source->className},
        {"text", control.text},          {"enabled", control.enabled}};
    switch (control.kind) {
    case ControlKind::checkBox:
    case ControlKind::radioButton:
        snapshot["checked"] = control.checked;
        break;
    case ControlKind::listBox: {
        nlohmann::json selected = nlohmann::json::array();
        for (size_t i = 0; i < control.itemSelected.size(); ++i)
            if (control.itemSelected[i])
                selected.push_back(i);
        snapshot["items"] = control.items;
        snapshot["selected"] = selected;
        snapshot["current"] = control.items.empty() ? -1 : control.caret;
        break;
    }
    case ControlKind::comboBox:
        snapshot["items"] = control.items;
        snapshot["selected"] = control.comboSelection;
        break;
    case ControlKind::edit: {
        int length = static_cast<int>(control.text.size());
        int low = std::min(control.selectionStart, control.selectionEnd);
        int high = std::max(control.selectionStart, control.selectionEnd);
        snapshot["limit"] = control.limit;
        snapshot["textSelected"] = length > 0 && low == 0 && high == length;
        break;
    }
    case ControlKind::upDown:
        snapshot["range"] = control.rangeSet
                                ? nlohmann::json::array({control.minimum, control.maximum})
                                : nlohmann::json(nullptr);
        break;
    default:
        break;
    }
    return snapshot;
}

nlohmann::json dialogSnapshot(const HeadlessDialog& dialog) {
    nlohmann::json controls = nlohmann::json::array();
    for (const HeadlessControl& control : dialog.controls)
        controls.push_back(controlSnapshot(control));
    nlohmann::json focus = nullptr;
    if (dialog.focus >= 0 && dialog.focus < static_cast<int>(dialog.controls.size()))
        focus = dialog.controls[dialog.focus].name;
    return {{"controls", controls}, {"focus", focus}};
}

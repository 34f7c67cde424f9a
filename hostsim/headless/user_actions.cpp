// The user's actions on the headless dialog, and what the dialog manager does around them: the
// focus, the controls' changes, and the messages to the dialog procedure.
#include "headless/dialog_window.h"

#include "resource/win32_constants.h"

#include <algorithm>
#include <cctype>
#include <climits>

static int32_t callProcedure(HeadlessDialog& dialog, uint32_t message, WPARAM wParam,
                             LPARAM lParam) {
    if (dialog.procedure == nullptr)
        return 0;
    return dialog.procedure(&dialog.window, message, wParam, lParam, 0);
}

// WM_COMMAND from control `index` with notification `code`, lParam its handle.
static void notifyCommand(HeadlessDialog& dialog, int index, int code) {
    HeadlessControl& control = dialog.controls[index];
    callProcedure(dialog, WM_COMMAND, MAKEWPARAM(control.source->id, code),
                  reinterpret_cast<LPARAM>(&control.window));
}

// The control the user can act on: it exists, is of that kind and is enabled, and the dialog is
// still open. Null otherwise.
static HeadlessControl* usable(HeadlessDialog& dialog, int index, ControlKind kind) {
    if (dialog.ended || index < 0 || index >= static_cast<int>(dialog.controls.size()))
        return nullptr;
    HeadlessControl& control = dialog.controls[index];
    return control.kind == kind && control.enabled ? &control : nullptr;
}

int32_t initializeDialog(HeadlessDialog& dialog) {
    int first = firstTabStop(dialog);
    WPARAM focus = first >= 0 ? reinterpret_cast<WPARAM>(&dialog.controls[first].window) : 0;
    int32_t answer = callProcedure(dialog, WM_INITDIALOG, focus, 0);
    if (answer == 0 || dialog.ended)
        return answer;
    // the procedure may have disabled controls: the first tab stop is looked for again
    first = firstTabStop(dialog);
    if (first >= 0) {
        dialog.focus = first;
        HeadlessControl& control = dialog.controls[first];
        if (control.kind == ControlKind::edit) {
            control.selectionStart = 0;
            control.selectionEnd = static_cast<int>(control.text.size());
        }
    }
    return answer;
}

void userSelectItems(HeadlessDialog& dialog, int index, const std::vector<int>& positions) {
    HeadlessControl* list = usable(dialog, index, ControlKind::listBox);
    if (list == nullptr)
        return;
    int count = static_cast<int>(list->items.size());
    std::fill(list->itemSelected.begin(), list->itemSelected.end(), false);
    for (int position : positions) {
        if (position < 0 || position >= count)
            continue;
        list->itemSelected[position] = true;
        list->caret = position;
        list->anchor = position;
    }
    dialog.focus = index;
    if ((list->source->style & LBS_NOTIFY) != 0)
        notifyCommand(dialog, index, LBN_SELCHANGE);
}

// Checks radio button `index` and clears the other auto radio buttons of its group: from the
// control with WS_GROUP at or before it up to the next control with WS_GROUP.
static void checkRadioInGroup(HeadlessDialog& dialog, int index) {
    int count = static_cast<int>(dialog.controls.size());
    int first = index;
    while (first > 0 && (dialog.controls[first].source->style & WS_GROUP) == 0)
        --first;
    int end = index + 1;
    while (end < count && (dialog.controls[end].source->style & WS_GROUP) == 0)
        ++end;
    for (int i = first; i < end; ++i)
        if (dialog.controls[i].kind == ControlKind::radioButton)
            dialog.controls[i].checked = i == index ? 1 : 0;
}

void userClick(HeadlessDialog& dialog, int index) {
    HeadlessControl* button = usable(dialog, index, ControlKind::pushButton);
    if (button == nullptr)
        button = usable(dialog, index, ControlKind::checkBox);
    if (button == nullptr)
        button = usable(dialog, index, ControlKind::radioButton);
    if (button == nullptr)
        return;
    dialog.focus = index;
    if (button->kind == ControlKind::checkBox)
        button->checked = button->checked != 0 ? 0 : 1;
    else if (button->kind == ControlKind::radioButton)
        checkRadioInGroup(dialog, index);
    notifyCommand(dialog, index, BN_CLICKED);
}

void userType(HeadlessDialog& dialog, int index, const std::string& text) {
    HeadlessControl* edit = usable(dialog, index, ControlKind::edit);
    if (edit == nullptr)
        return;
    dialog.focus = index;
    bool digitsOnly = (edit->source->style & ES_NUMBER) != 0;
    std::string typed;
    for (char c : text) {
        // a refused key leaves the text as it is, as on Win32 (which also beeps)
        if (digitsOnly && !std::isdigit(static_cast<unsigned char>(c)))
            continue;
        if (edit->limit > 0 && static_cast<int>(typed.size()) >= edit->limit)
            continue;
        typed += c;
    }
    edit->text = typed;
    edit->selectionStart = edit->selectionEnd = static_cast<int>(typed.size());
}

void userChoose(HeadlessDialog& dialog, int index, int entry) {
    HeadlessControl* combo = usable(dialog, index, ControlKind::comboBox);
    if (combo == nullptr || entry < 1 || entry > static_cast<int>(combo->items.size()))
        return;
    dialog.focus = index;
    sendControlMessage(dialog, index, CB_SETCURSEL, static_cast<WPARAM>(entry - 1), 0);
    notifyCommand(dialog, index, CBN_SELCHANGE);
}

// The buddy's text as a whole number (blanks before it and a sign allowed, an empty text is 0),
// as the up-down control reads it; false when it is not one or lies outside the range.
static bool buddyPosition(const HeadlessControl& spin, const std::string& text, int& position) {
    size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    bool negative = at < text.size() && text[at] == '-';
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        ++at;
    long long value = 0;
    for (; at < text.size(); ++at) {
        if (!std::isdigit(static_cast<unsigned char>(text[at])))
            return false;
        value = std::min(value * 10 + (text[at] - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    value = negative ? -value : value;
    int low = std::min(spin.minimum, spin.maximum), high = std::max(spin.minimum, spin.maximum);
    if (value < low || value > high)
        return false;
    position = static_cast<int>(value);
    return true;
}

void userSpin(HeadlessDialog& dialog, int index, bool up) {
    HeadlessControl* spin = usable(dialog, index, ControlKind::upDown);
    if (spin == nullptr)
        return;
    HeadlessControl* buddy = spin->buddy >= 0 ? &dialog.controls[spin->buddy] : nullptr;
    // an up-down control whose buddy is disabled acts as disabled too
    if (buddy != nullptr && !buddy->enabled)
        return;
    if (buddy != nullptr && buddy->kind == ControlKind::edit)
        dialog.focus = spin->buddy;
    bool setsBuddy = buddy != nullptr && (spin->source->style & UDS_SETBUDDYINT) != 0;
    if (setsBuddy)
        buddyPosition(*spin, buddy->text, spin->position);

    NMUPDOWN change{};
    change.hdr.hwndFrom = &spin->window;
    change.hdr.idFrom = static_cast<UINT_PTR>(spin->source->id);
    change.hdr.code = UDN_DELTAPOS;
    change.iPos = spin->position;
    // the arrows follow the range's direction: with the default range (100 down to 0) the up
    // arrow counts down
    change.iDelta = (up ? 1 : -1) * (spin->maximum < spin->minimum ? -1 : 1);
    // a dialog procedure's answer says whether it handled the message; it never refuses the
    // change
    callProcedure(dialog, WM_NOTIFY, static_cast<WPARAM>(spin->source->id),
                  reinterpret_cast<LPARAM>(&change));

    long long low = std::min(spin->minimum, spin->maximum);
    long long high = std::max(spin->minimum, spin->maximum);
    long long moved = std::clamp(static_cast<long long>(spin->position) + change.iDelta, low, high);
    if (moved != spin->position) {
        spin->position = static_cast<int>(moved);
        if (setsBuddy)
            setControlText(*buddy, std::to_string(spin->position));
    }
    // as the mouse button comes up, the control selects an edit buddy's whole text
    if (buddy != nullptr && buddy->kind == ControlKind::edit) {
        buddy->selectionStart = 0;
        buddy->selectionEnd = static_cast<int>(buddy->text.size());
    }
}

void userPressEscape(HeadlessDialog& dialog) {
    if (dialog.ended)
        return;
    int cancel = findControlById(dialog, IDCANCEL);
    LPARAM button = cancel >= 0 ? reinterpret_cast<LPARAM>(&dialog.controls[cancel].window) : 0;
    callProcedure(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), button);
}

// The headless dialog of the substitute host: windows and controls that behave as the Win32
// controls of the same class and style do, built from the plug-in's dialog template, plus the
// user's actions on them and a snapshot of what they show.
#pragma once

#include "host/services.h"
#include "resource/resource_script.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <vector>

struct HeadlessDialog;

// What every window handle that the substitute host hands out points at.
struct HWND__ {
    HeadlessDialog* dialog; // the dialog the window belongs to; null for the host's own window
    int index;              // the control's index in the template; -1 for the dialog itself
};

struct HeadlessControl {
    HWND__ window;
    const ControlTemplate* source;
    ControlKind kind;
    std::string name; // the ID's name; "IDC_BELOW_LABEL" for the label that shares ID 104
    std::string text;
    bool enabled = true;
    int checked = 0; // check boxes and radio buttons
    // list box and combo box
    std::vector<std::string> items;
    std::vector<bool> itemSelected; // list box
    int caret = -1;                 // list box: the current entry, -1 when the list is empty
    int anchor = -1;                // list box: where a shift-click range would start
    int comboSelection = -1;        // combo box: the selected entry, -1 when none
    // edit field
    int limit = 0; // 0 while no limit was set
    int selectionStart = 0, selectionEnd = 0;
    // up-down control
    bool rangeSet = false;
    int minimum = 100, maximum = 0; // the control's default range until UDM_SETRANGE
    int position = 0;
    int buddy = -1; // index of the buddy control (the control before it: UDS_AUTOBUDDY)
};

struct HeadlessDialog {
    HWND__ window;
    const DialogTemplate* source;
    DialogProcedure procedure;
    HWND owner;
    std::vector<HeadlessControl> controls; // in template order
    int focus = -1;                        // index of the control with the focus, -1 for none
    bool ended = false;
};

// Creates the dialog's controls from its template; nothing is sent to the procedure yet. The
// dialog must stay where it is while it is in use: its handles point into it.
void createDialog(HeadlessDialog& dialog, const DialogTemplate& source, DialogProcedure procedure,
                  HWND owner);

// The first control with this ID, as GetDlgItem finds it; -1 when there is none.
int findControlById(const HeadlessDialog& dialog, int id);
// The control with this name (IDC_ name, IDOK, IDCANCEL, IDC_BELOW_LABEL); -1 when none.
int findControlByName(const HeadlessDialog& dialog, const std::string& name);

// Sends a message to a control as SendMessageA would, and returns the control's answer.
intptr_t sendControlMessage(HeadlessDialog& dialog, int index, uint32_t message, uintptr_t wParam,
                            intptr_t lParam);

// The user's actions. Each acts as the user's mouse and keyboard would on Win32: the control
// takes the focus, changes, and notifies the dialog procedure. Disabled controls ignore them.
// The list's selection becomes exactly `positions` (positions outside the list are ignored);
// the last one becomes the current entry; LBN_SELCHANGE follows.
void userSelectItems(HeadlessDialog& dialog, int index, const std::vector<int>& positions);
// A click on a push button, check box or radio button; BN_CLICKED follows. Other controls
// ignore it.
void userClick(HeadlessDialog& dialog, int index);
// Replaces the edit field's whole text by typing it, within its limit and ES_NUMBER.
void userType(HeadlessDialog& dialog, int index, const std::string& text);
// Picks entry `entry` (1-based) of the drop-down list; CBN_SELCHANGE follows. An entry that
// the list does not hold cannot be picked: nothing happens.
void userChoose(HeadlessDialog& dialog, int index, int entry);
// One click on the up or down arrow of an up-down control: UDN_DELTAPOS to the procedure, and
// for UDS_SETBUDDYINT the new position written into the buddy.
void userSpin(HeadlessDialog& dialog, int index, bool up);
// The Escape key: the procedure receives WM_COMMAND with IDCANCEL; the focus stays.
void userPressEscape(HeadlessDialog& dialog);

// The dialog as the transcript shows it: {"controls": [...], "focus": name or null}.
nlohmann::json dialogSnapshot(const HeadlessDialog& dialog);

// The first enabled, visible control with WS_TABSTOP, where the dialog manager puts the focus;
// -1 when there is none.
int firstTabStop(const HeadlessDialog& dialog);
// Sends WM_INITDIALOG, naming the first tab stop in wParam. When the procedure answers non-zero,
// the dialog manager gives the first tab stop the focus (an edit field then has its whole text
// selected). Returns the procedure's answer.
int32_t initializeDialog(HeadlessDialog& dialog);
// Sets a control's text as WM_SETTEXT does: an edit field takes it whatever its limit, with the
// caret at the end and nothing selected. A drop-down list shows its selected entry and ignores it.
void setControlText(HeadlessControl& control, const std::string& text);
// Enables or disables a control as EnableWindow does: disabling the control with the focus leaves
// the dialog without one.
void enableControl(HeadlessDialog& dialog, int index, bool enable);

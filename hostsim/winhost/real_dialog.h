// lumbrel-winhost's dialog: the plug-in's dialog resource run as a real modal Win32 dialog, the
// user's actions done on it as real input and window messages, and its snapshot read from the
// real controls.
#pragma once

#include "host/services.h"
#include "play/scenario.h"

#include <nlohmann/json.hpp>

#include <string>

// The dialog's control at template index `index`: its child windows in Z-order, which is
// template order. Null when there is none.
HWND controlAt(HWND dialog, int index);

// Starts watching the dialog's edit fields and up-down controls, so that the snapshot can tell
// a limit or range that was set from none.
void watchControls(HWND dialog);

// The dialog as the transcript shows it: {"controls": [...], "focus": name or null}.
nlohmann::json realDialogSnapshot(HWND dialog);

// Does what the user does; the control names were checked when the scenario was read.
void performAction(HWND dialog, const ScenarioAction& action);

// The Escape key: the dialog procedure receives WM_COMMAND with IDCANCEL; the focus stays.
void pressEscape(HWND dialog);

// The window's text.
std::string windowText(HWND window);

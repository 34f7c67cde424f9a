// The check of the dialog's input on OK: in a fixed order, the first failing check shows its
// message, and nothing is stored until every check has passed.
#pragma once

#include "platform/platform.h"

#include <cstdint>

// The bounds of a push distance in EVPUs, both included.
constexpr int32_t smallestPushDistance = -500;
constexpr int32_t largestPushDistance = 500;

// Checks the selection, the distance, the system range and the smart-filter conflict, then
// stores the choices and the selected list positions into dialogValues.dialogState: 1 when
// accepted. On a failing check: its message, the focus where the check says, 0 and nothing
// stored; when the selection array can't be allocated: 0 with no array and no message. The
// array holds the positions the list wrote, and selectedCount is their number.
int32_t validateDialogInput(HWND dialog);

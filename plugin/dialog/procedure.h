// The dialog procedure: it dispatches the dialog's messages to set-up, the commands of its
// buttons and lists, and the steps of its up-down controls.
#pragma once

#include "platform/platform.h"

#include <cstdint>

// WM_INITDIALOG: set-up, 1. WM_COMMAND: the control's command, 0. WM_NOTIFY: the up-down steps
// of the scope and distance spins, 1 (a notification without its record is ignored). Any other
// message: 0. The fifth value is not used.
int32_t LUMBREL_CDECL mainDialogProc(HWND dialog, uint32_t message, WPARAM wParam, LPARAM lParam,
                                     int32_t unused);

// "A&ll": selects entries 0 through instrumentCount - 1 of the instrument list.
void selectAllInstruments(HWND dialog);
// "&None": clears the selection of entries 0 through 16000.
void selectNoInstruments(HWND dialog);
// "&Above": exactly the entries from the first through the current one are selected. Without a
// current entry the selection stays and the enabling rules run.
void selectInstrumentsAbove(HWND dialog);
// "&Below": exactly the entries from the current one through the last are selected. Without a
// current entry the selection stays and the enabling rules run.
void selectInstrumentsBelow(HWND dialog);

// OK: validates and stores the input, pushes, frees the selection array and ends the dialog.
// A failed validation leaves the dialog open.
void confirmDialog(HWND dialog);
// Cancel: ends the dialog; nothing is stored.
void cancelDialog(HWND dialog);

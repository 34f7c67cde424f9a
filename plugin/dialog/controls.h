// The control operations of the dialog: each sends one message to a list box, combo box, edit
// field or up-down control, or reads or writes a unit-aware value through the host's dialog
// services. None checks a result except to return it.
#pragma once

#include "platform/platform.h"

#include <cstdint>

// The item kinds that FX_GetDlgItemVal and FX_SetDlgItemVal take after the control ID.
constexpr int32_t itemKindComboBox = 0; // 1-based position of the selected entry
constexpr int32_t itemKindCheckBox = 1; // 0 unchecked, non-zero checked
constexpr int32_t itemKindRadio = 2;    // 0 not checked, non-zero checked
constexpr int32_t itemKindNumber = 3;   // whole number in an edit field

// Sets an up-down control's range: maximum in the low word, minimum in the high word.
void setSpinRange(HWND dialog, int16_t item, int16_t minimum, int16_t maximum);

// Selects the whole text of an edit field.
void selectAllText(HWND dialog, int16_t item);

// Limits an edit field to `maxChars` characters.
void limitText(HWND dialog, int16_t item, int16_t maxChars);

// The list box's current entry; LB_ERR (-1) when it has none.
int32_t getListCurrent(HWND dialog, int16_t item);

// Appends `text` to the list box; the position of the new entry.
int32_t addListString(HWND dialog, int16_t item, const char* text);

// Appends `text` to the combo box; the position of the new entry.
int32_t addComboString(HWND dialog, int16_t item, const char* text);

// Selects (select non-zero) or deselects entry `index` of an extended-selection list box.
void setListSelected(HWND dialog, int16_t item, int16_t index, int16_t select);

// Selects the entries `first` through `last`; with first above last, deselects last..first.
void selectListRange(HWND dialog, int16_t item, int16_t first, int16_t last);

// Clears the selection of entries 0 through 16000; entries beyond keep theirs.
void deselectListAll(HWND dialog, int16_t item);

// The number of selected entries, or the list's error value.
int32_t getListSelCount(HWND dialog, int16_t item);

// Writes the positions of at most `maxCount` selected entries into `buffer`; the number written,
// or the list's error value.
int32_t getListSelItems(HWND dialog, int16_t item, int16_t maxCount, int32_t* buffer);

// Shows `value` EVPUs in the field, in measurement unit `unit`.
void setUnitValue(HWND dialog, int16_t item, int16_t unit, double value);

// Adds `delta` EVPUs to the field's value, holds the sum within minimum..maximum and writes it
// back in `unit`. A field the host cannot read counts as 0.
void stepUnitValue(HWND dialog, int16_t item, double delta, double minimum, double maximum,
                   int16_t unit);

// The scope value of the selected scope list entry; 0 when the host reports a position that
// the list does not hold.
int16_t currentScope(HWND dialog);

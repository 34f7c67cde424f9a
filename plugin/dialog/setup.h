// The dialog's set-up when it opens, its enabling rules, and the scope list: the table that maps
// each list position to a scope value, the lookup the other way and the stepping of the list.
#pragma once

#include "platform/platform.h"
#include "score/records.h"

#include <cstdint>

// Fills the dialog from the score, the selection region and dialogValues.dialogState: the
// instrument list (setting instrumentCount), the region's staves and scope, the scope list,
// the limits and ranges, the unit, the settings, the total line, then the enabling rules and,
// last, the layout rule.
void setUpDialog(HWND dialog);

// The enabling rules: "&Above"/"&Below" with a current list entry; the optimized group and the
// radio buttons with scope 1; the range controls with scope 1 and "All s&taff systems" clear;
// "Smart &filter" and the total line with scope 1.
void updateControlStates(HWND dialog);

// Moves the scope list's selection by the notification's iDelta, held within the list, and
// applies the enabling rules. True when the selected entry changed.
bool stepScopeChoice(HWND dialog, const NMUPDOWN& notification);

// Builds scopeChoices (1 when some system is optimized, 2, then 3+i for each existing staff set
// #i+1) and adds their texts to the scope list.
void fillScopeChoices(HWND dialog);

// The layout rule: ticks "A&utomatically Update Layout" for scope 1, for scope 2 only when some
// system is not optimized; clears it for a staff set; leaves it for any other value.
void setUpdateLayoutForScope(HWND dialog);

// The 0-based position of the first scope list entry with value `scope`; 0 when none has it.
int16_t scopeChoiceIndex(int16_t scope);

// The scope of the staff list a selection lies in: 2 for the global list, 3..10 for staff sets
// #1..#8, 1 for any other list.
int16_t scopeOfRegion(const SelectionRegion& region);

// Selects in the instrument list the entry of each staff in the region's slots. A staff whose
// global slot lies outside the list is skipped. Nothing happens without a region.
void selectRegionStaves(HWND dialog);

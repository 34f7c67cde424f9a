// Pictures of staff positions: the staff lists of a score drawn as columns of horizontal lines,
// one for each staff at its vertical position, written as plain SVG.
#pragma once

#include "store/record_store.h"

#include <string>

// The staff lists of `store` as an SVG picture: one column per list, the systems' own lists in
// number order, then the global staff list, then the staff sets #1 to #8 (any other list last).
// Each entry of a list, up to the first missing one, is a horizontal line at its position, with
// the name the plug-in's instrument list gives its staff. One vertical scale serves every column,
// beside a ruler of positions in EVPUs. Every <line> element is a staff; its group carries the
// staff, the entry and the position as data- attributes. The same score gives the same bytes.
std::string drawStaffLists(const RecordStore& store);

// The change of the staff lists from `before` to `after`, drawn as drawStaffLists does with
// each list's column before and after side by side. An entry whose position differs is
// highlighted in both columns and labelled in the after column with the distance it moved, in
// EVPUs (positive up, across the 32-bit wrap-around).
std::string drawStaffListChanges(const RecordStore& before, const RecordStore& after);

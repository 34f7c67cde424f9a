// Pictures of staff positions: the staff lists of a score drawn as columns of horizontal lines,
// one for each staff at its vertical position, written as plain SVG.
#pragma once

#include "store/record_store.h"

#include <string>

// The staff lists of `store` as an SVG picture: one column per list, the systems' own lists in
// number order, then the Global Staff Set, then the Staff Sets #1 to #8 (any other list last),
// headed with the dialog's words for them. The columns run in rows of at most four, one row
// under the other, so that the picture stays about as narrow as a page. Each entry of a list, up
// to the first missing one, is a horizontal line at its position, with the name the plug-in's
// instrument list gives its staff. One vertical scale serves every column, beside a ruler of
// positions in EVPUs in each row. Every <line> element is a staff; its group carries the staff,
// the entry and the position as data- attributes. The same score gives the same bytes.
std::string drawStaffLists(const RecordStore& store);

// The change of the staff lists from `before` to `after`, drawn as drawStaffLists does with
// each list's column before and after side by side (two lists to a row). An entry whose position
// differs is highlighted in both columns and labelled in the after column with the distance it
// moved, in EVPUs (positive up, across the 32-bit wrap-around).
std::string drawStaffListChanges(const RecordStore& before, const RecordStore& after);

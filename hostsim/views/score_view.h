// The score as the interactive host's window shows it: the text `show` prints, with the staff
// list entries that the last invocation moved marked.
#pragma once

#include "store/record_store.h"

#include <cstdint>
#include <string>
#include <vector>

// A staff list entry whose position an invocation changed.
struct MovedEntry {
    int16_t list = 0;
    uint16_t entry = 0;
    int32_t before = 0; // its position before; 0 when the entry did not exist
    int32_t after = 0;
};

// The staff list entries whose position differs between `before` and `after`, or that exist only
// in `after`, ordered by list (signed) and entry.
std::vector<MovedEntry> movedEntries(const RecordStore& before, const RecordStore& after);

// describeScore's text of `store`, with each row of a moved entry starting with "*" in place of
// a blank and ending with how far it moved and from where, for example "+24 (was -276)".
std::string scoreViewText(const RecordStore& store, const std::vector<MovedEntry>& moved);

#include "views/score_view.h"

#include "store/score_layout.h"
#include "views/score_text.h"

#include <cstdlib>
#include <sstream>

std::vector<MovedEntry> movedEntries(const RecordStore& before, const RecordStore& after) {
    std::vector<MovedEntry> moved;
    for (const RecordId& id : sortedRecordIds(after)) {
        if (id.tag != tagStaffListEntry)
            continue;
        MovedEntry entry;
        entry.list = id.number;
        entry.entry = id.increment;
        entry.after = readS32(*findRecord(after, id), listEntryPositionOffset);
        const std::vector<uint8_t>* old = findRecord(before, id);
        if (old != nullptr)
            entry.before = readS32(*old, listEntryPositionOffset);
        if (old == nullptr || entry.before != entry.after)
            moved.push_back(entry);
    }
    return moved;
}

// The move as a person reads it: the signed distance and the old position.
static std::string moveText(const MovedEntry& entry) {
    int64_t distance = int64_t{entry.after} - entry.before;
    return (distance > 0 ? "+" : "") + std::to_string(distance) + " (was " +
           std::to_string(entry.before) + ")";
}

// The entry number a table row of a staff list starts with; false for the header row.
static bool rowEntry(const std::string& line, long& entry) {
    size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos || line[start] < '0' || line[start] > '9')
        return false;
    entry = std::strtol(line.c_str() + start, nullptr, 10);
    return true;
}

std::string scoreViewText(const RecordStore& store, const std::vector<MovedEntry>& moved) {
    std::istringstream in(describeScore(store));
    std::string out;
    std::string heading; // the line the current table stands under
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] != ' ') {
            heading = line;
        } else if (long entry = 0; !moved.empty() && rowEntry(line, entry)) {
            for (const MovedEntry& m : moved) {
                if (m.entry != entry || heading != staffListName(m.list))
                    continue;
                line[0] = '*';
                line += "  " + moveText(m);
                break;
            }
        }
        out += line + "\n";
    }
    return out;
}

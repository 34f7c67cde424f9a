#include "views/score_text.h"

#include "store/caret.h"
#include "store/score_layout.h"

#include <algorithm>
#include <cstdint>
#include <vector>

using Row = std::vector<std::string>;

// The unit's name, or null for a number that names no unit.
static const char* unitName(int16_t unit) {
    static const char* const names[] = {"EVPUs",  "inches", "centimeters",
                                        "points", "picas",  "spaces"};
    return unit >= 1 && unit <= 6 ? names[unit - 1] : nullptr;
}

std::string staffListName(int16_t number) {
    if (number >= firstStaffSetList && number <= lastStaffSetList)
        return "Staff set #" + std::to_string(number - firstStaffSetList + 1);
    if (number == globalStaffList)
        return "Global staff list";
    return "System " + std::to_string(number);
}

// `text` with control characters shown as "?", so that a name can't break a table's lines.
static std::string printable(std::string text) {
    for (char& c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            c = '?';
    }
    return text;
}

std::string displayName(const RecordStore& store, uint16_t staff) {
    auto number = static_cast<int16_t>(staff);
    std::string name;
    if (!findStaffName(store, number, name))
        return "[Staff " + std::to_string(staff) + "]";
    size_t start = 0;
    // only the commands at the start go; a later caret stays in the name
    while (start < name.size() && name[start] == '^')
        start = skipCaretCommand(name, start);
    std::string shown = printable(name.substr(start));
    if (isStaffHidden(store, number))
        shown += " (hidden)";
    return shown;
}

// "first-last" of the measures from `first` up to but not including `end`.
static std::string measureRange(int first, int end) {
    if (end - 1 < first)
        return "none";
    if (end - 1 == first)
        return std::to_string(first);
    return std::to_string(first) + "-" + std::to_string(end - 1);
}

// The width of UTF-8 text in characters.
static size_t textWidth(const std::string& text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// Appends `rows` as a table indented by two blanks, its columns two blanks apart; the columns
// marked in `right` are aligned right. Lines carry no trailing blanks.
static void appendTable(std::string& out, const std::vector<Row>& rows,
                        const std::vector<bool>& right) {
    std::vector<size_t> widths(right.size(), 0);
    for (const Row& row : rows)
        for (size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], textWidth(row[c]));
    for (const Row& row : rows) {
        std::string line;
        for (size_t c = 0; c < row.size(); ++c) {
            std::string padding(widths[c] - textWidth(row[c]), ' ');
            line += "  " + (right[c] ? padding + row[c] : row[c] + padding);
        }
        line.erase(line.find_last_not_of(' ') + 1);
        out += line + "\n";
    }
}

// Appends the systems table, or "Systems: none".
static void appendSystems(std::string& out, const RecordStore& store,
                          const std::vector<RecordId>& ids) {
    std::vector<Row> rows = {{"System", "Measures", "Optimized"}};
    for (const RecordId& id : ids) {
        if (id.tag != tagStaffSystem || id.increment != 0 || id.number < 1)
            continue;
        const std::vector<uint8_t>& bytes = *findRecord(store, id);
        bool optimized = (readU16(bytes, systemFlagsOffset) & systemOptimizedFlag) != 0;
        rows.push_back({std::to_string(id.number),
                        measureRange(readS16(bytes, systemFirstMeasureOffset),
                                     readS16(bytes, systemEndMeasureOffset)),
                        optimized ? "yes" : "no"});
    }
    if (rows.size() == 1) {
        out += "Systems: none\n";
        return;
    }
    out += "Systems\n";
    appendTable(out, rows, {true, false, false});
}

// Appends the staves table with their display names, or "Staves: none".
static void appendStaves(std::string& out, const RecordStore& store,
                         const std::vector<RecordId>& ids) {
    std::vector<Row> rows = {{"Staff", "Name"}};
    for (const RecordId& id : ids) {
        if (id.tag != tagStaff || id.increment != 0)
            continue;
        auto staff = static_cast<uint16_t>(id.number);
        rows.push_back({std::to_string(staff), displayName(store, staff)});
    }
    if (rows.size() == 1) {
        out += "Staves: none\n";
        return;
    }
    out += "Staves\n";
    appendTable(out, rows, {true, false});
}

// Appends list `list` under its name, its entries up to the first missing increment.
static void appendStaffList(std::string& out, const RecordStore& store, int16_t list) {
    std::vector<Row> rows = {{"Entry", "Staff", "Name", "Position"}};
    for (uint32_t k = 0; k <= UINT16_MAX; ++k) {
        const std::vector<uint8_t>* entry =
            findRecord(store, RecordId{tagStaffListEntry, list, static_cast<uint16_t>(k)});
        if (!entry)
            break;
        uint16_t staff = readU16(*entry, listEntryStaffOffset);
        rows.push_back({std::to_string(k), std::to_string(staff), displayName(store, staff),
                        std::to_string(readS32(*entry, listEntryPositionOffset))});
    }
    out += staffListName(list);
    if (rows.size() == 1) {
        out += ": no entries\n";
        return;
    }
    out += "\n";
    appendTable(out, rows, {true, true, false, true});
}

std::string describeScore(const RecordStore& store) {
    std::vector<RecordId> ids = sortedRecordIds(store);
    std::string out = "Measurement unit: ";
    if (const std::vector<uint8_t>* preferences =
            findRecord(store, RecordId{tagPreferences, 0, 0})) {
        int16_t unit = readS16(*preferences, preferencesUnitOffset);
        const char* name = unitName(unit);
        out += std::to_string(unit) + " (" + (name ? name : "unknown unit") + ")\n";
    } else {
        out += "not set\n";
    }
    out += "\n";
    appendSystems(out, store, ids);
    out += "\n";
    appendStaves(out, store, ids);
    bool anyList = false;
    for (size_t i = 0; i < ids.size(); ++i) {
        // ids are sorted, so a list's records follow one another
        if (ids[i].tag != tagStaffListEntry ||
            (i > 0 && ids[i - 1].tag == tagStaffListEntry && ids[i - 1].number == ids[i].number))
            continue;
        out += "\n";
        appendStaffList(out, store, ids[i].number);
        anyList = true;
    }
    if (!anyList)
        out += "\nStaff lists: none\n";
    return out;
}

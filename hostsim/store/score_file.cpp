#include "store/score_file.h"

#include "store/score_layout.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <set>
#include <utility>
#include <vector>

using nlohmann::json;

namespace {

// The file being read and the message of its first fault.
struct Input {
    std::string file;
    std::string error;
};

// A staff whose name still needs a text record and a text block.
struct PendingName {
    int16_t staff;
    std::string name;
    std::string place;
};

// A record of the `records` array, stored after everything else.
struct RawRecord {
    RecordId id;
    std::vector<uint8_t> bytes;
};

} // namespace

// Records the fault at `place` (a JSON pointer) and returns false.
static bool fail(Input& in, const std::string& place, const std::string& reason) {
    in.error = in.file + ": " + (place.empty() ? std::string("top level") : place) + ": " + reason;
    return false;
}

// The JSON pointer of member `key` of the object at `place`.
static std::string member(const std::string& place, const std::string& key) {
    std::string pointer = place + "/";
    for (char c : key) {
        if (c == '~')
            pointer += "~0";
        else if (c == '/')
            pointer += "~1";
        else
            pointer += c;
    }
    return pointer;
}

// The JSON pointer of element `index` of the array at `place`.
static std::string element(const std::string& place, size_t index) {
    return place + "/" + std::to_string(index);
}

// The member `key` of `object`, or null when it has none.
static const json* field(const json& object, const char* key) {
    auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

// False, with a fault at `place`, unless `value` is an object (requireArray: an array).
static bool requireObject(Input& in, const json& value, const std::string& place) {
    return value.is_object() || fail(in, place, "expected an object");
}

static bool requireArray(Input& in, const json& value, const std::string& place) {
    return value.is_array() || fail(in, place, "expected an array");
}

// False, naming the first member of `object` that is not one of `known`.
static bool checkFields(Input& in, const json& object, const std::string& place,
                        std::initializer_list<const char*> known) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool isKnown = false;
        for (const char* name : known)
            isKnown = isKnown || it.key() == name;
        if (isKnown)
            continue;
        std::string list;
        for (const char* name : known)
            list += (list.empty() ? "" : ", ") + std::string(name);
        return fail(in, member(place, it.key()), "unknown field (known fields: " + list + ")");
    }
    return true;
}

// Reads a whole number from `low` to `high`; a number written with a fraction part of zero counts.
static bool readWhole(Input& in, const json& value, const std::string& place, int64_t low,
                      int64_t high, int64_t& result) {
    bool fits = false;
    if (value.is_number_unsigned()) {
        auto number = value.get<uint64_t>();
        result = static_cast<int64_t>(number);
        fits = number <= static_cast<uint64_t>(high) && result >= low;
    } else if (value.is_number_integer()) {
        result = value.get<int64_t>();
        fits = result >= low && result <= high;
    } else if (value.is_number_float()) {
        auto number = value.get<double>();
        fits = std::floor(number) == number && number >= static_cast<double>(low) &&
               number <= static_cast<double>(high);
        if (fits)
            result = static_cast<int64_t>(number);
    }
    return fits || fail(in, place,
                        "expected a whole number from " + std::to_string(low) + " to " +
                            std::to_string(high));
}

// Reads a boolean into `result`.
static bool readBool(Input& in, const json& value, const std::string& place, bool& result) {
    if (!value.is_boolean())
        return fail(in, place, "expected true or false");
    result = value.get<bool>();
    return true;
}

// Reads a string of hex digit pairs into `bytes`.
static bool readHex(Input& in, const json& value, const std::string& place,
                    std::vector<uint8_t>& bytes) {
    if (!value.is_string())
        return fail(in, place, "expected a string of hex digits");
    const auto& text = value.get_ref<const std::string&>();
    if (text.size() % 2 != 0)
        return fail(in, place,
                    "expected an even number of hex digits, got " + std::to_string(text.size()));
    if (!parseHex(text, bytes))
        return fail(in, place, "expected only hex digits (0-9, a-f)");
    return true;
}

// The starting bytes of a generated record: its "bytes" when given (at least `size` of them),
// otherwise `size` zeros.
static bool startRecord(Input& in, const json& object, const std::string& place, size_t size,
                        std::vector<uint8_t>& bytes) {
    const json* given = field(object, "bytes");
    if (!given) {
        bytes.assign(size, 0);
        return true;
    }
    std::string bytesPlace = member(place, "bytes");
    if (!readHex(in, *given, bytesPlace, bytes))
        return false;
    if (bytes.size() < size)
        return fail(in, bytesPlace,
                    "expected at least " + std::to_string(size) + " bytes, got " +
                        std::to_string(bytes.size()));
    return true;
}

// Writes the whole number `key` of `object`, when present, as 16 bits at `offset`.
static bool writeField16(Input& in, const json& object, const std::string& place, const char* key,
                         int64_t low, int64_t high, std::vector<uint8_t>& bytes, size_t offset) {
    const json* value = field(object, key);
    int64_t number = 0;
    if (!value)
        return true;
    if (!readWhole(in, *value, member(place, key), low, high, number))
        return false;
    writeU16(bytes, offset, static_cast<uint16_t>(number));
    return true;
}

// Sets or clears `flag` of the 16-bit flags at `offset` by the boolean `key`, when present.
static bool writeFlag(Input& in, const json& object, const std::string& place, const char* key,
                      std::vector<uint8_t>& bytes, size_t offset, uint16_t flag) {
    const json* value = field(object, key);
    bool set = false;
    if (!value)
        return true;
    if (!readBool(in, *value, member(place, key), set))
        return false;
    uint16_t flags = readU16(bytes, offset);
    writeU16(bytes, offset, static_cast<uint16_t>(set ? flags | flag : flags & ~flag));
    return true;
}

// Reads the required whole number `key` of `object`.
static bool readRequired(Input& in, const json& object, const std::string& place, const char* key,
                         int64_t low, int64_t high, int64_t& result) {
    const json* value = field(object, key);
    if (!value)
        return fail(in, place, std::string("missing field \"") + key + "\"");
    return readWhole(in, *value, member(place, key), low, high, result);
}

// Stores the preferences record holding the unit.
static bool parseMeasurementUnit(Input& in, const json& value, const std::string& place,
                                 RecordStore& out) {
    int64_t unit = 0;
    if (!readWhole(in, value, place, INT16_MIN, UINT16_MAX, unit))
        return false;
    std::vector<uint8_t> bytes(preferencesRecordSize, 0);
    writeU16(bytes, preferencesUnitOffset, static_cast<uint16_t>(unit));
    putRecord(out, RecordId{tagPreferences, 0, 0}, std::move(bytes));
    return true;
}

// Stores one system record per element, under its own or its implied number.
static bool parseSystems(Input& in, const json& systems, const std::string& place,
                         RecordStore& out) {
    if (!requireArray(in, systems, place))
        return false;
    std::set<int64_t> numbers;
    for (size_t i = 0; i < systems.size(); ++i) {
        const json& system = systems[i];
        std::string at = element(place, i);
        if (!requireObject(in, system, at) ||
            !checkFields(in, system, at,
                         {"number", "firstMeasure", "endMeasure", "optimized", "bytes"}))
            return false;
        auto number = static_cast<int64_t>(i) + 1;
        std::string numberAt = at;
        if (field(system, "number")) {
            numberAt = member(at, "number");
            if (!readWhole(in, system["number"], numberAt, 1, INT16_MAX, number))
                return false;
        } else if (number > INT16_MAX) {
            return fail(in, at, "system number " + std::to_string(number) + " is out of range");
        }
        if (!numbers.insert(number).second)
            return fail(in, numberAt, "duplicate system number " + std::to_string(number));
        std::vector<uint8_t> bytes;
        if (!startRecord(in, system, at, systemRecordSize, bytes) ||
            !writeField16(in, system, at, "firstMeasure", INT16_MIN, INT16_MAX, bytes,
                          systemFirstMeasureOffset) ||
            !writeField16(in, system, at, "endMeasure", INT16_MIN, INT16_MAX, bytes,
                          systemEndMeasureOffset) ||
            !writeFlag(in, system, at, "optimized", bytes, systemFlagsOffset, systemOptimizedFlag))
            return false;
        putRecord(out, RecordId{tagStaffSystem, static_cast<int16_t>(number), 0}, std::move(bytes));
    }
    return true;
}

// Stores the staves; those with a `name` wait in `pending` for their text numbers, and every
// `nameText` given goes into `usedTexts`.
static bool parseStaves(Input& in, const json& staves, const std::string& place, RecordStore& out,
                        std::vector<PendingName>& pending, std::set<int64_t>& usedTexts) {
    if (!requireArray(in, staves, place))
        return false;
    std::set<int64_t> numbers;
    for (size_t i = 0; i < staves.size(); ++i) {
        const json& staff = staves[i];
        std::string at = element(place, i);
        int64_t number = 0;
        if (!requireObject(in, staff, at) ||
            !checkFields(in, staff, at, {"number", "name", "nameText", "hidden", "bytes"}) ||
            !readRequired(in, staff, at, "number", INT16_MIN, INT16_MAX, number))
            return false;
        if (!numbers.insert(number).second)
            return fail(in, member(at, "number"),
                        "duplicate staff number " + std::to_string(number));
        std::vector<uint8_t> bytes;
        if (!startRecord(in, staff, at, staffRecordSize, bytes) ||
            !writeFlag(in, staff, at, "hidden", bytes, staffFlagsOffset, staffHiddenFlag))
            return false;
        const json* name = field(staff, "name");
        const json* nameText = field(staff, "nameText");
        if (name && nameText)
            return fail(in, at, "give either \"name\" or \"nameText\", not both");
        if (nameText) {
            int64_t text = 0;
            if (!readWhole(in, *nameText, member(at, "nameText"), INT16_MIN, INT16_MAX, text))
                return false;
            writeU16(bytes, staffNameTextOffset, static_cast<uint16_t>(text));
            usedTexts.insert(text);
        }
        if (name) {
            if (!name->is_string())
                return fail(in, member(at, "name"), "expected a string");
            pending.push_back(PendingName{static_cast<int16_t>(number), name->get<std::string>(),
                                          member(at, "name")});
        }
        putRecord(out, RecordId{tagStaff, static_cast<int16_t>(number), 0}, std::move(bytes));
    }
    return true;
}

// Stores entry k of `entries` as the list entry record (`list`, k).
static bool parseListEntries(Input& in, const json& entries, const std::string& place, int16_t list,
                             RecordStore& out) {
    if (!requireArray(in, entries, place))
        return false;
    if (entries.size() > static_cast<size_t>(UINT16_MAX) + 1)
        return fail(in, place, "a staff list holds at most 65536 entries");
    for (size_t k = 0; k < entries.size(); ++k) {
        const json& entry = entries[k];
        std::string at = element(place, k);
        std::vector<uint8_t> bytes;
        if (!requireObject(in, entry, at) ||
            !checkFields(in, entry, at, {"staff", "position", "bytes"}) ||
            !startRecord(in, entry, at, listEntryRecordSize, bytes) ||
            !writeField16(in, entry, at, "staff", INT16_MIN, UINT16_MAX, bytes,
                          listEntryStaffOffset))
            return false;
        if (const json* position = field(entry, "position")) {
            int64_t value = 0;
            if (!readWhole(in, *position, member(at, "position"), INT32_MIN, INT32_MAX, value))
                return false;
            writeS32(bytes, listEntryPositionOffset, static_cast<int32_t>(value));
        }
        putRecord(out, RecordId{tagStaffListEntry, list, static_cast<uint16_t>(k)},
                  std::move(bytes));
    }
    return true;
}

// Stores the entries of every list, checking that no list number comes twice.
static bool parseStaffLists(Input& in, const json& lists, const std::string& place,
                            RecordStore& out) {
    if (!requireArray(in, lists, place))
        return false;
    std::set<int64_t> numbers;
    for (size_t i = 0; i < lists.size(); ++i) {
        const json& list = lists[i];
        std::string at = element(place, i);
        int64_t number = 0;
        if (!requireObject(in, list, at) || !checkFields(in, list, at, {"number", "entries"}) ||
            !readRequired(in, list, at, "number", INT16_MIN, INT16_MAX, number))
            return false;
        if (!numbers.insert(number).second)
            return fail(in, member(at, "number"),
                        "duplicate staff list number " + std::to_string(number));
        const json* entries = field(list, "entries");
        if (!entries)
            return fail(in, at, "missing field \"entries\"");
        if (!parseListEntries(in, *entries, member(at, "entries"), static_cast<int16_t>(number),
                              out))
            return false;
    }
    return true;
}

// Collects the raw records, in order, into `raws`.
static bool parseRawRecords(Input& in, const json& records, const std::string& place,
                            std::vector<RawRecord>& raws) {
    if (!requireArray(in, records, place))
        return false;
    for (size_t i = 0; i < records.size(); ++i) {
        const json& record = records[i];
        std::string at = element(place, i);
        if (!requireObject(in, record, at) ||
            !checkFields(in, record, at, {"tag", "number", "increment", "bytes"}))
            return false;
        RawRecord raw{RecordId{0, 0, 0}, {}};
        const json* tag = field(record, "tag");
        if (!tag)
            return fail(in, at, "missing field \"tag\"");
        if (!tag->is_string() || !parseTag(tag->get<std::string>(), raw.id.tag))
            return fail(in, member(at, "tag"), "expected four printable ASCII characters");
        int64_t number = 0;
        int64_t increment = 0;
        if (!readRequired(in, record, at, "number", INT16_MIN, INT16_MAX, number))
            return false;
        if (field(record, "increment") &&
            !readWhole(in, record["increment"], member(at, "increment"), 0, UINT16_MAX, increment))
            return false;
        const json* bytes = field(record, "bytes");
        if (!bytes)
            return fail(in, at, "missing field \"bytes\"");
        if (!readHex(in, *bytes, member(at, "bytes"), raw.bytes))
            return false;
        raw.id.number = static_cast<int16_t>(number);
        raw.id.increment = static_cast<uint16_t>(increment);
        raws.push_back(std::move(raw));
    }
    return true;
}

// The smallest number above `after` that is not in `used`.
static int64_t nextFree(const std::set<int64_t>& used, int64_t after) {
    int64_t number = after + 1;
    while (used.count(number))
        ++number;
    return number;
}

// Gives each pending name a text record and a text block under the lowest free numbers, in
// staff order, and points the staff record at the text.
static bool makeNameTexts(Input& in, const std::vector<PendingName>& pending,
                          const std::set<int64_t>& usedTexts, const std::set<int64_t>& usedBlocks,
                          RecordStore& out) {
    int64_t text = 0;
    int64_t block = 0;
    for (const PendingName& name : pending) {
        text = nextFree(usedTexts, text);
        block = nextFree(usedBlocks, block);
        if (text > INT16_MAX || block > INT16_MAX)
            return fail(in, name.place, "no free text number is left for this name");
        auto textNumber = static_cast<int16_t>(text);
        auto blockNumber = static_cast<int16_t>(block);
        writeU16(*findRecord(out, RecordId{tagStaff, name.staff, 0}), staffNameTextOffset,
                 static_cast<uint16_t>(textNumber));
        std::vector<uint8_t> textRecord(textRecordSize, 0);
        writeU16(textRecord, textBlockOffset, static_cast<uint16_t>(blockNumber));
        putRecord(out, RecordId{tagTextRecord, textNumber, 0}, std::move(textRecord));
        std::vector<uint8_t> characters(name.name.begin(), name.name.end());
        characters.push_back(0);
        putRecord(out, RecordId{tagTextBlock, blockNumber, 0}, std::move(characters));
    }
    return true;
}

// Builds every record of `score` into `out`, which may hold part of them after a fault.
static bool buildScore(Input& in, const json& score, const std::string& place, RecordStore& out) {
    if (!score.is_object())
        return fail(in, place, "expected a score object");
    if (!checkFields(in, score, place,
                     {"measurementUnit", "systems", "staves", "staffLists", "records", "view"}))
        return false;
    std::vector<PendingName> pending;
    std::set<int64_t> usedTexts;
    std::set<int64_t> usedBlocks;
    std::vector<RawRecord> raws;
    const json* unit = field(score, "measurementUnit");
    const json* systems = field(score, "systems");
    const json* staves = field(score, "staves");
    const json* lists = field(score, "staffLists");
    const json* records = field(score, "records");
    if ((unit && !parseMeasurementUnit(in, *unit, member(place, "measurementUnit"), out)) ||
        (systems && !parseSystems(in, *systems, member(place, "systems"), out)) ||
        (staves && !parseStaves(in, *staves, member(place, "staves"), out, pending, usedTexts)) ||
        (lists && !parseStaffLists(in, *lists, member(place, "staffLists"), out)) ||
        (records && !parseRawRecords(in, *records, member(place, "records"), raws)))
        return false;
    for (const RawRecord& raw : raws) {
        if (raw.id.tag == tagTextRecord)
            usedTexts.insert(raw.id.number);
        else if (raw.id.tag == tagTextBlock)
            usedBlocks.insert(raw.id.number);
    }
    if (!makeNameTexts(in, pending, usedTexts, usedBlocks, out))
        return false;
    for (RawRecord& raw : raws)
        putRecord(out, raw.id, std::move(raw.bytes));
    return true;
}

bool parseScore(const json& score, const std::string& file, const std::string& place,
                RecordStore& store, std::string& error) {
    Input in{file, {}};
    RecordStore built;
    bool ok = false;
    try {
        ok = buildScore(in, score, place, built);
    } catch (const std::exception& e) {
        ok = fail(in, place, std::string("cannot read the score: ") + e.what());
    }
    if (!ok) {
        error = in.error;
        return false;
    }
    std::swap(store, built);
    return true;
}

// Reads the whole file into `text`; false with the system's reason otherwise.
static bool readFile(const std::string& path, std::string& text, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = path + ": cannot read: " + std::strerror(errno);
        return false;
    }
    char buffer[65536];
    size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, count);
    int code = errno;
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        error = path + ": cannot read: " + std::strerror(code);
        return false;
    }
    return true;
}

// "line L, column C: REASON" for a parse error, L and C counted from 1 at the byte where the
// parser stopped, REASON being the parser's own words without its prefixes.
static std::string describeParseError(const std::string& text, const json::parse_error& e) {
    size_t offset = e.byte > 0 ? e.byte - 1 : 0;
    if (offset > text.size())
        offset = text.size();
    size_t line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    std::string reason = e.what();
    // "[json.exception.parse_error.101] parse error at line 1, column 2: syntax error while
    // parsing value - invalid literal; last read: 'x'": keep what follows the dash
    size_t start = reason.find("column ");
    start = start == std::string::npos ? std::string::npos : reason.find(": ", start);
    if (start != std::string::npos)
        reason.erase(0, start + 2);
    if (reason.rfind("syntax error while parsing ", 0) == 0) {
        size_t dash = reason.find(" - ");
        if (dash != std::string::npos)
            reason.erase(0, dash + 3);
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(offset - lineStart + 1) +
           ": " + reason;
}

bool readScoreFile(const std::string& path, RecordStore& store, std::string& error) {
    std::string text;
    if (!readFile(path, text, error))
        return false;
    json score;
    try {
        score = json::parse(text);
    } catch (const json::parse_error& e) {
        error = path + ": " + describeParseError(text, e);
        return false;
    }
    return parseScore(score, path, "", store, error);
}

// The systems: every system record of increment 0 and number 1 or more, by number.
static json systemsView(const RecordStore& store, const std::vector<RecordId>& ids) {
    json systems = json::array();
    for (const RecordId& id : ids) {
        if (id.tag != tagStaffSystem || id.increment != 0 || id.number < 1)
            continue;
        const std::vector<uint8_t>& bytes = *findRecord(store, id);
        systems.push_back(
            {{"number", id.number},
             {"firstMeasure", readS16(bytes, systemFirstMeasureOffset)},
             {"endMeasure", readS16(bytes, systemEndMeasureOffset)},
             {"optimized", (readU16(bytes, systemFlagsOffset) & systemOptimizedFlag) != 0}});
    }
    return systems;
}

// The staves: every staff record of increment 0, with its name when it has one.
static json stavesView(const RecordStore& store, const std::vector<RecordId>& ids) {
    json staves = json::array();
    for (const RecordId& id : ids) {
        if (id.tag != tagStaff || id.increment != 0)
            continue;
        json staff = {{"number", id.number}, {"hidden", isStaffHidden(store, id.number)}};
        std::string name;
        if (findStaffName(store, id.number, name))
            staff["name"] = name;
        staves.push_back(std::move(staff));
    }
    return staves;
}

// Every staff list by number, with its entries up to the first missing increment.
static json staffListsView(const RecordStore& store, const std::vector<RecordId>& ids) {
    json lists = json::array();
    for (size_t i = 0; i < ids.size(); ++i) {
        // ids are sorted, so a list's records follow one another
        if (ids[i].tag != tagStaffListEntry ||
            (i > 0 && ids[i - 1].tag == tagStaffListEntry && ids[i - 1].number == ids[i].number))
            continue;
        json entries = json::array();
        for (uint32_t k = 0; k <= UINT16_MAX; ++k) {
            const std::vector<uint8_t>* entry = findRecord(
                store, RecordId{tagStaffListEntry, ids[i].number, static_cast<uint16_t>(k)});
            if (!entry)
                break;
            entries.push_back({{"staff", readS16(*entry, listEntryStaffOffset)},
                               {"position", readS32(*entry, listEntryPositionOffset)}});
        }
        lists.push_back({{"number", ids[i].number}, {"entries", std::move(entries)}});
    }
    return lists;
}

json scoreToJson(const RecordStore& store) {
    std::vector<RecordId> ids = sortedRecordIds(store);
    json records = json::array();
    for (const RecordId& id : ids)
        records.push_back({{"tag", tagString(id.tag)},
                           {"number", id.number},
                           {"increment", id.increment},
                           {"bytes", toHex(*findRecord(store, id))}});
    json view = json::object();
    if (const std::vector<uint8_t>* preferences = findRecord(store, RecordId{tagPreferences, 0, 0}))
        view["measurementUnit"] = readS16(*preferences, preferencesUnitOffset);
    view["systems"] = systemsView(store, ids);
    view["staves"] = stavesView(store, ids);
    view["staffLists"] = staffListsView(store, ids);
    return json{{"records", std::move(records)}, {"view", std::move(view)}};
}

bool writeScoreFile(const std::string& path, const RecordStore& store, std::string& error) {
    std::string text =
        scoreToJson(store).dump(2, ' ', false, json::error_handler_t::replace) + "\n";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = path + ": cannot write: " + std::strerror(errno);
        return false;
    }
    bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    int code = errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        code = errno;
    }
    if (!written) {
        error = path + ": cannot write: " + std::strerror(code);
        return false;
    }
    return true;
}

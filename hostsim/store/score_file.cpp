#include "store/score_file.h"

#include "store/json_input.h"
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

// The starting bytes of a generated record: its "bytes" when given (at least `size` of them),
// otherwise `size` zeros.
static bool startRecord(JsonInput& in, const json& object, const std::string& place, size_t size,
                        std::vector<uint8_t>& bytes) {
    const json* given = findField(object, "bytes");
    if (!given) {
        bytes.assign(size, 0);
        return true;
    }
    std::string bytesPlace = memberPlace(place, "bytes");
    if (!readHex(in, *given, bytesPlace, bytes))
        return false;
    if (bytes.size() < size)
        return failAt(in, bytesPlace,
                      "expected at least " + std::to_string(size) + " bytes, got " +
                          std::to_string(bytes.size()));
    return true;
}

// Writes the whole number `key` of `object`, when present, as 16 bits at `offset`.
static bool writeField16(JsonInput& in, const json& object, const std::string& place,
                         const char* key, int64_t low, int64_t high, std::vector<uint8_t>& bytes,
                         size_t offset) {
    const json* value = findField(object, key);
    int64_t number = 0;
    if (!value)
        return true;
    if (!readWhole(in, *value, memberPlace(place, key), low, high, number))
        return false;
    writeU16(bytes, offset, static_cast<uint16_t>(number));
    return true;
}

// Sets or clears `flag` of the 16-bit flags at `offset` by the boolean `key`, when present.
static bool writeFlag(JsonInput& in, const json& object, const std::string& place, const char* key,
                      std::vector<uint8_t>& bytes, size_t offset, uint16_t flag) {
    const json* value = findField(object, key);
    bool set = false;
    if (!value)
        return true;
    if (!readBool(in, *value, memberPlace(place, key), set))
        return false;
    uint16_t flags = readU16(bytes, offset);
    writeU16(bytes, offset, static_cast<uint16_t>(set ? flags | flag : flags & ~flag));
    return true;
}

// Reads the required whole number `key` of `object`.
static bool readRequired(JsonInput& in, const json& object, const std::string& place,
                         const char* key, int64_t low, int64_t high, int64_t& result) {
    const json* value = findField(object, key);
    if (!value)
        return failAt(in, place, std::string("missing field \"") + key + "\"");
    return readWhole(in, *value, memberPlace(place, key), low, high, result);
}

// Stores the preferences record holding the unit.
static bool parseMeasurementUnit(JsonInput& in, const json& value, const std::string& place,
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
static bool parseSystems(JsonInput& in, const json& systems, const std::string& place,
                         RecordStore& out) {
    if (!requireArray(in, systems, place))
        return false;
    std::set<int64_t> numbers;
    for (size_t i = 0; i < systems.size(); ++i) {
        const json& system = systems[i];
        std::string at = elementPlace(place, i);
        if (!requireObject(in, system, at) ||
            !checkFields(in, system, at,
                         {"number", "firstMeasure", "endMeasure", "optimized", "bytes"}))
            return false;
        auto number = static_cast<int64_t>(i) + 1;
        std::string numberAt = at;
        if (findField(system, "number")) {
            numberAt = memberPlace(at, "number");
            if (!readWhole(in, system["number"], numberAt, 1, INT16_MAX, number))
                return false;
        } else if (number > INT16_MAX) {
            return failAt(in, at, "system number " + std::to_string(number) + " is out of range");
        }
        if (!numbers.insert(number).second)
            return failAt(in, numberAt, "duplicate system number " + std::to_string(number));
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
static bool parseStaves(JsonInput& in, const json& staves, const std::string& place,
                        RecordStore& out, std::vector<PendingName>& pending,
                        std::set<int64_t>& usedTexts) {
    if (!requireArray(in, staves, place))
        return false;
    std::set<int64_t> numbers;
    for (size_t i = 0; i < staves.size(); ++i) {
        const json& staff = staves[i];
        std::string at = elementPlace(place, i);
        int64_t number = 0;
        if (!requireObject(in, staff, at) ||
            !checkFields(in, staff, at, {"number", "name", "nameText", "hidden", "bytes"}) ||
            !readRequired(in, staff, at, "number", INT16_MIN, INT16_MAX, number))
            return false;
        if (!numbers.insert(number).second)
            return failAt(in, memberPlace(at, "number"),
                          "duplicate staff number " + std::to_string(number));
        std::vector<uint8_t> bytes;
        if (!startRecord(in, staff, at, staffRecordSize, bytes) ||
            !writeFlag(in, staff, at, "hidden", bytes, staffFlagsOffset, staffHiddenFlag))
            return false;
        const json* name = findField(staff, "name");
        const json* nameText = findField(staff, "nameText");
        if (name && nameText)
            return failAt(in, at, "give either \"name\" or \"nameText\", not both");
        if (nameText) {
            int64_t text = 0;
            if (!readWhole(in, *nameText, memberPlace(at, "nameText"), INT16_MIN, INT16_MAX, text))
                return false;
            writeU16(bytes, staffNameTextOffset, static_cast<uint16_t>(text));
            usedTexts.insert(text);
        }
        if (name) {
            if (!name->is_string())
                return failAt(in, memberPlace(at, "name"), "expected a string");
            pending.push_back(PendingName{static_cast<int16_t>(number), name->get<std::string>(),
                                          memberPlace(at, "name")});
        }
        putRecord(out, RecordId{tagStaff, static_cast<int16_t>(number), 0}, std::move(bytes));
    }
    return true;
}

// Stores entry k of `entries` as the list entry record (`list`, k).
// The whole number `value` when it lies in low..high; false for anything else.
static bool wholeIn(const json& value, int64_t low, int64_t high, int64_t& number) {
    if (value.is_number_unsigned()) {
        auto unsignedValue = value.get<uint64_t>();
        if (unsignedValue > static_cast<uint64_t>(high))
            return false;
        number = static_cast<int64_t>(unsignedValue);
        return number >= low;
    }
    if (!value.is_number_integer())
        return false;
    number = value.get<int64_t>();
    return number >= low && number <= high;
}

// The common entry, {"staff": S, "position": P} with whole numbers in range, into `bytes`,
// without making the places that only an error would name (a large score has many entries);
// false for any other entry, which the checked reading takes.
static bool readPlainEntry(const json& entry, std::vector<uint8_t>& bytes) {
    if (!entry.is_object() || entry.size() != 2)
        return false;
    const json* staff = findField(entry, "staff");
    const json* position = findField(entry, "position");
    int64_t staffNumber = 0;
    int64_t place = 0;
    if (staff == nullptr || position == nullptr ||
        !wholeIn(*staff, INT16_MIN, UINT16_MAX, staffNumber) ||
        !wholeIn(*position, INT32_MIN, INT32_MAX, place))
        return false;
    bytes.assign(listEntryRecordSize, 0);
    writeU16(bytes, listEntryStaffOffset, static_cast<uint16_t>(staffNumber));
    writeS32(bytes, listEntryPositionOffset, static_cast<int32_t>(place));
    return true;
}

static bool parseListEntries(JsonInput& in, const json& entries, const std::string& place,
                             int16_t list, RecordStore& out) {
    if (!requireArray(in, entries, place))
        return false;
    if (entries.size() > static_cast<size_t>(UINT16_MAX) + 1)
        return failAt(in, place, "a staff list holds at most 65536 entries");
    for (size_t k = 0; k < entries.size(); ++k) {
        const json& entry = entries[k];
        std::vector<uint8_t> bytes;
        if (readPlainEntry(entry, bytes)) {
            putRecord(out, RecordId{tagStaffListEntry, list, static_cast<uint16_t>(k)},
                      std::move(bytes));
            continue;
        }
        std::string at = elementPlace(place, k);
        if (!requireObject(in, entry, at) ||
            !checkFields(in, entry, at, {"staff", "position", "bytes"}) ||
            !startRecord(in, entry, at, listEntryRecordSize, bytes) ||
            !writeField16(in, entry, at, "staff", INT16_MIN, UINT16_MAX, bytes,
                          listEntryStaffOffset))
            return false;
        if (const json* position = findField(entry, "position")) {
            int64_t value = 0;
            if (!readWhole(in, *position, memberPlace(at, "position"), INT32_MIN, INT32_MAX, value))
                return false;
            writeS32(bytes, listEntryPositionOffset, static_cast<int32_t>(value));
        }
        putRecord(out, RecordId{tagStaffListEntry, list, static_cast<uint16_t>(k)},
                  std::move(bytes));
    }
    return true;
}

// Stores the entries of every list, checking that no list number comes twice.
static bool parseStaffLists(JsonInput& in, const json& lists, const std::string& place,
                            RecordStore& out) {
    if (!requireArray(in, lists, place))
        return false;
    std::set<int64_t> numbers;
    for (size_t i = 0; i < lists.size(); ++i) {
        const json& list = lists[i];
        std::string at = elementPlace(place, i);
        int64_t number = 0;
        if (!requireObject(in, list, at) || !checkFields(in, list, at, {"number", "entries"}) ||
            !readRequired(in, list, at, "number", INT16_MIN, INT16_MAX, number))
            return false;
        if (!numbers.insert(number).second)
            return failAt(in, memberPlace(at, "number"),
                          "duplicate staff list number " + std::to_string(number));
        const json* entries = findField(list, "entries");
        if (!entries)
            return failAt(in, at, "missing field \"entries\"");
        if (!parseListEntries(in, *entries, memberPlace(at, "entries"),
                              static_cast<int16_t>(number), out))
            return false;
    }
    return true;
}

// Collects the raw records, in order, into `raws`.
static bool parseRawRecords(JsonInput& in, const json& records, const std::string& place,
                            std::vector<RawRecord>& raws) {
    if (!requireArray(in, records, place))
        return false;
    for (size_t i = 0; i < records.size(); ++i) {
        const json& record = records[i];
        std::string at = elementPlace(place, i);
        if (!requireObject(in, record, at) ||
            !checkFields(in, record, at, {"tag", "number", "increment", "bytes"}))
            return false;
        RawRecord raw{RecordId{0, 0, 0}, {}};
        const json* tag = findField(record, "tag");
        if (!tag)
            return failAt(in, at, "missing field \"tag\"");
        if (!tag->is_string() || !parseTag(tag->get<std::string>(), raw.id.tag))
            return failAt(in, memberPlace(at, "tag"), "expected four printable ASCII characters");
        int64_t number = 0;
        int64_t increment = 0;
        if (!readRequired(in, record, at, "number", INT16_MIN, INT16_MAX, number))
            return false;
        if (findField(record, "increment") &&
            !readWhole(in, record["increment"], memberPlace(at, "increment"), 0, UINT16_MAX,
                       increment))
            return false;
        const json* bytes = findField(record, "bytes");
        if (!bytes)
            return failAt(in, at, "missing field \"bytes\"");
        if (!readHex(in, *bytes, memberPlace(at, "bytes"), raw.bytes))
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
static bool makeNameTexts(JsonInput& in, const std::vector<PendingName>& pending,
                          const std::set<int64_t>& usedTexts, const std::set<int64_t>& usedBlocks,
                          RecordStore& out) {
    int64_t text = 0;
    int64_t block = 0;
    for (const PendingName& name : pending) {
        text = nextFree(usedTexts, text);
        block = nextFree(usedBlocks, block);
        if (text > INT16_MAX || block > INT16_MAX)
            return failAt(in, name.place, "no free text number is left for this name");
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
static bool buildScore(JsonInput& in, const json& score, const std::string& place,
                       RecordStore& out) {
    if (!score.is_object())
        return failAt(in, place, "expected a score object");
    if (!checkFields(in, score, place,
                     {"measurementUnit", "systems", "staves", "staffLists", "records", "view"}))
        return false;
    std::vector<PendingName> pending;
    std::set<int64_t> usedTexts;
    std::set<int64_t> usedBlocks;
    std::vector<RawRecord> raws;
    const json* unit = findField(score, "measurementUnit");
    const json* systems = findField(score, "systems");
    const json* staves = findField(score, "staves");
    const json* lists = findField(score, "staffLists");
    const json* records = findField(score, "records");
    if ((unit && !parseMeasurementUnit(in, *unit, memberPlace(place, "measurementUnit"), out)) ||
        (systems && !parseSystems(in, *systems, memberPlace(place, "systems"), out)) ||
        (staves &&
         !parseStaves(in, *staves, memberPlace(place, "staves"), out, pending, usedTexts)) ||
        (lists && !parseStaffLists(in, *lists, memberPlace(place, "staffLists"), out)) ||
        (records && !parseRawRecords(in, *records, memberPlace(place, "records"), raws)))
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
    JsonInput in{file, {}};
    RecordStore built;
    bool ok = false;
    try {
        ok = buildScore(in, score, place, built);
    } catch (const std::exception& e) {
        ok = failAt(in, place, std::string("cannot read the score: ") + e.what());
    }
    if (!ok) {
        error = in.error;
        return false;
    }
    recordsInOrder(built); // each key once, so that the store's size is its records'
    std::swap(store, built);
    return true;
}

bool readScoreFile(const std::string& path, RecordStore& store, std::string& error) {
    json score;
    if (!readJsonFile(path, score, error))
        return false;
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

bool writeTextFile(const std::string& path, const std::string& text, std::string& error) {
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

std::string scoreFileText(const RecordStore& store) {
    return scoreToJson(store).dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

bool writeScoreFile(const std::string& path, const RecordStore& store, std::string& error) {
    return writeTextFile(path, scoreFileText(store), error);
}

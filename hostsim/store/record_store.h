// The substitute host's score: every record by tag and key, as raw bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RecordId {
    uint32_t tag;
    int16_t number;
    uint16_t increment;
};

struct StoredRecord {
    uint64_t key = 0; // packRecordId of its id
    std::vector<uint8_t> bytes;
};

// The records in one array ordered by key, where a look-up is a binary search, or no search at
// all when it asks for the record after the one found last (a walk over a list). A record put
// far before the end is appended, and the array is ordered again at the next look-up; so a store
// is read and written through the functions below, not through `records` directly.
struct RecordStore {
    mutable std::vector<StoredRecord> records;
    mutable size_t orderedCount = 0; // the first records, in key order and each key once
    mutable size_t lastFound = 0;    // where the last look-up found its record
};

// The same records, byte for byte.
bool operator==(const RecordStore& a, const RecordStore& b);
bool operator!=(const RecordStore& a, const RecordStore& b);

// The id as one number that orders ids by tag, signed number, then increment (the number's sign
// bit flipped, so that unsigned order is the numbers' signed order).
inline uint64_t packRecordId(RecordId id) {
    return static_cast<uint64_t>(id.tag) << 32 |
           static_cast<uint64_t>(static_cast<uint16_t>(id.number) ^ 0x8000u) << 16 | id.increment;
}
RecordId unpackRecordId(uint64_t packed);

// The record under `key`, or null when there is none: the look-up that the walks' next record
// does not answer.
StoredRecord* searchRecord(const RecordStore& store, uint64_t key);

// The record's bytes, or null when there is none. The pointer is good until the next record is
// put or erased. Inline for the record found last and the one after it: the host's busiest
// question.
inline StoredRecord* findStored(const RecordStore& store, uint64_t key) {
    std::vector<StoredRecord>& records = store.records;
    size_t last = store.lastFound;
    if (store.orderedCount == records.size() && last + 1 < records.size()) {
        if (records[last].key == key)
            return &records[last];
        if (records[last + 1].key == key) {
            store.lastFound = last + 1;
            return &records[last + 1];
        }
    }
    return searchRecord(store, key);
}

inline const std::vector<uint8_t>* findRecord(const RecordStore& store, RecordId id) {
    StoredRecord* found = findStored(store, packRecordId(id));
    return found == nullptr ? nullptr : &found->bytes;
}

inline std::vector<uint8_t>* findRecord(RecordStore& store, RecordId id) {
    StoredRecord* found = findStored(store, packRecordId(id));
    return found == nullptr ? nullptr : &found->bytes;
}

// Stores the record, replacing any with the same key.
void putRecord(RecordStore& store, RecordId id, std::vector<uint8_t> bytes);

// Removes the record under `id`, if there is one.
void eraseRecord(RecordStore& store, RecordId id);

// Every record, in key order.
const std::vector<StoredRecord>& recordsInOrder(const RecordStore& store);

// The first record of the same tag whose key comes after `id`'s (keys ordered by signed number,
// then increment), into `next`; false when there is none.
bool findNextRecord(const RecordStore& store, RecordId id, RecordId& next);

// Every record's id, ordered by tag (as its four characters), number (signed), increment.
std::vector<RecordId> sortedRecordIds(const RecordStore& store);

// The four characters of a tag.
std::string tagString(uint32_t tag);

// Parses four characters (each one byte, printable ASCII) into a tag; false otherwise.
bool parseTag(const std::string& text, uint32_t& tag);

// Lowercase hex of bytes, and its reverse; parseHex is false on odd length or a non-hex digit.
std::string toHex(const std::vector<uint8_t>& bytes);
bool parseHex(const std::string& text, std::vector<uint8_t>& bytes);

// The number of systems 1, 2, ... that exist before the first missing one.
int16_t storeSystemCount(const RecordStore& store);

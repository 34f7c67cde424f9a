// The substitute host's score: every record by tag and key, as raw bytes.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct RecordId {
    uint32_t tag;
    int16_t number;
    uint16_t increment;
};

struct RecordStore {
    std::map<uint64_t, std::vector<uint8_t>> records; // by packRecordId, so in key order
};

// The id as one number that orders ids by tag, signed number, then increment.
uint64_t packRecordId(RecordId id);
RecordId unpackRecordId(uint64_t packed);

// The record's bytes, or null when there is none.
const std::vector<uint8_t>* findRecord(const RecordStore& store, RecordId id);
std::vector<uint8_t>* findRecord(RecordStore& store, RecordId id);

// Stores the record, replacing any with the same key.
void putRecord(RecordStore& store, RecordId id, std::vector<uint8_t> bytes);

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

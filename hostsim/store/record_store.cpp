#include "store/record_store.h"

#include "store/score_layout.h"

#include <climits>

// The number's sign bit flipped, so that unsigned order is the numbers' signed order.
constexpr uint16_t signFlip = 0x8000;

uint64_t packRecordId(RecordId id) {
    return static_cast<uint64_t>(id.tag) << 32 |
           static_cast<uint64_t>(static_cast<uint16_t>(id.number) ^ signFlip) << 16 | id.increment;
}

RecordId unpackRecordId(uint64_t packed) {
    return RecordId{static_cast<uint32_t>(packed >> 32),
                    static_cast<int16_t>(static_cast<uint16_t>(packed >> 16) ^ signFlip),
                    static_cast<uint16_t>(packed)};
}

const std::vector<uint8_t>* findRecord(const RecordStore& store, RecordId id) {
    auto found = store.records.find(packRecordId(id));
    return found == store.records.end() ? nullptr : &found->second;
}

std::vector<uint8_t>* findRecord(RecordStore& store, RecordId id) {
    auto found = store.records.find(packRecordId(id));
    return found == store.records.end() ? nullptr : &found->second;
}

void putRecord(RecordStore& store, RecordId id, std::vector<uint8_t> bytes) {
    store.records[packRecordId(id)] = std::move(bytes);
}

bool findNextRecord(const RecordStore& store, RecordId id, RecordId& next) {
    auto found = store.records.upper_bound(packRecordId(id));
    if (found == store.records.end())
        return false;
    RecordId candidate = unpackRecordId(found->first);
    if (candidate.tag != id.tag)
        return false;
    next = candidate;
    return true;
}

std::vector<RecordId> sortedRecordIds(const RecordStore& store) {
    std::vector<RecordId> ids;
    ids.reserve(store.records.size());
    // the store keeps its records in this very order
    for (const auto& record : store.records)
        ids.push_back(unpackRecordId(record.first));
    return ids;
}

std::string tagString(uint32_t tag) {
    std::string text(4, ' ');
    for (int i = 0; i < 4; ++i)
        text[static_cast<size_t>(i)] = static_cast<char>(tag >> (24 - 8 * i));
    return text;
}

bool parseTag(const std::string& text, uint32_t& tag) {
    if (text.size() != 4)
        return false;
    tag = 0;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E)
            return false;
        tag = tag << 8 | byte;
    }
    return true;
}

std::string toHex(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (uint8_t byte : bytes) {
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 15]);
    }
    return text;
}

static int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool parseHex(const std::string& text, std::vector<uint8_t>& bytes) {
    if (text.size() % 2 != 0)
        return false;
    bytes.clear();
    bytes.reserve(text.size() / 2);
    for (size_t i = 0; i < text.size(); i += 2) {
        int high = hexDigit(text[i]);
        int low = hexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    return true;
}

int16_t storeSystemCount(const RecordStore& store) {
    int16_t count = 0;
    while (count < INT16_MAX &&
           findRecord(store, RecordId{tagStaffSystem, static_cast<int16_t>(count + 1), 0}))
        ++count;
    return count;
}

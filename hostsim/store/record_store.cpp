#include "store/record_store.h"

#include "store/score_layout.h"

#include <algorithm>
#include <climits>
#include <cstddef>

// The number's sign bit flipped, so that unsigned order is the numbers' signed order.
constexpr uint16_t signFlip = 0x8000;

RecordId unpackRecordId(uint64_t packed) {
    return RecordId{static_cast<uint32_t>(packed >> 32),
                    static_cast<int16_t>(static_cast<uint16_t>(packed >> 16) ^ signFlip),
                    static_cast<uint16_t>(packed)};
}

// A record put this far or less before the end of the ordered records is moved into its place at
// once; one further back waits at the end for the next look-up (a score read in any order).
constexpr size_t insertionReach = 256;

static bool keyBefore(const StoredRecord& a, const StoredRecord& b) {
    return a.key < b.key;
}

// Orders the records by key once more after some were appended out of order; of records with one
// key, the one put last stays.
static void order(const RecordStore& store) {
    std::vector<StoredRecord>& records = store.records;
    size_t ordered = std::min(store.orderedCount, records.size());
    if (ordered == records.size()) {
        store.orderedCount = ordered;
        return;
    }
    auto middle = records.begin() + static_cast<std::ptrdiff_t>(ordered);
    std::stable_sort(middle, records.end(), keyBefore);
    std::inplace_merge(records.begin(), middle, records.end(), keyBefore);
    size_t kept = 0;
    for (size_t i = 0; i < records.size(); ++i) {
        if (i + 1 < records.size() && records[i + 1].key == records[i].key)
            continue;
        if (kept != i)
            records[kept] = std::move(records[i]);
        ++kept;
    }
    records.resize(kept);
    store.orderedCount = kept;
    store.lastFound = 0;
}

// The index of the first record whose key is not below `key`.
static size_t lowerBound(const RecordStore& store, uint64_t key) {
    order(store);
    const std::vector<StoredRecord>& records = store.records;
    auto found =
        std::lower_bound(records.begin(), records.end(), key,
                         [](const StoredRecord& record, uint64_t k) { return record.key < k; });
    return static_cast<size_t>(found - records.begin());
}

StoredRecord* searchRecord(const RecordStore& store, uint64_t key) {
    size_t at = lowerBound(store, key);
    if (at == store.records.size() || store.records[at].key != key)
        return nullptr;
    store.lastFound = at;
    return &store.records[at];
}

void putRecord(RecordStore& store, RecordId id, std::vector<uint8_t> bytes) {
    uint64_t key = packRecordId(id);
    std::vector<StoredRecord>& records = store.records;
    bool ordered = store.orderedCount >= records.size();
    if (ordered && !records.empty() && records.back().key >= key) {
        size_t at = lowerBound(store, key);
        if (records[at].key == key) {
            records[at].bytes = std::move(bytes);
            return;
        }
        if (records.size() - at <= insertionReach) {
            records.insert(records.begin() + static_cast<std::ptrdiff_t>(at),
                           StoredRecord{key, std::move(bytes)});
            store.orderedCount = records.size();
            return;
        }
        ordered = false; // ordered at the next look-up
    }
    records.push_back(StoredRecord{key, std::move(bytes)});
    if (ordered)
        store.orderedCount = records.size();
}

void eraseRecord(RecordStore& store, RecordId id) {
    uint64_t key = packRecordId(id);
    size_t at = lowerBound(store, key);
    if (at < store.records.size() && store.records[at].key == key) {
        store.records.erase(store.records.begin() + static_cast<std::ptrdiff_t>(at));
        store.orderedCount = store.records.size();
    }
    store.lastFound = 0;
}

const std::vector<StoredRecord>& recordsInOrder(const RecordStore& store) {
    order(store);
    return store.records;
}

bool operator==(const RecordStore& a, const RecordStore& b) {
    const std::vector<StoredRecord>& first = recordsInOrder(a);
    const std::vector<StoredRecord>& second = recordsInOrder(b);
    if (first.size() != second.size())
        return false;
    for (size_t i = 0; i < first.size(); ++i)
        if (first[i].key != second[i].key || first[i].bytes != second[i].bytes)
            return false;
    return true;
}

bool operator!=(const RecordStore& a, const RecordStore& b) {
    return !(a == b);
}

bool findNextRecord(const RecordStore& store, RecordId id, RecordId& next) {
    uint64_t key = packRecordId(id);
    if (key == UINT64_MAX)
        return false;
    size_t at = lowerBound(store, key + 1);
    if (at == store.records.size())
        return false;
    RecordId candidate = unpackRecordId(store.records[at].key);
    if (candidate.tag != id.tag)
        return false;
    next = candidate;
    return true;
}

std::vector<RecordId> sortedRecordIds(const RecordStore& store) {
    std::vector<RecordId> ids;
    // the store keeps its records in this very order
    for (const StoredRecord& record : recordsInOrder(store))
        ids.push_back(unpackRecordId(record.key));
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

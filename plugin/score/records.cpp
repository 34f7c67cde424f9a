#include "score/records.h"

#include "host/services.h"

#include <cstring>

int16_t loadRecord(uint32_t tag, RecordKey& key, uint8_t* buffer, uint32_t capacity,
                   uint32_t& size) {
    std::memset(buffer, 0, capacity);
    size = capacity;
    int16_t found = FX_LoadEData(tag, &key, buffer, &size, hostInterfaceVersion);
    // a host that claims more than it was asked for never makes a save read past the buffer
    if (size > capacity)
        size = capacity;
    return found;
}

int16_t probeRecord(uint32_t tag, RecordKey& key, uint32_t& size) {
    return FX_LoadEData(tag, &key, nullptr, &size, hostInterfaceVersion);
}

void saveRecord(uint32_t tag, RecordKey& key, const uint8_t* buffer, uint32_t size) {
    FX_SaveEData(tag, &key, buffer, size, hostInterfaceVersion);
}

static bool sameKey(const RecordKey& a, const RecordKey& b) {
    return a.number == b.number && a.increment == b.increment;
}

int16_t loadSingleRecord(uint32_t tag, RecordKey key, uint8_t* buffer, uint32_t capacity,
                         uint32_t& size) {
    const RecordKey asked = key;
    int16_t found = loadRecord(tag, key, buffer, capacity, size);
    return sameKey(key, asked) ? found : 0;
}

int16_t probeSingleRecord(uint32_t tag, RecordKey key, uint32_t& size) {
    const RecordKey asked = key;
    int16_t found = probeRecord(tag, key, size);
    return sameKey(key, asked) ? found : 0;
}

int16_t loadGlobalEntry(uint16_t position, StaffListEntryRecord& entry, uint32_t& size) {
    return loadSingleRecord(tagStaffListEntry, RecordKey{globalStaffList, position}, entry.bytes,
                            staffListEntryRecordSize, size);
}

bool loadListEntry(int16_t staffList, uint32_t increment, RecordKey& key,
                   StaffListEntryRecord& entry, uint32_t& size) {
    key = RecordKey{staffList, static_cast<uint16_t>(increment)};
    if (!loadRecord(tagStaffListEntry, key, entry.bytes, staffListEntryRecordSize, size))
        return false;
    return key.number == staffList && key.increment >= increment;
}

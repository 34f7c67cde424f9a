// The score records the plug-in exchanges with the host: tags, keys, the fields it uses at
// their byte offsets, the staff-list numbering and the host's selection region.
#pragma once

#include "score/byteorder.h"

#include <cstddef>
#include <cstdint>

// A record tag: four characters packed into 32 bits, the first character highest.
constexpr uint32_t tagStaffSystem = 0x534F5353;    // "SOSS"
constexpr uint32_t tagStaffListEntry = 0x534F4975; // "SOIu"
constexpr uint32_t tagStaff = 0x534F4953;          // "SOIS"
constexpr uint32_t tagText = 0x534F5458;           // "SOTX"
constexpr uint32_t tagTextBlock = 0x7478626C;      // "txbl"
constexpr uint32_t tagPreferences = 0x70666770;    // "pfgp"

// A record's key: the object or group, and the position within it counted from 0.
struct RecordKey {
    int16_t number;
    uint16_t increment;
};
static_assert(sizeof(RecordKey) == 4, "RecordKey is two 16-bit words");
static_assert(offsetof(RecordKey, increment) == 2, "increment follows number");

// Staff-list numbers: the global list, a system's own list (its system number), staff sets.
constexpr int16_t globalStaffList = 0;
constexpr int16_t firstStaffSetList = -36; // staff set #1; staff set #k is -37 + k
constexpr int staffSetCount = 8;

// The push's scope values: 1 the optimized staff systems, 2 the global staff list, 3..10 staff
// sets #1..#8.
constexpr int16_t scopeOptimizedSystems = 1;
constexpr int16_t scopeGlobalList = 2;
constexpr int16_t scopeFirstStaffSet = 3;

// The staff list of staff-set scope `scope` (3..10): -36..-29.
constexpr int16_t staffSetListOfScope(int16_t scope) {
    return static_cast<int16_t>(scope - scopeFirstStaffSet + firstStaffSetList);
}

// The scope of staff-set list `list` (-36..-29): 3..10.
constexpr int16_t scopeOfStaffSetList(int16_t list) {
    return static_cast<int16_t>(list - firstStaffSetList + scopeFirstStaffSet);
}

// Walks over system and list numbers end here, so no key number ever overflows.
constexpr int16_t largestKeyNumber = INT16_MAX;
// Walks over increments end here.
constexpr uint16_t largestIncrement = UINT16_MAX;

// "SOSS": one staff system, key (system number 1..N, 0).
constexpr uint32_t staffSystemRecordSize = 20;
struct StaffSystemRecord {
    uint8_t bytes[staffSystemRecordSize];
};
inline int16_t systemFirstMeasure(const StaffSystemRecord& r) {
    return readInt16(r.bytes + 8);
}
// The measure after the system's last one.
inline int16_t systemEndMeasure(const StaffSystemRecord& r) {
    return readInt16(r.bytes + 10);
}
inline bool systemIsOptimized(const StaffSystemRecord& r) {
    return (readUInt16(r.bytes + 18) & 0x4000) != 0;
}

// "SOIu": one staff's place in one staff list, key (staff-list number, increment).
constexpr uint32_t staffListEntryRecordSize = 24;
struct StaffListEntryRecord {
    uint8_t bytes[staffListEntryRecordSize];
};
inline uint16_t entryStaffNumber(const StaffListEntryRecord& r) {
    return readUInt16(r.bytes);
}
inline int32_t entryVerticalPosition(const StaffListEntryRecord& r) {
    return readInt32(r.bytes + 8);
}
inline void setEntryVerticalPosition(StaffListEntryRecord& r, int32_t position) {
    writeInt32(r.bytes + 8, position);
}

// "SOIS": one staff's own properties, key (staff number, 0).
constexpr uint32_t staffRecordSize = 66;
struct StaffRecord {
    uint8_t bytes[staffRecordSize];
};
inline bool staffIsHidden(const StaffRecord& r) {
    return (readUInt16(r.bytes + 22) & 0x0004) != 0;
}
inline int16_t staffNameText(const StaffRecord& r) {
    return readInt16(r.bytes + 30);
}

// "SOTX": one text, key (text number, 0).
constexpr uint32_t textRecordSize = 48;
struct TextRecord {
    uint8_t bytes[textRecordSize];
};
inline int16_t textBlockNumber(const TextRecord& r) {
    return readInt16(r.bytes);
}

// "txbl": the characters of a text, key (text block number, 0); its size is what a probe reports.

// "pfgp": document settings, key (0, 0).
constexpr uint32_t preferencesRecordSize = 61;
struct PreferencesRecord {
    uint8_t bytes[preferencesRecordSize];
};
inline int16_t preferencesMeasurementUnit(const PreferencesRecord& r) {
    return readInt16(r.bytes + 30);
}

// The host's description of the user's selection in the score; the plug-in only reads it.
struct SelectionRegion {
    int16_t staffList; // staff list in which the selection lies
    int16_t firstSlot; // 1-based position in that list
    int16_t firstMeasure;
    int16_t hostOwn[3]; // the host's, never read
    int16_t lastSlot;
    int16_t lastMeasure;
};
static_assert(offsetof(SelectionRegion, staffList) == 0, "SelectionRegion layout");
static_assert(offsetof(SelectionRegion, firstSlot) == 2, "SelectionRegion layout");
static_assert(offsetof(SelectionRegion, firstMeasure) == 4, "SelectionRegion layout");
static_assert(offsetof(SelectionRegion, lastSlot) == 12, "SelectionRegion layout");
static_assert(offsetof(SelectionRegion, lastMeasure) == 14, "SelectionRegion layout");
static_assert(sizeof(SelectionRegion) == 16, "SelectionRegion layout");

// Loads (tag, key) asking for `capacity` bytes into `buffer`, which is zeroed first so that
// bytes the host does not fill read as 0. `size` is left as the load left it, but never above
// `capacity`. Returns the host's answer: non-zero when the record exists.
int16_t loadRecord(uint32_t tag, RecordKey& key, uint8_t* buffer, uint32_t capacity,
                   uint32_t& size);

// Asks whether (tag, key) exists, without a buffer; the host leaves the record's size in `size`.
int16_t probeRecord(uint32_t tag, RecordKey& key, uint32_t& size);

// The host may answer a load with another record than the one asked for, writing that record's
// key back. A record that stands alone under its key (a staff system, a staff, a text, a text
// block, the preferences, the first entry of a staff set, the first entry of the global staff
// list, the global entry at an instrument list position) counts as found only when the host
// answers for the very key asked: these return the host's answer then, and 0 otherwise.
int16_t loadSingleRecord(uint32_t tag, RecordKey key, uint8_t* buffer, uint32_t capacity,
                         uint32_t& size);
int16_t probeSingleRecord(uint32_t tag, RecordKey key, uint32_t& size);

// Loads the global staff list entry at instrument list position `position`, the key (0,
// position), into `entry`. Found only when the host answers for that very key: a host that
// answers with a later entry has none at this position, as a host that answers exactly.
int16_t loadGlobalEntry(uint16_t position, StaffListEntryRecord& entry, uint32_t& size);

// Loads the entry of staff list `staffList` at `increment` into `entry`, leaving in `key` the
// key the host wrote back. Found only when the host answers with an entry of that same list at
// or after the increment asked: the host may pass over missing increments, never into another
// list. A walk over the list steps on from key.increment + 1.
bool loadListEntry(int16_t staffList, uint32_t increment, RecordKey& key,
                   StaffListEntryRecord& entry, uint32_t& size);

// Hands `size` bytes of `buffer` back to the host under (tag, key).
void saveRecord(uint32_t tag, RecordKey& key, const uint8_t* buffer, uint32_t size);

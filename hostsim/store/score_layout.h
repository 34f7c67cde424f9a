// The substitute host's own knowledge of the score records it keeps: tags, sizes, field offsets,
// and the little-endian field access and staff-name lookup built on them.
#pragma once

#include "store/record_store.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// "SOSS": a staff system, key (system number, 0).
inline constexpr uint32_t tagStaffSystem = 0x534F5353;
inline constexpr size_t systemRecordSize = 20;
inline constexpr size_t systemFirstMeasureOffset = 8; // signed 16-bit
inline constexpr size_t systemEndMeasureOffset = 10;  // signed 16-bit, one past the last measure
inline constexpr size_t systemFlagsOffset = 18;       // 16-bit flags
inline constexpr uint16_t systemOptimizedFlag = 0x4000;

// "SOIu": entry k of a staff list, key (list number, k).
inline constexpr uint32_t tagStaffListEntry = 0x534F4975;
inline constexpr size_t listEntryRecordSize = 24;
inline constexpr size_t listEntryStaffOffset = 0;    // 16-bit staff number
inline constexpr size_t listEntryPositionOffset = 8; // signed 32-bit, EVPUs

// Staff list numbers with a meaning of their own; 1..N are the systems' own lists.
inline constexpr int16_t globalStaffList = 0;
inline constexpr int16_t firstStaffSetList = -36; // staff set #1; set #k is -37 + k
inline constexpr int16_t lastStaffSetList = -29;  // staff set #8

// "SOIS": a staff, key (staff number, 0).
inline constexpr uint32_t tagStaff = 0x534F4953;
inline constexpr size_t staffRecordSize = 66;
inline constexpr size_t staffFlagsOffset = 22; // 16-bit flags
inline constexpr uint16_t staffHiddenFlag = 0x0004;
inline constexpr size_t staffNameTextOffset = 30; // signed 16-bit text number, 0 or less: no name

// "SOTX": a text, key (text number, 0).
inline constexpr uint32_t tagTextRecord = 0x534F5458;
inline constexpr size_t textRecordSize = 48;
inline constexpr size_t textBlockOffset = 0; // signed 16-bit block number, 0 or less: no text

// "txbl": a text block, key (block number, 0): 8-bit characters ending with a zero byte.
inline constexpr uint32_t tagTextBlock = 0x7478626C;

// "pfgp": the preferences, key (0, 0).
inline constexpr uint32_t tagPreferences = 0x70666770;
inline constexpr size_t preferencesRecordSize = 61;
inline constexpr size_t preferencesUnitOffset = 30; // 16-bit measurement unit, 1..6

// Little-endian fields of a record's bytes. Bytes past the record's end read as zero.
uint16_t readU16(const std::vector<uint8_t>& bytes, size_t offset);
int16_t readS16(const std::vector<uint8_t>& bytes, size_t offset);
int32_t readS32(const std::vector<uint8_t>& bytes, size_t offset);

// Writes a little-endian field, first growing the record with zeros when it is too short.
void writeU16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value);
void writeS32(std::vector<uint8_t>& bytes, size_t offset, int32_t value);

// The name of a staff as its text block holds it: the block's bytes up to its first zero byte or
// its end. False, with `name` untouched, when the staff record is missing, its name text number is
// 0 or less, the text record is missing, its block number is 0 or less, or the block is missing.
bool findStaffName(const RecordStore& store, int16_t staff, std::string& name);

// Whether the staff's hidden flag is set; false when the staff record is missing.
bool isStaffHidden(const RecordStore& store, int16_t staff);

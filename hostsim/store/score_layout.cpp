#include "store/score_layout.h"

// The byte at `offset`, 0 past the end of the record.
static uint8_t byteAt(const std::vector<uint8_t>& bytes, size_t offset) {
    return offset < bytes.size() ? bytes[offset] : 0;
}

uint16_t readU16(const std::vector<uint8_t>& bytes, size_t offset) {
    return static_cast<uint16_t>(byteAt(bytes, offset) | byteAt(bytes, offset + 1) << 8);
}

int16_t readS16(const std::vector<uint8_t>& bytes, size_t offset) {
    return static_cast<int16_t>(readU16(bytes, offset));
}

int32_t readS32(const std::vector<uint8_t>& bytes, size_t offset) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(byteAt(bytes, offset + i)) << (8 * i);
    return static_cast<int32_t>(value);
}

void writeU16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value) {
    if (bytes.size() < offset + 2)
        bytes.resize(offset + 2, 0);
    bytes[offset] = static_cast<uint8_t>(value);
    bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void writeS32(std::vector<uint8_t>& bytes, size_t offset, int32_t value) {
    if (bytes.size() < offset + 4)
        bytes.resize(offset + 4, 0);
    auto bits = static_cast<uint32_t>(value);
    for (size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<uint8_t>(bits >> (8 * i));
}

bool findStaffName(const RecordStore& store, int16_t staff, std::string& name) {
    const std::vector<uint8_t>* staffRecord = findRecord(store, RecordId{tagStaff, staff, 0});
    if (!staffRecord)
        return false;
    int16_t textNumber = readS16(*staffRecord, staffNameTextOffset);
    if (textNumber <= 0)
        return false;
    const std::vector<uint8_t>* text = findRecord(store, RecordId{tagTextRecord, textNumber, 0});
    if (!text)
        return false;
    int16_t blockNumber = readS16(*text, textBlockOffset);
    if (blockNumber <= 0)
        return false;
    const std::vector<uint8_t>* block = findRecord(store, RecordId{tagTextBlock, blockNumber, 0});
    if (!block)
        return false;
    size_t length = 0;
    while (length < block->size() && (*block)[length] != 0)
        ++length;
    name.assign(block->begin(), block->begin() + static_cast<std::ptrdiff_t>(length));
    return true;
}

bool isStaffHidden(const RecordStore& store, int16_t staff) {
    const std::vector<uint8_t>* record = findRecord(store, RecordId{tagStaff, staff, 0});
    return record && (readU16(*record, staffFlagsOffset) & staffHiddenFlag) != 0;
}

#include "score/entries.h"

#include "dialog/controls.h"
#include "host/services.h"
#include "score/records.h"

#include <cstdio>
#include <cstring>

// The most name characters that fit before the suffix, or without it.
constexpr size_t entryTextLength = entryTextSize - 1;

// True when position lies in low..high; pointers from the host are compared as addresses.
static bool liesWithin(const char* position, const char* low, const char* high) {
    uintptr_t at = reinterpret_cast<uintptr_t>(position);
    return at >= reinterpret_cast<uintptr_t>(low) && at <= reinterpret_cast<uintptr_t>(high);
}

void writeFallbackEntryText(uint16_t staffNumber, char text[entryTextSize]) {
    std::snprintf(text, entryTextSize, "[Staff %u]", static_cast<unsigned>(staffNumber));
}

const char* skipCaretCommands(const char* text, const char* end, CaretParser parse) {
    const char* position = text;
    for (;;) {
        int32_t value = 0;
        uint8_t area[24] = {};
        const char* next = parse(position, &value, 0, area, hostInterfaceVersion);
        // the first call may answer with the start itself: there is no command to skip
        if (next == nullptr || next == position || !liesWithin(next, position, end))
            return position;
        position = next;
        if (position == end || *position != '^')
            return position;
    }
}

void writeNamedEntryText(const char* block, uint32_t size, bool hidden, char text[entryTextSize]) {
    const char* end = static_cast<const char*>(std::memchr(block, 0, size));
    if (end == nullptr)
        end = block + size;
    const char* name = skipCaretCommands(block, end, FX_ParseCaretCommand);
    size_t length = static_cast<size_t>(end - name);
    size_t room = hidden ? entryTextLength - std::strlen(hiddenSuffix) : entryTextLength;
    if (length > room)
        length = room;
    std::memcpy(text, name, length);
    text[length] = '\0';
    if (hidden)
        std::strcat(text, hiddenSuffix);
}

char* loadTextBlock(int16_t number, uint32_t& size) {
    size = 0;
    if (!probeSingleRecord(tagTextBlock, RecordKey{number, 0}, size) || size == UINT32_MAX)
        return nullptr;
    char* block = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, size_t{size} + 1));
    if (block == nullptr)
        return nullptr;
    uint32_t loaded;
    if (!loadSingleRecord(tagTextBlock, RecordKey{number, 0}, reinterpret_cast<uint8_t*>(block),
                          size, loaded)) {
        releaseTextBlock(block);
        return nullptr;
    }
    block[size] = '\0';
    return block;
}

void releaseTextBlock(char* block) {
    if (block != nullptr)
        HeapFree(GetProcessHeap(), 0, block);
}

void writeStaffEntryText(uint16_t staffNumber, char text[entryTextSize]) {
    writeFallbackEntryText(staffNumber, text);
    StaffRecord staff;
    uint32_t size;
    if (!loadSingleRecord(tagStaff, RecordKey{static_cast<int16_t>(staffNumber), 0}, staff.bytes,
                          staffRecordSize, size))
        return;
    int16_t nameText = staffNameText(staff);
    if (nameText <= 0)
        return;
    TextRecord textRecord;
    if (!loadSingleRecord(tagText, RecordKey{nameText, 0}, textRecord.bytes, textRecordSize, size))
        return;
    int16_t blockNumber = textBlockNumber(textRecord);
    if (blockNumber <= 0)
        return;
    char* block = loadTextBlock(blockNumber, size);
    if (block == nullptr)
        return;
    writeNamedEntryText(block, size, staffIsHidden(staff), text);
    releaseTextBlock(block);
}

int16_t fillInstrumentList(HWND dialog, int16_t item) {
    // entry p of the list stands for the global entry (0, p): the list ends at the first
    // position without one, whatever the host answers for it
    int16_t count = 0;
    for (; count < INT16_MAX; ++count) {
        StaffListEntryRecord entry;
        uint32_t size;
        if (!loadGlobalEntry(static_cast<uint16_t>(count), entry, size))
            break;
        char text[entryTextSize];
        writeStaffEntryText(entryStaffNumber(entry), text);
        addListString(dialog, item, text);
    }
    return count;
}

// The host's record services and the other score services, acting on the active session.
#include "host/services.h"
#include "score/records.h"
#include "session/contract.h"
#include "session/host_session.h"
#include "store/caret.h"

#include <algorithm>
#include <cstring>
#include <string_view>

static const uint32_t tagStaffListEntryId = 0x534F4975; // "SOIu"

static RecordId recordId(uint32_t tag, const RecordKey* key) {
    return RecordId{tag, key->number, key->increment};
}

// The staff of the staff-list entry (list, increment), or -1 when there is no such entry.
static int32_t entryStaff(int16_t list, uint32_t increment) {
    const std::vector<uint8_t>* entry = findRecord(
        activeHost->store, RecordId{tagStaffListEntryId, list, static_cast<uint16_t>(increment)});
    if (entry == nullptr)
        return -1;
    uint16_t staff = 0;
    if (entry->size() >= 2)
        staff = static_cast<uint16_t>((*entry)[0] | (*entry)[1] << 8);
    return staff;
}

// The kind host's load: the record under the key, or with next loads the next one of its tag,
// whose key is written back. A probe reports the record's full size; a load copies at most the
// size asked and reports what it copied.
static int16_t kindLoad(uint32_t tag, RecordKey* key, void* buffer, uint32_t* size) {
    RecordId id = recordId(tag, key);
    const std::vector<uint8_t>* record = findRecord(activeHost->store, id);
    RecordId next;
    if (record == nullptr && activeHost->behaviour.nextLoads &&
        findNextRecord(activeHost->store, id, next)) {
        record = findRecord(activeHost->store, next);
        key->number = next.number;
        key->increment = next.increment;
    }
    if (record == nullptr)
        return 0;
    uint32_t full = static_cast<uint32_t>(record->size());
    if (buffer == nullptr) {
        if (size != nullptr)
            *size = full;
        return 1;
    }
    uint32_t copied = std::min(full, size != nullptr ? *size : 0u);
    if (copied > 0)
        std::memcpy(buffer, record->data(), copied);
    if (size != nullptr)
        *size = copied;
    return 1;
}

extern "C" {

int16_t FX_LoadEData(uint32_t tag, RecordKey* key, void* buffer, uint32_t* size, uint32_t version) {
    countHostCall(serviceLoadEData, version);
    if (activeHost == nullptr || key == nullptr)
        return 0;
    // the host's busiest call: the key and sizes stay in registers until the answer is noted
    const RecordId asked = recordId(tag, key);
    const bool probe = buffer == nullptr;
    const uint32_t sizeAsked = size != nullptr ? *size : 0;
    checkLoadArguments(tag, asked, probe, sizeAsked);
    int16_t answer = kindLoad(tag, key, buffer, size);
    if (activeHost->answers.load && size != nullptr)
        answer = activeHost->answers.load(tag, *key, static_cast<uint8_t*>(buffer), sizeAsked,
                                          *size, answer);
    const RecordId left = recordId(tag, key);
    const uint32_t sizeLeft = size != nullptr ? *size : 0;
    noteLoadAnswer(tag, asked, left, probe, sizeAsked, sizeLeft, answer);
    if (activeHost->keepLog) {
        ServiceEvent event;
        event.service = serviceLoadEData;
        event.asked = asked;
        event.left = left;
        event.probe = probe;
        event.sizeAsked = sizeAsked;
        event.sizeLeft = sizeLeft;
        event.answer = answer;
        if (buffer != nullptr && sizeAsked > 0)
            event.bytes.assign(static_cast<const uint8_t*>(buffer),
                               static_cast<const uint8_t*>(buffer) + sizeAsked);
        logServiceEvent(std::move(event));
    }
    return answer;
}

int16_t FX_SaveEData(uint32_t tag, RecordKey* key, const void* buffer, uint32_t size,
                     uint32_t version) {
    countHostCall(serviceSaveEData, version);
    if (activeHost == nullptr || key == nullptr || (buffer == nullptr && size > 0))
        return 0;
    RecordId id = recordId(tag, key);
    checkSaveArguments(tag, id, size);
    bool fails = activeHost->behaviour.failingSaves ||
                 (activeHost->answers.saveFails && activeHost->answers.saveFails(tag));
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    if (activeHost->keepLog) {
        ServiceEvent logged;
        logged.service = serviceSaveEData;
        logged.asked = id;
        logged.sizeAsked = size;
        logged.answer = fails ? 0 : 1;
        if (size > 0)
            logged.bytes.assign(bytes, bytes + size);
        logServiceEvent(std::move(logged));
    }
    SaveEvent event;
    event.id = id;
    std::vector<uint8_t>* stored = findRecord(activeHost->store, id);
    if (stored != nullptr)
        event.before = *stored;
    if (fails) {
        if (size > 0)
            event.offered.assign(bytes, bytes + size);
        event.after = event.before;
        event.stored = false;
        activeHost->saves.push_back(std::move(event));
        return 0;
    }
    // bytes of a longer stored record beyond the saved size stay
    std::vector<uint8_t> after = event.before;
    if (after.size() < size)
        after.resize(size);
    if (size > 0)
        std::memcpy(after.data(), bytes, size);
    if (stored != nullptr)
        *stored = after;
    else
        putRecord(activeHost->store, id, after);
    event.after = std::move(after);
    activeHost->saves.push_back(std::move(event));
    return 1;
}

// The staff at 1-based `slot` of `staffList`; 0 when there is none.
static int32_t staffAtSlot(int32_t slot, int32_t staffList) {
    if (slot < 1 || slot > 65536)
        return 0;
    int32_t staff = entryStaff(static_cast<int16_t>(staffList), static_cast<uint32_t>(slot - 1));
    return staff < 0 ? 0 : staff;
}

// The 1-based slot of the first entry of `staffList` that places `staff`; 0 when none does.
static int32_t slotOfStaff(int32_t staff, int32_t staffList) {
    for (uint32_t increment = 0; increment <= 0xFFFF; ++increment) {
        int32_t found = entryStaff(static_cast<int16_t>(staffList), increment);
        if (found < 0)
            return 0;
        if (found == static_cast<uint16_t>(staff))
            return static_cast<int32_t>(increment + 1);
    }
    return 0;
}

int32_t FX_SlotToInst(int32_t slot, int32_t staffList, uint32_t version) {
    countHostCall(serviceSlotToInst, version);
    if (activeHost == nullptr)
        return 0;
    return hookedAnswer(serviceSlotToInst, staffAtSlot(slot, staffList));
}

int32_t FX_InstToSlot(int32_t staff, int32_t staffList, uint32_t version) {
    countHostCall(serviceInstToSlot, version);
    if (activeHost == nullptr)
        return 0;
    checkInstToSlot(staffList);
    return hookedAnswer(serviceInstToSlot, slotOfStaff(staff, staffList));
}

const char* FX_ParseCaretCommand(const char* text, int32_t* value, int32_t zero, void* area,
                                 uint32_t version) {
    (void)value;
    (void)area;
    countHostCall(serviceParseCaretCommand, version);
    checkParseCaretCommand(zero);
    if (text == nullptr)
        return nullptr;
    // a text in a block of the plug-in's ends with a zero byte inside the block: the parser
    // never reads past it
    std::string_view parsed;
    const uint8_t* block = nullptr;
    size_t blockSize = 0;
    if (activeHost != nullptr && findHeapBlock(activeHost->heap, text, block, blockSize)) {
        size_t room =
            blockSize - static_cast<size_t>(reinterpret_cast<const uint8_t*>(text) - block);
        const void* end = std::memchr(text, '\0', room);
        if (end == nullptr)
            reportViolation("FX_ParseCaretCommand: a text without its zero byte in its buffer");
        parsed = std::string_view(
            text,
            end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - text) : room);
    } else {
        parsed = std::string_view(text);
    }
    const char* answer = text + skipCaretCommand(parsed, 0);
    if (activeHost != nullptr && activeHost->answers.caret)
        return activeHost->answers.caret(text, answer);
    return answer;
}

int32_t FX_UpdateLayout(int32_t first, int32_t second, uint32_t version) {
    countHostCall(serviceUpdateLayout, version);
    checkLayoutUpdate(first, second);
    if (activeHost != nullptr)
        ++activeHost->layoutUpdates;
    ServiceEvent event;
    event.service = serviceUpdateLayout;
    event.answer = 1;
    logServiceEvent(std::move(event));
    return 1;
}
}

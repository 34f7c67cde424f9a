// The host's record services and the other score services, acting on the active session.
#include "host/services.h"
#include "score/records.h"
#include "services/host_session.h"
#include "store/caret.h"

#include <algorithm>
#include <cstring>
#include <string_view>

static const uint32_t tagStaffListEntryId = 0x534F4975; // "SOIu"

static RecordId recordId(uint32_t tag, const RecordKey* key) {
    return RecordId{tag, key->number, key->increment};
}

// The staff of the staff-list entry (list, increment), or 0 when there is no such entry.
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

extern "C" {

int16_t FX_LoadEData(uint32_t tag, RecordKey* key, void* buffer, uint32_t* size, uint32_t version) {
    countHostCall(serviceLoadEData, version);
    if (activeHost == nullptr || key == nullptr)
        return 0;
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

int16_t FX_SaveEData(uint32_t tag, RecordKey* key, const void* buffer, uint32_t size,
                     uint32_t version) {
    countHostCall(serviceSaveEData, version);
    if (activeHost == nullptr || key == nullptr || (buffer == nullptr && size > 0))
        return 0;
    RecordId id = recordId(tag, key);
    SaveEvent event;
    event.id = id;
    std::vector<uint8_t> stored;
    if (const std::vector<uint8_t>* old = findRecord(activeHost->store, id))
        stored = *old;
    event.before = stored;
    if (size > 0)
        event.offered.assign(static_cast<const uint8_t*>(buffer),
                             static_cast<const uint8_t*>(buffer) + size);
    if (activeHost->behaviour.failingSaves) {
        event.after = stored;
        event.stored = false;
        activeHost->saves.push_back(std::move(event));
        return 0;
    }
    // bytes of a longer stored record beyond the saved size stay
    if (stored.size() < size)
        stored.resize(size);
    if (size > 0)
        std::memcpy(stored.data(), buffer, size);
    event.after = stored;
    putRecord(activeHost->store, id, std::move(stored));
    activeHost->saves.push_back(std::move(event));
    return 1;
}

int32_t FX_SlotToInst(int32_t slot, int32_t staffList, uint32_t version) {
    countHostCall(serviceSlotToInst, version);
    if (activeHost == nullptr || slot < 1 || slot > 65536)
        return 0;
    int32_t staff = entryStaff(static_cast<int16_t>(staffList), static_cast<uint32_t>(slot - 1));
    return staff < 0 ? 0 : staff;
}

int32_t FX_InstToSlot(int32_t staff, int32_t staffList, uint32_t version) {
    countHostCall(serviceInstToSlot, version);
    if (activeHost == nullptr)
        return 0;
    for (uint32_t increment = 0; increment <= 0xFFFF; ++increment) {
        int32_t found = entryStaff(static_cast<int16_t>(staffList), increment);
        if (found < 0)
            return 0;
        if (found == static_cast<uint16_t>(staff))
            return static_cast<int32_t>(increment + 1);
    }
    return 0;
}

const char* FX_ParseCaretCommand(const char* text, int32_t* value, int32_t zero, void* area,
                                 uint32_t version) {
    (void)value;
    (void)zero;
    (void)area;
    countHostCall(serviceParseCaretCommand, version);
    if (text == nullptr)
        return nullptr;
    return text + skipCaretCommand(std::string_view(text), 0);
}

int32_t FX_UpdateLayout(int32_t first, int32_t second, uint32_t version) {
    (void)first;
    (void)second;
    countHostCall(serviceUpdateLayout, version);
    if (activeHost != nullptr)
        ++activeHost->layoutUpdates;
    return 1;
}
}

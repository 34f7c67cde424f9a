#include "push/push.h"

#include "host/services.h"
#include "host/state.h"
#include "score/records.h"

// The staff of the global staff list entry at the low 16 bits of `position`; false when that
// entry can't be loaded, or the host answers with another.
static bool loadSelectedStaff(int32_t position, uint16_t& staff) {
    StaffListEntryRecord entry;
    uint32_t size;
    if (!loadGlobalEntry(static_cast<uint16_t>(position), entry, size))
        return false;
    staff = entryStaffNumber(entry);
    return true;
}

// The position plus the distance, wrapping around at 32 bits as the host's integers do.
static int32_t movedPosition(int32_t position, int16_t distance) {
    return static_cast<int32_t>(static_cast<uint32_t>(position) +
                                static_cast<uint32_t>(static_cast<int32_t>(distance)));
}

void pushStaffList(int16_t staffList, const int32_t* entries, int16_t count) {
    if (entries == nullptr)
        return;
    for (int i = 0; i < count; ++i) {
        uint16_t staff;
        if (!loadSelectedStaff(entries[i], staff))
            continue;
        for (uint32_t increment = 0; increment <= largestIncrement;) {
            RecordKey key;
            StaffListEntryRecord entry;
            uint32_t size;
            if (!loadListEntry(staffList, increment, key, entry, size))
                break;
            increment = key.increment + 1u;
            if (entryStaffNumber(entry) != staff)
                continue;
            setEntryVerticalPosition(
                entry, movedPosition(entryVerticalPosition(entry), pluginState.pushDistance));
            saveRecord(tagStaffListEntry, key, entry.bytes, size);
            break;
        }
    }
}

uint16_t countUnselectedStaves(int16_t system, const int32_t* entries, int16_t count) {
    uint16_t unselected = 0;
    for (uint32_t increment = 0; increment <= largestIncrement;) {
        RecordKey key;
        StaffListEntryRecord entry;
        uint32_t size;
        if (!loadListEntry(system, increment, key, entry, size))
            break;
        increment = key.increment + 1u;
        uint16_t staff = entryStaffNumber(entry);
        bool selected = false;
        for (int i = 0; i < count && entries != nullptr; ++i) {
            uint16_t selectedStaff;
            if (loadSelectedStaff(entries[i], selectedStaff) && selectedStaff == staff) {
                selected = true;
                break;
            }
        }
        if (!selected && unselected < UINT16_MAX)
            ++unselected;
    }
    return unselected;
}

void pushOptimizedSystems() {
    for (int number = pluginState.firstSystem; number <= pluginState.lastSystem; ++number) {
        StaffSystemRecord system;
        uint32_t size;
        if (!loadSingleRecord(tagStaffSystem, RecordKey{static_cast<int16_t>(number), 0},
                              system.bytes, staffSystemRecordSize, size))
            return;
        if (!systemIsOptimized(system))
            continue;
        if (pluginState.smartFilter != 0 &&
            countUnselectedStaves(static_cast<int16_t>(number), pluginState.selectedItems,
                                  pluginState.selectedCount) == 0)
            continue;
        pushStaffList(static_cast<int16_t>(number), pluginState.selectedItems,
                      pluginState.selectedCount);
    }
}

void performPush() {
    if (pluginState.pushDistance == 0)
        return;
    int16_t scope = pluginState.scope;
    if (scope == scopeOptimizedSystems)
        pushOptimizedSystems();
    else if (scope == scopeGlobalList)
        pushStaffList(globalStaffList, pluginState.selectedItems, pluginState.selectedCount);
    else if (scope >= scopeFirstStaffSet && scope < scopeFirstStaffSet + staffSetCount)
        pushStaffList(staffSetListOfScope(scope), pluginState.selectedItems,
                      pluginState.selectedCount);
    if (pluginState.updateLayout != 0)
        FX_UpdateLayout(0, 0, hostInterfaceVersion);
}

#include "score/queries.h"

#include "host/state.h"

int16_t countStaffSystems() {
    RecordKey key = {1, 0};
    uint32_t size = staffSystemRecordSize;
    int16_t count = 0;
    for (;;) {
        if (!probeSingleRecord(tagStaffSystem, key, size))
            return count;
        ++count;
        if (key.number == largestKeyNumber)
            return count;
        ++key.number;
    }
}

void scanOptimizedSystems() {
    pluginState.hasOptimizedSystems = 0;
    pluginState.hasNonOptimizedSystems = 0;
    for (int number = 1; number <= largestKeyNumber; ++number) {
        StaffSystemRecord system;
        uint32_t size;
        if (!loadSingleRecord(tagStaffSystem, RecordKey{static_cast<int16_t>(number), 0},
                              system.bytes, staffSystemRecordSize, size))
            return;
        if (systemIsOptimized(system))
            pluginState.hasOptimizedSystems = 1;
        else
            pluginState.hasNonOptimizedSystems = 1;
        if (pluginState.hasOptimizedSystems && pluginState.hasNonOptimizedSystems)
            return;
    }
}

void probeStaffSets() {
    for (int i = 0; i < staffSetCount; ++i) {
        uint32_t size = 0;
        pluginState.staffSetExists[i] = probeSingleRecord(
            tagStaffListEntry, RecordKey{static_cast<int16_t>(firstStaffSetList + i), 0}, size);
    }
}

void findSystemRange(const SelectionRegion* region, int16_t* firstSystem, int16_t* lastSystem) {
    for (int number = 1;; ++number) {
        StaffSystemRecord system;
        uint32_t size;
        if (!loadSingleRecord(tagStaffSystem, RecordKey{static_cast<int16_t>(number), 0},
                              system.bytes, staffSystemRecordSize, size)) {
            *lastSystem = static_cast<int16_t>(number - 1);
            return;
        }
        int first = systemFirstMeasure(system);
        int last = systemEndMeasure(system) - 1;
        if (first <= region->firstMeasure && region->firstMeasure <= last)
            *firstSystem = static_cast<int16_t>(number);
        if ((first <= region->lastMeasure && region->lastMeasure <= last) ||
            number == largestKeyNumber) {
            *lastSystem = static_cast<int16_t>(number);
            return;
        }
    }
}

int16_t readMeasurementUnit() {
    PreferencesRecord preferences;
    uint32_t size;
    if (!loadSingleRecord(tagPreferences, RecordKey{0, 0}, preferences.bytes, preferencesRecordSize,
                          size))
        return 1;
    return preferencesMeasurementUnit(preferences);
}

// Facts about the score that an invocation and the dialog need, each one linear walk over
// records through the host's loads. Results go to pluginState where the query says so.
#pragma once

#include "score/records.h"

#include <cstdint>

// The number of staff systems 1, 2, ... that exist before the first missing one.
int16_t countStaffSystems();

// Sets pluginState.hasOptimizedSystems and hasNonOptimizedSystems, walking the systems from 1
// until both are known or a system is missing.
void scanOptimizedSystems();

// Sets pluginState.staffSetExists[i] to the host's answer for the first entry of staff set #i+1.
void probeStaffSets();

// Writes to *firstSystem the system holding the region's first measure (left unchanged when no
// system holds it) and to *lastSystem the system holding its last measure, or the last existing
// system when none does.
void findSystemRange(const SelectionRegion* region, int16_t* firstSystem, int16_t* lastSystem);

// The host's measurement unit code; 1 (EVPUs) when the preferences record can't be loaded.
int16_t readMeasurementUnit();

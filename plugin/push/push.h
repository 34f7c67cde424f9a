// The push operation: moves the selected staves by pluginState.pushDistance in the staff lists
// of pluginState.scope, saving each changed staff-list entry back to the host.
#pragma once

#include <cstdint>

// Runs the push as pluginState says, then asks for a layout update when updateLayout is set.
// Does nothing at all when pushDistance is 0. The selection stays the caller's.
void performPush();

// Scope 1: pushes in the own staff list of each optimized system from firstSystem to
// lastSystem, skipping systems the smart filter rejects; a missing system ends the walk.
void pushOptimizedSystems();

// Moves each selected staff (entries are global staff list increments) at its first entry in
// staff list `staffList`; staves without an entry there are left alone.
void pushStaffList(int16_t staffList, const int32_t* entries, int16_t count);

// The number of entries in system `system`'s own staff list whose staff is not selected.
uint16_t countUnselectedStaves(int16_t system, const int32_t* entries, int16_t count);

// The plug-in's one state record: the user's choices carried between invocations and runs,
// the facts each invocation gathers about the score, and the selection handed to the push.
#pragma once

#include <cstdint>

struct PluginState {
    int16_t pushDistance;           // EVPUs; negative pushes down, 0 means nothing to do
    int16_t updateLayout;           // 0/1: ask the host to lay the score out after the push
    int16_t smartFilter;            // 0/1: skip systems whose every staff is selected
    int16_t scope;                  // 1 optimized systems, 2 global staff set, 3..10 staff sets
    int16_t firstSystem;            // first staff system of the range, from 1
    int16_t lastSystem;             // last staff system of the range, inclusive
    int16_t systemCount;            // staff systems in the score
    int16_t instrumentCount;        // entries in the dialog's instrument list
    int16_t hasOptimizedSystems;    // 0/1
    int16_t hasNonOptimizedSystems; // 0/1
    int16_t staffSetExists[8];      // the host's answer for the first entry of each staff set
    int16_t hasSelection;           // 0/1: the invocation was given a selection region
    int16_t reserved;               // never set; holds what an earlier load brought
    int32_t* selectedItems;         // owned array of selectedCount instrument list positions
    int16_t selectedCount;          // entries in selectedItems
};

// The one instance, zero when the library is loaded.
extern PluginState pluginState;

// Replaces the selection by an uninitialised array of `count` entries (count >= 1). Returns
// false, leaving no array, when it cannot be allocated. The state owns the array.
bool allocateSelection(PluginState& state, int16_t count);

// Frees the selection array; the state then holds no address of it.
void releaseSelection(PluginState& state);

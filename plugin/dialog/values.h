// The values that serve only while the dialog is open: not part of PluginState, never saved.
#pragma once

#include "host/state.h"
#include "score/records.h"

#include <cstdint>

constexpr int maxScopeChoices = 10;

struct DialogValues {
    PluginState* dialogState;            // the record the dialog works on
    const SelectionRegion* invokeRegion; // the invocation's selection region, or null
    int16_t measureUnit; // the unit code 1..6, read when the dialog opens (1 for one undefined)
    int16_t scopeChoices[maxScopeChoices]; // the scope value of each scope list entry, in order
    int16_t scopeChoiceCount;              // entries in the scope list
};

// The one instance, zero when the library is loaded.
extern DialogValues dialogValues;

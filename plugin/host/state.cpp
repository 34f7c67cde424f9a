#include "host/state.h"

#include "platform/platform.h"

#include <cstddef>

PluginState pluginState;

bool allocateSelection(PluginState& state, int16_t count) {
    releaseSelection(state);
    if (count < 1)
        return false;
    state.selectedItems = static_cast<int32_t*>(
        HeapAlloc(GetProcessHeap(), 0, static_cast<size_t>(count) * sizeof(int32_t)));
    return state.selectedItems != nullptr;
}

void releaseSelection(PluginState& state) {
    if (state.selectedItems != nullptr)
        HeapFree(GetProcessHeap(), 0, state.selectedItems);
    state.selectedItems = nullptr;
}

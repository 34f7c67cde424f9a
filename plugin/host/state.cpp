#include "host/state.h"

#include <cstddef>
#include <new>

PluginState pluginState;

bool allocateSelection(PluginState& state, int16_t count) {
    releaseSelection(state);
    if (count < 1)
        return false;
    state.selectedItems = new (std::nothrow) int32_t[static_cast<size_t>(count)];
    return state.selectedItems != nullptr;
}

void releaseSelection(PluginState& state) {
    delete[] state.selectedItems;
    state.selectedItems = nullptr;
}

// The saved settings: the first 46 bytes of PluginState as a little-endian image, kept in the
// current user's registry as the binary value "UserDialog".
#pragma once

#include "host/state.h"

#include <cstddef>
#include <cstdint>

constexpr const char* settingsKeyPath = "Software\\OrvanePlugins\\OrvaneLumbrel101";
constexpr const char* settingsValueName = "UserDialog";
constexpr size_t settingsImageSize = 46;

// pushDistance 0, updateLayout 0, smartFilter 1, scope 1; nothing else is touched.
void setDefaultSettings(PluginState& state);

// Defaults, then the saved value over them. A missing key or value, or a value longer than
// the image, leaves the defaults; a shorter value changes only the bytes it holds.
void loadSettings(PluginState& state);

// Writes the image to the registry. Failures are silent.
void saveSettings(const PluginState& state);

// Writes the state's image into `image`, field by field. Bytes 40-43, the selection array's
// address in memory, are written as 0: an address means nothing to a later run.
void encodeSettings(const PluginState& state, uint8_t image[settingsImageSize]);

// Applies the first `length` bytes of a saved image (at most settingsImageSize) to the state;
// fields beyond them keep their values. The saved address at 40-43 is never taken.
void applySettings(PluginState& state, const uint8_t* image, size_t length);

#include "host/settings.h"

#include "platform/platform.h"
#include "score/byteorder.h"

#include <cstring>

void setDefaultSettings(PluginState& state) {
    state.pushDistance = 0;
    state.updateLayout = 0;
    state.smartFilter = 1;
    state.scope = 1;
}

void encodeSettings(const PluginState& state, uint8_t image[settingsImageSize]) {
    writeInt16(image + 0, state.pushDistance);
    writeInt16(image + 2, state.updateLayout);
    writeInt16(image + 4, state.smartFilter);
    writeInt16(image + 6, state.scope);
    writeInt16(image + 8, state.firstSystem);
    writeInt16(image + 10, state.lastSystem);
    writeInt16(image + 12, state.systemCount);
    writeInt16(image + 14, state.instrumentCount);
    writeInt16(image + 16, state.hasOptimizedSystems);
    writeInt16(image + 18, state.hasNonOptimizedSystems);
    for (int i = 0; i < 8; ++i)
        writeInt16(image + 20 + 2 * i, state.staffSetExists[i]);
    writeInt16(image + 36, state.hasSelection);
    writeInt16(image + 38, state.reserved);
    writeUInt32(image + 40, 0);
    writeInt16(image + 44, state.selectedCount);
}

void applySettings(PluginState& state, const uint8_t* image, size_t length) {
    if (length > settingsImageSize)
        length = settingsImageSize;
    // Overlay the bytes read on the state's own image, so a short value changes only them.
    uint8_t merged[settingsImageSize];
    encodeSettings(state, merged);
    if (length > 0)
        std::memcpy(merged, image, length);

    state.pushDistance = readInt16(merged + 0);
    state.updateLayout = readInt16(merged + 2);
    state.smartFilter = readInt16(merged + 4);
    state.scope = readInt16(merged + 6);
    state.firstSystem = readInt16(merged + 8);
    state.lastSystem = readInt16(merged + 10);
    state.systemCount = readInt16(merged + 12);
    state.instrumentCount = readInt16(merged + 14);
    state.hasOptimizedSystems = readInt16(merged + 16);
    state.hasNonOptimizedSystems = readInt16(merged + 18);
    for (int i = 0; i < 8; ++i)
        state.staffSetExists[i] = readInt16(merged + 20 + 2 * i);
    state.hasSelection = readInt16(merged + 36);
    state.reserved = readInt16(merged + 38);
    state.selectedCount = readInt16(merged + 44);
}

void loadSettings(PluginState& state) {
    setDefaultSettings(state);
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    uint8_t image[settingsImageSize];
    DWORD size = settingsImageSize;
    if (RegQueryValueExA(key, settingsValueName, nullptr, nullptr, image, &size) == ERROR_SUCCESS)
        applySettings(state, image, size);
    RegCloseKey(key);
}

void saveSettings(const PluginState& state) {
    HKEY key;
    DWORD disposition;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &key, &disposition) != ERROR_SUCCESS)
        return;
    uint8_t image[settingsImageSize];
    encodeSettings(state, image);
    RegSetValueExA(key, settingsValueName, 0, REG_BINARY, image, settingsImageSize);
    RegCloseKey(key);
}

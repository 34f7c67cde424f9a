// Any stored settings value (any bytes, length and registry type), loaded into the state at
// init and saved back at the end, with any registry call failing: the state takes exactly the
// bytes a value of at most 46 bytes holds and keeps its defaults otherwise, and what is written
// back is the 46-byte image with bytes 40 to 43 zero.
#include "checks/run_properties.h"
#include "headless/registry.h"
#include "host/settings.h"
#include "play/platform.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static void fail(const char* what) {
    std::fprintf(stderr, "finding: %s\n", what);
    std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    uint8_t failing = in.ConsumeIntegral<uint8_t>();
    uint32_t type = in.ConsumeBool() ? 3 : in.ConsumeIntegral<uint32_t>();
    bool stored = in.ConsumeIntegralInRange<int>(0, 7) != 0;
    std::vector<uint8_t> value = in.ConsumeRemainingBytes<uint8_t>();

    HostSession session;
    Registry& registry = session.registry;
    activeHost = &session;
    if (stored)
        storePluginSettings(SavedSettings{type, value});
    for (int i = 0; i < 5; ++i)
        if ((failing & (1u << i)) != 0 && (failing & 0xE0) == 0)
            registry.failingCalls.insert(registryCallNames[i]);

    PluginState state{};
    loadSettings(state);
    bool read = stored && value.size() <= settingsImageSize &&
                registry.failingCalls.count("RegOpenKeyExA") == 0 &&
                registry.failingCalls.count("RegQueryValueExA") == 0;
    PluginState defaults{};
    setDefaultSettings(defaults);
    uint8_t expected[settingsImageSize];
    encodeSettings(defaults, expected);
    if (read && !value.empty())
        std::memcpy(expected, value.data(), value.size());
    std::memset(expected + 40, 0, 4);
    uint8_t image[settingsImageSize];
    encodeSettings(state, image);
    if (std::memcmp(image, expected, settingsImageSize) != 0)
        fail("the state after loading is not the defaults with the stored bytes over them");
    if (state.selectedItems != nullptr)
        fail("a loaded value gave the state a selection array");

    saveSettings(state);
    if (!checkSettingsWrites(registry.writes).empty())
        fail("the value written is not the 46-byte image");
    bool written = registry.failingCalls.count("RegCreateKeyExA") == 0 &&
                   registry.failingCalls.count("RegSetValueExA") == 0;
    const RegistryValue* saved =
        findRegistryValue(registry, pluginSettingsKey, pluginSettingsValue);
    if (written && (saved == nullptr || saved->data != std::vector<uint8_t>(image, image + 46)))
        fail("the value written is not the state's image");
    if (!written && stored && (saved == nullptr || saved->data != value))
        fail("a failed save changed the stored value");
    activeHost = nullptr;
    return 0;
}

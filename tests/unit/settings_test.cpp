#include "host/settings.h"

#include "session/host_session.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const uint32_t regSz = 1;
const uint32_t regBinary = 3;

class SettingsTest : public ::testing::Test {
  protected:
    PluginState state{};
    HostSession session;
    Registry& registry = session.registry;

    void SetUp() override { activeHost = &session; }
    void TearDown() override {
        EXPECT_TRUE(registry.openKeys.empty()) << "a registry key was left open";
        releaseSelection(state);
        activeHost = nullptr;
    }

    void storeValue(std::vector<uint8_t> data, uint32_t type = regBinary) {
        setRegistryValue(registry, settingsKeyPath, settingsValueName,
                         RegistryValue{type, std::move(data)});
    }

    // A saved image whose byte i is i + 1.
    static std::vector<uint8_t> countingImage(size_t length) {
        std::vector<uint8_t> image(length);
        for (size_t i = 0; i < length; ++i)
            image[i] = static_cast<uint8_t>(i + 1);
        return image;
    }
};

TEST_F(SettingsTest, DefaultsTouchOnlyTheirFourFields) {
    state.systemCount = 12;
    state.pushDistance = 7;
    state.updateLayout = 7;
    state.smartFilter = 7;
    state.scope = 7;
    setDefaultSettings(state);
    EXPECT_EQ(state.pushDistance, 0);
    EXPECT_EQ(state.updateLayout, 0);
    EXPECT_EQ(state.smartFilter, 1);
    EXPECT_EQ(state.scope, 1);
    EXPECT_EQ(state.systemCount, 12);
}

TEST_F(SettingsTest, MissingKeyOrValueLeavesTheDefaults) {
    state.pushDistance = 33;
    loadSettings(state);
    EXPECT_EQ(state.pushDistance, 0);
    EXPECT_EQ(state.smartFilter, 1);

    SCOPED_TRACE("the key exists but holds no UserDialog value: the other fields stay too");
    setRegistryValue(registry, settingsKeyPath, "Other", RegistryValue{regBinary, {1, 2}});
    state.scope = 4;
    state.firstSystem = 8;
    state.staffSetExists[7] = 1;
    loadSettings(state);
    EXPECT_EQ(state.scope, 1);
    EXPECT_EQ(state.firstSystem, 8);
    EXPECT_EQ(state.staffSetExists[7], 1);
}

TEST_F(SettingsTest, LoadsAFullImageFieldByFieldWhateverItsType) {
    storeValue(countingImage(46), regSz);
    loadSettings(state);
    EXPECT_EQ(state.pushDistance, 0x0201);
    EXPECT_EQ(state.updateLayout, 0x0403);
    EXPECT_EQ(state.smartFilter, 0x0605);
    EXPECT_EQ(state.scope, 0x0807);
    EXPECT_EQ(state.firstSystem, 0x0A09);
    EXPECT_EQ(state.lastSystem, 0x0C0B);
    EXPECT_EQ(state.systemCount, 0x0E0D);
    EXPECT_EQ(state.instrumentCount, 0x100F);
    EXPECT_EQ(state.hasOptimizedSystems, 0x1211);
    EXPECT_EQ(state.hasNonOptimizedSystems, 0x1413);
    EXPECT_EQ(state.staffSetExists[0], 0x1615);
    EXPECT_EQ(state.staffSetExists[7], 0x2423);
    EXPECT_EQ(state.hasSelection, 0x2625);
    EXPECT_EQ(state.reserved, 0x2827);
    EXPECT_EQ(state.selectedItems, nullptr) << "a saved address is never taken";
    EXPECT_EQ(state.selectedCount, 0x2E2D);
}

TEST_F(SettingsTest, ValueLongerThanTheImageIsIgnored) {
    storeValue(countingImage(47));
    loadSettings(state);
    EXPECT_EQ(state.pushDistance, 0);
    EXPECT_EQ(state.scope, 1);
    EXPECT_EQ(state.firstSystem, 0);
}

TEST_F(SettingsTest, ShortValueChangesOnlyTheBytesItHolds) {
    state.firstSystem = 3;
    state.lastSystem = 4;
    storeValue({0x10, 0x00, 0x01, 0x00, 0x05});
    loadSettings(state);
    EXPECT_EQ(state.pushDistance, 16);
    EXPECT_EQ(state.updateLayout, 1);
    EXPECT_EQ(state.smartFilter, 5) << "low byte read, high byte from the default";
    EXPECT_EQ(state.scope, 1);
    EXPECT_EQ(state.firstSystem, 3);
    EXPECT_EQ(state.lastSystem, 4);

    SCOPED_TRACE("an empty value changes nothing");
    storeValue({});
    loadSettings(state);
    EXPECT_EQ(state.smartFilter, 1);

    SCOPED_TRACE("one byte: the low byte of the distance");
    storeValue({0x0c});
    loadSettings(state);
    EXPECT_EQ(state.pushDistance, 12);
}

TEST_F(SettingsTest, SavedImageLayout) {
    state.pushDistance = -24;
    state.updateLayout = 1;
    state.smartFilter = 0;
    state.scope = 7;
    state.firstSystem = 2;
    state.lastSystem = 9;
    state.systemCount = 12;
    state.instrumentCount = 30;
    state.hasOptimizedSystems = 1;
    state.staffSetExists[4] = 1;
    state.hasSelection = 1;
    state.reserved = 0x3344;
    ASSERT_TRUE(allocateSelection(state, 3));
    state.selectedCount = 3;
    saveSettings(state);

    const RegistryValue* value = findRegistryValue(registry, settingsKeyPath, settingsValueName);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->type, regBinary);
    std::vector<uint8_t> expected(46, 0);
    auto put = [&](size_t offset, uint16_t field) {
        expected[offset] = static_cast<uint8_t>(field);
        expected[offset + 1] = static_cast<uint8_t>(field >> 8);
    };
    put(0, 0xFFE8); // -24
    put(2, 1);
    put(6, 7);
    put(8, 2);
    put(10, 9);
    put(12, 12);
    put(14, 30);
    put(16, 1);
    put(20 + 2 * 4, 1);
    put(36, 1);
    put(38, 0x3344);
    put(44, 3);
    EXPECT_EQ(value->data, expected) << "bytes 40-43 hold no heap address";
}

TEST_F(SettingsTest, SaveThenLoadKeepsTheChoices) {
    state.pushDistance = 500;
    state.updateLayout = 1;
    state.smartFilter = 0;
    state.scope = 10;
    saveSettings(state);
    PluginState loaded{};
    loadSettings(loaded);
    EXPECT_EQ(loaded.pushDistance, 500);
    EXPECT_EQ(loaded.updateLayout, 1);
    EXPECT_EQ(loaded.smartFilter, 0);
    EXPECT_EQ(loaded.scope, 10);
}

TEST_F(SettingsTest, FailedSaveKeepsThePreviousValue) {
    storeValue(countingImage(46));
    registry.failingCalls = {"RegCreateKeyExA"};
    state.pushDistance = 100;
    saveSettings(state);
    EXPECT_EQ(findRegistryValue(registry, settingsKeyPath, settingsValueName)->data,
              countingImage(46));
}

TEST_F(SettingsTest, ReleasedSelectionLeavesNoAddress) {
    ASSERT_TRUE(allocateSelection(state, 2));
    EXPECT_NE(state.selectedItems, nullptr);
    releaseSelection(state);
    EXPECT_EQ(state.selectedItems, nullptr);
    releaseSelection(state);
    EXPECT_FALSE(allocateSelection(state, 0));
    EXPECT_EQ(state.selectedItems, nullptr);
}

} // namespace

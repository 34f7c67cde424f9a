// A substitute host session for tests of the plug-in's logic: a score built record by record,
// made the active host, with the plug-in's state cleared before and after.
#pragma once

#include "headless/desktop.h"
#include "host/state.h"
#include "session/host_session.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

constexpr uint32_t testTagSystem = 0x534F5353;      // "SOSS"
constexpr uint32_t testTagEntry = 0x534F4975;       // "SOIu"
constexpr uint32_t testTagPreferences = 0x70666770; // "pfgp"

class HostTest : public ::testing::Test {
  protected:
    HostSession session;

    void SetUp() override {
        pluginState = PluginState{};
        activeHost = &session;
        session.desktop.hostWindow = hostWindowHandle();
    }
    void TearDown() override {
        releaseSelection(pluginState);
        EXPECT_EQ(describeHeapBlocks(session.heap), "") << "blocks left on the plug-in's heap";
        EXPECT_EQ(session.heap.misuses, std::vector<std::string>{});
        EXPECT_EQ(session.wrongVersionCalls, 0) << "a host call passed the wrong version";
        EXPECT_EQ(session.violations, std::vector<std::string>{})
            << "the plug-in breached the host contract";
        activeHost = nullptr;
        releaseSelection(pluginState);
        pluginState = PluginState{};
    }

    // Staff system `number` holding measures first..end-1.
    void addSystem(int16_t number, int16_t first, int16_t end, bool optimized) {
        std::vector<uint8_t> bytes(20, 0);
        bytes[8] = static_cast<uint8_t>(first);
        bytes[9] = static_cast<uint8_t>(static_cast<uint16_t>(first) >> 8);
        bytes[10] = static_cast<uint8_t>(end);
        bytes[11] = static_cast<uint8_t>(static_cast<uint16_t>(end) >> 8);
        if (optimized)
            bytes[19] = 0x40;
        putRecord(session.store, RecordId{testTagSystem, number, 0}, bytes);
    }

    // Entry `increment` of staff list `list`: `staff` at `position`, in a record of `size`
    // bytes whose other bytes are `fill`.
    void addEntry(int16_t list, uint16_t increment, uint16_t staff, int32_t position,
                  size_t size = 24, uint8_t fill = 0) {
        std::vector<uint8_t> bytes(size, fill);
        auto put = [&](size_t offset, uint8_t value) {
            if (offset < size)
                bytes[offset] = value;
        };
        put(0, static_cast<uint8_t>(staff));
        put(1, static_cast<uint8_t>(staff >> 8));
        for (size_t i = 0; i < 4; ++i)
            put(8 + i, static_cast<uint8_t>(static_cast<uint32_t>(position) >> (8 * i)));
        putRecord(session.store, RecordId{testTagEntry, list, increment}, bytes);
    }

    // A staff list whose entries place `staves` in order, each at -100 * (its index + 1).
    void addList(int16_t list, std::initializer_list<uint16_t> staves) {
        uint16_t increment = 0;
        for (uint16_t staff : staves) {
            addEntry(list, increment, staff, -100 * (increment + 1));
            ++increment;
        }
    }

    const std::vector<uint8_t>& entryBytes(int16_t list, uint16_t increment) {
        const std::vector<uint8_t>* bytes =
            findRecord(session.store, RecordId{testTagEntry, list, increment});
        EXPECT_NE(bytes, nullptr);
        static const std::vector<uint8_t> none;
        return bytes ? *bytes : none;
    }

    int32_t positionAt(int16_t list, uint16_t increment) {
        const std::vector<uint8_t>& b = entryBytes(list, increment);
        if (b.size() < 12)
            return 0;
        return static_cast<int32_t>(b[8] | b[9] << 8 | b[10] << 16 |
                                    static_cast<uint32_t>(b[11]) << 24);
    }

    long callsOf(HostService service) const { return session.calls[service]; }

    // The violations the strict host found so far, which are then forgotten.
    std::vector<std::string> takeViolations() {
        std::vector<std::string> found;
        found.swap(session.violations);
        return found;
    }

    // The selection of the dialog: instrument list positions, in order.
    void select(std::initializer_list<int32_t> positions) {
        ASSERT_TRUE(allocateSelection(pluginState, static_cast<int16_t>(positions.size())));
        int i = 0;
        for (int32_t position : positions)
            pluginState.selectedItems[i++] = position;
        pluginState.selectedCount = static_cast<int16_t>(positions.size());
    }
};

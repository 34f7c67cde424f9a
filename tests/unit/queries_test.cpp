#include "score/queries.h"

#include "support/test_host.h"

namespace {

using QueriesTest = HostTest;

TEST_F(QueriesTest, CountStaffSystemsStopsAtTheFirstGap) {
    EXPECT_EQ(countStaffSystems(), 0);
    for (int n : {1, 2, 3, 4, 5, 7})
        addSystem(static_cast<int16_t>(n), 1, 2, false);
    clearRunRecord(session);
    EXPECT_EQ(countStaffSystems(), 5);
    EXPECT_EQ(callsOf(serviceLoadEData), 6) << "one probe per system and one for the gap";
}

TEST_F(QueriesTest, CountStaffSystemsEndsAtTheLargestNumber) {
    SCOPED_TRACE("only the last system is not optimized, so the scan must reach it");
    for (int n = 1; n <= 32767; ++n)
        addSystem(static_cast<int16_t>(n), 1, 2, n != 32767);
    SCOPED_TRACE("a system numbered past the wrap must not be counted");
    addSystem(-32768, 1, 2, false);
    EXPECT_EQ(countStaffSystems(), 32767);

    SCOPED_TRACE("the other system walks end there too");
    scanOptimizedSystems();
    EXPECT_EQ(pluginState.hasNonOptimizedSystems, 1);
    SelectionRegion region{};
    region.firstMeasure = 1;
    region.lastMeasure = 5;
    int16_t first = 0;
    int16_t last = 0;
    findSystemRange(&region, &first, &last);
    EXPECT_EQ(first, 32767);
    EXPECT_EQ(last, 32767);
}

TEST_F(QueriesTest, ScanOptimizedSystems) {
    SCOPED_TRACE("all optimized: the walk covers every system");
    for (int16_t n = 1; n <= 4; ++n)
        addSystem(n, n, static_cast<int16_t>(n + 1), true);
    pluginState.hasNonOptimizedSystems = 1;
    scanOptimizedSystems();
    EXPECT_EQ(pluginState.hasOptimizedSystems, 1);
    EXPECT_EQ(pluginState.hasNonOptimizedSystems, 0);
    EXPECT_EQ(callsOf(serviceLoadEData), 5);

    SCOPED_TRACE("both kinds: the walk stops at the system that completes the pair");
    clearRunRecord(session);
    addSystem(2, 2, 3, false);
    scanOptimizedSystems();
    EXPECT_EQ(pluginState.hasOptimizedSystems, 1);
    EXPECT_EQ(pluginState.hasNonOptimizedSystems, 1);
    EXPECT_EQ(callsOf(serviceLoadEData), 2);

    SCOPED_TRACE("no systems");
    session.store.records.clear();
    scanOptimizedSystems();
    EXPECT_EQ(pluginState.hasOptimizedSystems, 0);
    EXPECT_EQ(pluginState.hasNonOptimizedSystems, 0);
}

TEST_F(QueriesTest, OnlyTheOptimizedFlagMakesASystemOptimized) {
    std::vector<uint8_t> bytes(20, 0);
    bytes[18] = 0xFF;
    bytes[19] = 0xBF; // every flag but the optimized one
    putRecord(session.store, RecordId{testTagSystem, 1, 0}, bytes);
    scanOptimizedSystems();
    EXPECT_EQ(pluginState.hasOptimizedSystems, 0);
    EXPECT_EQ(pluginState.hasNonOptimizedSystems, 1);

    bytes[18] = 0x00;
    bytes[19] = 0x40;
    putRecord(session.store, RecordId{testTagSystem, 1, 0}, bytes);
    scanOptimizedSystems();
    EXPECT_EQ(pluginState.hasOptimizedSystems, 1);
    EXPECT_EQ(pluginState.hasNonOptimizedSystems, 0);
}

TEST_F(QueriesTest, ProbeStaffSetsKeepsTheHostsAnswer) {
    addList(-35, {1}); // staff set #2
    addList(-32, {1}); // staff set #5
    addList(-37, {1}); // not a staff set
    for (int16_t& element : pluginState.staffSetExists)
        element = 9;
    probeStaffSets();
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(pluginState.staffSetExists[i], (i == 1 || i == 4) ? 1 : 0) << "element " << i;
    EXPECT_EQ(callsOf(serviceLoadEData), 8);
}

TEST_F(QueriesTest, FindSystemRange) {
    // systems 1..3 hold measures 1-4, 5-8, 9-12
    for (int16_t n = 1; n <= 3; ++n)
        addSystem(n, static_cast<int16_t>(4 * n - 3), static_cast<int16_t>(4 * n + 1), false);
    SelectionRegion region{};
    int16_t first = -7;
    int16_t last = -7;

    SCOPED_TRACE("measures in systems 2 and 3");
    region.firstMeasure = 6;
    region.lastMeasure = 9;
    findSystemRange(&region, &first, &last);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(last, 3);

    SCOPED_TRACE("inside one system: that system for both, and the walk stops there");
    clearRunRecord(session);
    region.firstMeasure = 5;
    region.lastMeasure = 8;
    findSystemRange(&region, &first, &last);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(last, 2);
    EXPECT_EQ(callsOf(serviceLoadEData), 2);

    SCOPED_TRACE("last measure after the last system: the last existing system");
    region.firstMeasure = 1;
    region.lastMeasure = 40;
    findSystemRange(&region, &first, &last);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(last, 3);

    SCOPED_TRACE("first measure in no system: the first system keeps its value");
    first = 99;
    region.firstMeasure = -5;
    region.lastMeasure = 10;
    findSystemRange(&region, &first, &last);
    EXPECT_EQ(first, 99);
    EXPECT_EQ(last, 3);
}

TEST_F(QueriesTest, FindSystemRangeWithoutSystemsWritesZeroLast) {
    SelectionRegion region{};
    region.firstMeasure = 1;
    region.lastMeasure = 2;
    int16_t first = 4;
    int16_t last = 4;
    findSystemRange(&region, &first, &last);
    EXPECT_EQ(first, 4);
    EXPECT_EQ(last, 0);
}

TEST_F(QueriesTest, ReadMeasurementUnit) {
    EXPECT_EQ(readMeasurementUnit(), 1) << "no preferences record: EVPUs";
    std::vector<uint8_t> preferences(61, 0xFF);
    preferences[30] = 3;
    preferences[31] = 0;
    putRecord(session.store, RecordId{testTagPreferences, 0, 0}, preferences);
    EXPECT_EQ(readMeasurementUnit(), 3);
}

} // namespace

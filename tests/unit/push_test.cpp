#include "push/push.h"

#include "support/test_host.h"

#include <climits>

namespace {

class PushTest : public HostTest {
  protected:
    // A global staff list of staves 1..5 and `systems` optimized systems whose own lists hold
    // the same staves.
    void buildScore(int systems) {
        addList(0, {1, 2, 3, 4, 5});
        for (int n = 1; n <= systems; ++n) {
            addSystem(static_cast<int16_t>(n), static_cast<int16_t>(4 * n - 3),
                      static_cast<int16_t>(4 * n + 1), true);
            addList(static_cast<int16_t>(n), {1, 2, 3, 4, 5});
        }
    }

    void setPush(int16_t distance, int16_t scope, int16_t first = 1, int16_t last = 0) {
        pluginState.pushDistance = distance;
        pluginState.scope = scope;
        pluginState.firstSystem = first;
        pluginState.lastSystem = last;
    }

    // The numbers of the staff lists that were saved to, in order.
    std::vector<int> savedLists() const {
        std::vector<int> lists;
        for (const SaveEvent& save : session.saves)
            lists.push_back(save.id.number);
        return lists;
    }
};

TEST_F(PushTest, ZeroDistanceTouchesNothing) {
    buildScore(3);
    setPush(0, 1, 1, 3);
    pluginState.updateLayout = 1;
    select({0, 1});
    performPush();
    for (long calls : session.calls)
        EXPECT_EQ(calls, 0);
    EXPECT_EQ(session.layoutUpdates, 0);
}

TEST_F(PushTest, ScopeOutsideOneToTenChangesNoListButStillUpdatesLayout) {
    buildScore(2);
    for (int scope : {0, 11, -1}) {
        SCOPED_TRACE(scope);
        clearRunRecord(session);
        setPush(24, static_cast<int16_t>(scope), 1, 2);
        pluginState.updateLayout = 1;
        select({0});
        performPush();
        EXPECT_TRUE(session.saves.empty());
        EXPECT_EQ(callsOf(serviceLoadEData), 0);
        EXPECT_EQ(callsOf(serviceUpdateLayout), 1);
        EXPECT_EQ(session.layoutUpdates, 1);
    }
}

TEST_F(PushTest, MovesThePositionAndCarriesEveryOtherByte) {
    addEntry(0, 0, 7, 0);
    addEntry(-36, 0, 7, -100, 24, 0xAB);
    setPush(-24, 3);
    select({0});
    performPush();
    ASSERT_EQ(session.saves.size(), 1u);
    const SaveEvent& save = session.saves[0];
    EXPECT_EQ(save.id.number, -36);
    EXPECT_EQ(positionAt(-36, 0), -124);
    ASSERT_EQ(save.after.size(), 24u);
    for (size_t i = 0; i < 24; ++i) {
        if (i < 8 || i >= 12) {
            EXPECT_EQ(save.after[i], save.before[i]) << "byte " << i;
        }
    }
    EXPECT_EQ(session.layoutUpdates, 0) << "no layout update unless asked";
}

TEST_F(PushTest, RecordSizesAsLoaded) {
    addEntry(0, 0, 7, 0);
    SCOPED_TRACE("a longer record keeps its bytes beyond the 24 asked for");
    addEntry(-35, 0, 7, 10, 30, 0xCD);
    setPush(5, 4);
    select({0});
    performPush();
    EXPECT_EQ(positionAt(-35, 0), 15);
    EXPECT_EQ(entryBytes(-35, 0).size(), 30u);
    EXPECT_EQ(entryBytes(-35, 0)[29], 0xCD);

    SCOPED_TRACE("a short record is saved with its own size: only its bytes change");
    clearRunRecord(session);
    addEntry(-34, 0, 7, 0x1234FFFE, 10, 0xEE);
    setPush(5, 5);
    performPush();
    ASSERT_EQ(session.saves.size(), 1u);
    EXPECT_EQ(entryBytes(-34, 0),
              (std::vector<uint8_t>{7, 0, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0x03, 0x00}));
}

TEST_F(PushTest, LayoutUpdateComesAfterTheLastSave) {
    buildScore(3);
    session.keepLog = true;
    pluginState.updateLayout = 1;
    setPush(8, 1, 1, 3);
    select({1, 3});
    performPush();
    ASSERT_EQ(session.log.size(), static_cast<size_t>(callsOf(serviceLoadEData) + 6 + 1));
    EXPECT_EQ(session.log.back().service, serviceUpdateLayout);
    EXPECT_EQ(session.log[session.log.size() - 2].service, serviceSaveEData);
}

TEST_F(PushTest, EveryByteOfThePositionTakesTheSum) {
    addList(0, {1, 2});
    addEntry(0, 0, 1, 0x12345678);
    addEntry(0, 1, 2, -0x12345678);
    setPush(-0x0123, 2);
    select({0, 1});
    performPush();
    EXPECT_EQ(positionAt(0, 0), 0x12345678 - 0x0123);
    EXPECT_EQ(positionAt(0, 1), -0x12345678 - 0x0123);
}

TEST_F(PushTest, PositionWrapsAroundAt32Bits) {
    addEntry(0, 0, 1, 0);
    addEntry(-29, 0, 1, INT32_MAX - 2);
    setPush(5, 10);
    select({0});
    performPush();
    EXPECT_EQ(positionAt(-29, 0), INT32_MIN + 2);
}

TEST_F(PushTest, MatchesStavesByNumberAtTheirFirstEntry) {
    addList(0, {1, 2, 3});
    SCOPED_TRACE("staff 2 twice in the set, staff 3 absent from it");
    addList(-33, {2, 1, 2});
    setPush(10, 6);
    select({1, 2, 0});
    performPush();
    EXPECT_EQ(positionAt(-33, 0), -90);
    EXPECT_EQ(positionAt(-33, 1), -190);
    EXPECT_EQ(positionAt(-33, 2), -300) << "only the first entry of a staff moves";
    EXPECT_EQ(session.saves.size(), 2u);
}

TEST_F(PushTest, SelectionEntriesUseTheirLow16BitsAndMayRepeat) {
    addList(0, {1, 2, 3});
    addList(-32, {3, 2, 1});
    setPush(1, 7);
    SCOPED_TRACE("65537 is increment 1; position 9 has no global entry; 2 is given twice");
    select({65537, 9, 2, 2});
    performPush();
    EXPECT_EQ(positionAt(-32, 1), -199);
    EXPECT_EQ(positionAt(-32, 0), -98);
    EXPECT_EQ(session.saves.size(), 3u);

    SCOPED_TRACE("a position without its own global entry, which the host answers with the next");
    clearRunRecord(session);
    eraseRecord(session.store, RecordId{testTagEntry, 0, 1});
    session.behaviour.nextLoads = true;
    select({1});
    performPush();
    EXPECT_TRUE(session.saves.empty());
}

TEST_F(PushTest, GlobalScopeHostCalls) {
    addList(0, {1, 2, 3});
    setPush(-12, 2);
    pluginState.updateLayout = 1;
    select({0, 2});
    performPush();
    EXPECT_EQ(positionAt(0, 0), -112);
    EXPECT_EQ(positionAt(0, 1), -200);
    EXPECT_EQ(positionAt(0, 2), -312);
    // per selected staff: its global entry, then the list walk up to its entry
    EXPECT_EQ(callsOf(serviceLoadEData), 2 + 4);
    EXPECT_EQ(callsOf(serviceSaveEData), 2);
    EXPECT_EQ(callsOf(serviceUpdateLayout), 1);
}

TEST_F(PushTest, OptimizedSystemsInTheRange) {
    buildScore(6);
    SCOPED_TRACE("system 4 is not optimized");
    addSystem(4, 13, 17, false);
    setPush(8, 1, 2, 6);
    select({1});
    performPush();
    EXPECT_EQ(savedLists(), (std::vector<int>{2, 3, 5, 6}));
    EXPECT_EQ(positionAt(1, 1), -200);
    EXPECT_EQ(positionAt(2, 1), -192);
    EXPECT_EQ(positionAt(0, 1), -200) << "the global list is not scope 1";
}

TEST_F(PushTest, MissingSystemEndsTheWalk) {
    buildScore(6);
    eraseRecord(session.store, RecordId{testTagSystem, 5, 0});
    setPush(8, 1, 2, 6);
    select({0});
    performPush();
    EXPECT_EQ(savedLists(), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(positionAt(6, 0), -100);
}

TEST_F(PushTest, RangeBoundaries) {
    buildScore(3);
    SCOPED_TRACE("first after last changes nothing");
    setPush(8, 1, 3, 2);
    select({0});
    performPush();
    EXPECT_TRUE(session.saves.empty());
    EXPECT_EQ(callsOf(serviceLoadEData), 0);

    SCOPED_TRACE("a range ending at the largest system number ends");
    clearRunRecord(session);
    addSystem(32766, 1, 2, true);
    addSystem(32767, 2, 3, true);
    addList(32766, {1});
    addList(32767, {1});
    setPush(8, 1, 32766, 32767);
    performPush();
    EXPECT_EQ(savedLists(), (std::vector<int>{32766, 32767}));
}

TEST_F(PushTest, ListWalksEndAtTheLargestIncrement) {
    addList(0, {1});
    for (uint32_t k = 0; k <= 0xFFFF; ++k)
        addEntry(-36, static_cast<uint16_t>(k), 2, 0);
    setPush(1, 3);
    select({0});
    performPush();
    EXPECT_TRUE(session.saves.empty());
    EXPECT_EQ(callsOf(serviceLoadEData), 1 + 65536);
}

TEST_F(PushTest, StaffMissingFromASystemLeavesTheOthersMoving) {
    addList(0, {1, 2, 3});
    addSystem(1, 1, 5, true);
    addList(1, {1, 3});
    setPush(-6, 1, 1, 1);
    select({0, 1, 2});
    performPush();
    EXPECT_EQ(positionAt(1, 0), -106);
    EXPECT_EQ(positionAt(1, 1), -206);
    EXPECT_EQ(session.saves.size(), 2u);
}

TEST_F(PushTest, SmartFilterSkipsSystemsWithoutAnUnselectedStaff) {
    addList(0, {1, 2, 3});
    addSystem(1, 1, 5, true);
    addList(1, {1, 2}); // every staff selected: skipped
    addSystem(2, 5, 9, true);
    addList(2, {1, 2, 3});     // staff 3 unselected: pushed
    addSystem(3, 9, 13, true); // no own entries: skipped
    pluginState.smartFilter = 1;
    setPush(4, 1, 1, 3);
    select({0, 1});
    performPush();
    EXPECT_EQ(savedLists(), (std::vector<int>{2, 2}));
    EXPECT_EQ(positionAt(1, 0), -100);
    EXPECT_EQ(positionAt(2, 0), -96);
    EXPECT_EQ(positionAt(2, 1), -196);
    EXPECT_EQ(positionAt(2, 2), -300);
    // system 1: its record, 3 walk loads, 1 + 2 selection loads; system 2: its record, 4 walk
    // loads, 1 + 2 + 2 selection loads, then the push's 2 + 3; system 3: its record, 1 walk load
    EXPECT_EQ(callsOf(serviceLoadEData), (1 + 3 + 3) + (1 + 4 + 5 + 5) + (1 + 1));
    EXPECT_EQ(countUnselectedStaves(2, pluginState.selectedItems, pluginState.selectedCount), 1);
}

TEST_F(PushTest, SmartFilterOffPushesEveryOptimizedSystem) {
    addList(0, {1, 2});
    addSystem(1, 1, 5, true);
    addList(1, {1, 2});
    pluginState.smartFilter = 0;
    setPush(4, 1, 1, 1);
    select({0, 1});
    performPush();
    EXPECT_EQ(savedLists(), (std::vector<int>{1, 1}));
}

TEST_F(PushTest, SmartFilterHasNoEffectOutsideScopeOne) {
    // every staff of each list is selected: scope 1 with the filter would skip such a list
    addList(0, {1, 2});
    for (int16_t list = -36; list <= -29; ++list)
        addList(list, {1, 2});
    pluginState.smartFilter = 1;
    for (int16_t scope = 2; scope <= 10; ++scope) {
        SCOPED_TRACE(scope);
        clearRunRecord(session);
        setPush(4, scope);
        select({0, 1});
        performPush();
        int list = scope == 2 ? 0 : scope - 39;
        EXPECT_EQ(savedLists(), (std::vector<int>{list, list}));
        EXPECT_EQ(callsOf(serviceLoadEData), 2 + 3) << "no walk of the filter";
    }
}

TEST_F(PushTest, StaffSetScopesChangeOnlyTheirList) {
    addList(0, {1});
    for (int16_t list = -36; list <= -29; ++list)
        addList(list, {1});
    for (int16_t scope = 3; scope <= 10; ++scope) {
        SCOPED_TRACE(scope);
        clearRunRecord(session);
        setPush(1, scope);
        select({0});
        performPush();
        EXPECT_EQ(savedLists(), (std::vector<int>{scope - 39}));
    }
}

} // namespace

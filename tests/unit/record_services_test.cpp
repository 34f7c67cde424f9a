// The substitute host's record and score services, as the plug-in calls them.
#include "host/services.h"
#include "score/records.h"

#include "support/test_host.h"

#include <cstring>

namespace {

using RecordServicesTest = HostTest;
const uint32_t version = hostInterfaceVersion;

TEST_F(RecordServicesTest, LoadsCopyAtMostTheAskedSize) {
    addEntry(2, 0, 9, -5, 30, 0x11);
    RecordKey key = {2, 0};
    uint32_t size = 0;

    SCOPED_TRACE("a probe reports the full size");
    EXPECT_EQ(FX_LoadEData(tagStaffListEntry, &key, nullptr, &size, version), 1);
    EXPECT_EQ(size, 30u);

    SCOPED_TRACE("a load copies at most the asked size and reports the copied size");
    uint8_t buffer[40];
    std::memset(buffer, 0xAA, sizeof buffer);
    size = 24;
    EXPECT_EQ(FX_LoadEData(tagStaffListEntry, &key, buffer, &size, version), 1);
    EXPECT_EQ(size, 24u);
    EXPECT_EQ(buffer[0], 9);
    EXPECT_EQ(buffer[23], 0x11);
    EXPECT_EQ(buffer[24], 0xAA);
    size = 40;
    FX_LoadEData(tagStaffListEntry, &key, buffer, &size, version);
    EXPECT_EQ(size, 30u);

    SCOPED_TRACE("a missing record leaves the size alone");
    key = {2, 1};
    size = 24;
    EXPECT_EQ(FX_LoadEData(tagStaffListEntry, &key, buffer, &size, version), 0);
    EXPECT_EQ(size, 24u);
    EXPECT_EQ(FX_LoadEData(tagStaff, &key, nullptr, &size, version), 0);
    EXPECT_EQ(callsOf(serviceLoadEData), 5);
}

TEST_F(RecordServicesTest, SavesKeepTheTailOfALongerRecord) {
    addEntry(3, 0, 1, 0, 30, 0x22);
    RecordKey key = {3, 0};
    uint8_t bytes[24] = {};
    bytes[0] = 4;
    FX_SaveEData(tagStaffListEntry, &key, bytes, 24, version);
    const std::vector<uint8_t>& stored = entryBytes(3, 0);
    ASSERT_EQ(stored.size(), 30u);
    EXPECT_EQ(stored[0], 4);
    EXPECT_EQ(stored[2], 0);
    EXPECT_EQ(stored[29], 0x22);
    ASSERT_EQ(session.saves.size(), 1u);
    EXPECT_EQ(session.saves[0].before.size(), 30u);
    EXPECT_EQ(session.saves[0].after, stored);

    SCOPED_TRACE("a save of a new record stores exactly its bytes");
    key = {3, 1};
    FX_SaveEData(tagStaffListEntry, &key, bytes, 5, version);
    EXPECT_EQ(entryBytes(3, 1).size(), 5u);
    EXPECT_TRUE(session.saves[1].before.empty());
}

TEST_F(RecordServicesTest, SlotsAndInstruments) {
    addList(0, {4, 7, 4, 9});
    addList(5, {9, 7});
    EXPECT_EQ(FX_SlotToInst(1, 5, version), 9);
    EXPECT_EQ(FX_SlotToInst(2, 5, version), 7);
    EXPECT_EQ(FX_SlotToInst(3, 5, version), 0);
    EXPECT_EQ(FX_SlotToInst(0, 5, version), 0);
    EXPECT_EQ(FX_SlotToInst(1, 6, version), 0);
    EXPECT_EQ(FX_InstToSlot(4, 0, version), 1) << "the first entry of the staff";
    EXPECT_EQ(FX_InstToSlot(9, 0, version), 4);
    EXPECT_EQ(FX_InstToSlot(5, 0, version), 0);
    EXPECT_EQ(callsOf(serviceSlotToInst), 5);
    EXPECT_EQ(callsOf(serviceInstToSlot), 3);
}

TEST_F(RecordServicesTest, CaretCommands) {
    struct Case {
        const char* text;
        size_t expected;
    };
    for (const Case& c :
         {Case{"^fontTxt(Times,4096)Violin", 20}, Case{"^size(12)^b", 9}, Case{"^bold Oboe", 5},
          Case{"^^x", 1}, Case{"^(x)", 1}, Case{"Flute ^b", 0}, Case{"", 0}, Case{"^", 1}}) {
        SCOPED_TRACE(c.text);
        int32_t value = 0;
        uint8_t area[24];
        const char* after = FX_ParseCaretCommand(c.text, &value, 0, area, version);
        EXPECT_EQ(static_cast<size_t>(after - c.text), c.expected);
    }
}

TEST_F(RecordServicesTest, LayoutUpdatesAndVersionsAreCounted) {
    FX_UpdateLayout(0, 0, version);
    FX_UpdateLayout(0, 0, version);
    EXPECT_EQ(session.layoutUpdates, 2);
    EXPECT_EQ(callsOf(serviceUpdateLayout), 2);
    RecordKey key = {0, 0};
    uint32_t size = 0;
    FX_LoadEData(tagStaffListEntry, &key, nullptr, &size, 0x5000004);
    EXPECT_EQ(session.wrongVersionCalls, 1);
    session.wrongVersionCalls = 0;
}

} // namespace

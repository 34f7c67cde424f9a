#include "score/records.h"

#include "push/push.h"
#include "support/test_host.h"

#include <cstring>

namespace {

using RecordsTest = HostTest;

TEST_F(RecordsTest, BytesBeyondAShortRecordReadAsZero) {
    addEntry(2, 0, 0x0107, 1000, 10);
    StaffListEntryRecord entry;
    std::memset(entry.bytes, 0xAA, sizeof entry.bytes);
    RecordKey key = {2, 0};
    uint32_t size = 0;
    ASSERT_EQ(loadRecord(tagStaffListEntry, key, entry.bytes, sizeof entry.bytes, size), 1);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(entryStaffNumber(entry), 0x0107);
    for (size_t i = 10; i < sizeof entry.bytes; ++i)
        EXPECT_EQ(entry.bytes[i], 0) << "byte " << i;
    EXPECT_EQ(entryVerticalPosition(entry), 1000) << "the position's two bytes the record lacks";
}

TEST_F(RecordsTest, AShortEntryIsNotReadWithTheBytesOfTheEntryBeforeIt) {
    // entry 0 places staff 0x0103; entry 1 is one byte long and places staff 3: read with the
    // first entry's second byte, it would place 0x0103 as well
    addList(0, {3});
    addEntry(5, 0, 0x0103, -100);
    addEntry(5, 1, 3, 0, 1);
    pluginState.pushDistance = 12;
    pluginState.scope = 1;
    pluginState.firstSystem = 5;
    pluginState.lastSystem = 5;
    addSystem(5, 1, 2, true);
    select({0});
    performPush();
    ASSERT_EQ(session.saves.size(), 1u);
    EXPECT_EQ(session.saves[0].id.increment, 1);
    EXPECT_EQ(session.saves[0].after, std::vector<uint8_t>{3}) << "one byte, as loaded";
}

} // namespace

// The substitute host's record and score services, as the plug-in calls them.
#include "host/services.h"
#include "score/records.h"

#include "headless/heap.h"
#include "platform/platform.h"
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
    EXPECT_EQ(takeViolations(), std::vector<std::string>{"FX_LoadEData \"SOIu\" (2, 0): asks for "
                                                         "40 bytes, the record has 24"});

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
    // the plug-in saves only what it has just loaded
    EXPECT_EQ(takeViolations().size(), 2u);
}

TEST_F(RecordServicesTest, StrictHostReportsEachBreachOfTheRecordServices) {
    addEntry(0, 0, 1, 0);
    addEntry(0, 1, 2, -100);
    addSystem(1, 1, 5, true);
    uint8_t buffer[80] = {};
    struct Case {
        const char* breach;
        void (*call)(uint8_t*);
        const char* violation;
    } cases[] = {
        {"a staff system asked with the size of an entry",
         [](uint8_t* b) {
             RecordKey key = {1, 0};
             uint32_t size = 24;
             FX_LoadEData(tagStaffSystem, &key, b, &size, version);
         },
         "FX_LoadEData \"SOSS\" (1, 0): asks for 24 bytes, the record has 20"},
        {"a tag the plug-in never reads",
         [](uint8_t* b) {
             RecordKey key = {1, 0};
             uint32_t size = 4;
             FX_LoadEData(0x41424344, &key, b, &size, version);
         },
         "FX_LoadEData \"ABCD\" (1, 0): a record the plug-in does not read"},
        {"a text block loaded with another size than its probe reported",
         [](uint8_t* b) {
             RecordKey key = {7, 0};
             uint32_t size = 0;
             FX_LoadEData(tagTextBlock, &key, nullptr, &size, version);
             size = 3;
             FX_LoadEData(tagTextBlock, &key, b, &size, version);
         },
         "FX_LoadEData \"txbl\" (7, 0): asks for 3 bytes, its probe reported 6"},
        {"a save under another key than the load left",
         [](uint8_t* b) {
             RecordKey key = {0, 0};
             uint32_t size = 24;
             FX_LoadEData(tagStaffListEntry, &key, b, &size, version);
             key = {0, 1};
             FX_SaveEData(tagStaffListEntry, &key, b, 24, version);
         },
         "FX_SaveEData \"SOIu\" (0, 1): the last load of its tag left the key \"SOIu\" (0, 0)"},
        {"a save with more bytes than the load left",
         [](uint8_t* b) {
             RecordKey key = {0, 1};
             uint32_t size = 24;
             FX_LoadEData(tagStaffListEntry, &key, b, &size, version);
             FX_SaveEData(tagStaffListEntry, &key, b, 30, version);
         },
         "FX_SaveEData \"SOIu\" (0, 1): passes 30 bytes, the load left 24"},
        {"a save after the layout update",
         [](uint8_t* b) {
             RecordKey key = {0, 1};
             uint32_t size = 24;
             FX_LoadEData(tagStaffListEntry, &key, b, &size, version);
             FX_UpdateLayout(0, 0, version);
             FX_SaveEData(tagStaffListEntry, &key, b, 24, version);
         },
         "FX_SaveEData \"SOIu\" (0, 1): after FX_UpdateLayout, which comes after the last save"},
        {"a layout update with other arguments", [](uint8_t*) { FX_UpdateLayout(1, 0, version); },
         "FX_UpdateLayout: gets 1 and 0, not 0 and 0"},
        {"a slot asked in another list than the global one",
         [](uint8_t*) { FX_InstToSlot(1, 3, version); }, "FX_InstToSlot: staff list 3, not 0"},
        {"a caret command parsed with a third argument",
         [](uint8_t*) {
             int32_t value = 0;
             uint8_t area[24];
             FX_ParseCaretCommand("^b x", &value, 1, area, version);
         },
         "FX_ParseCaretCommand: third argument 1, not 0"},
        {"another interface version", [](uint8_t*) { FX_UpdateLayout(0, 0, 0x5000004); },
         "FX_UpdateLayout: version 0x5000004, not 0x5000005"},
    };
    putRecord(session.store, RecordId{tagTextBlock, 7, 0}, {'F', 'l', 'u', 't', 'e', 0});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.breach);
        clearRunRecord(session);
        c.call(buffer);
        EXPECT_EQ(takeViolations(), std::vector<std::string>{c.violation});
    }
    session.wrongVersionCalls = 0;
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

    SCOPED_TRACE("a text in a block of the plug-in's heap is read only up to the block's end");
    auto* block = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, 8));
    std::memcpy(block, "^size(9)", 8);
    int32_t value = 0;
    uint8_t area[24];
    EXPECT_EQ(FX_ParseCaretCommand(block, &value, 0, area, version), block + 8);
    EXPECT_EQ(takeViolations(),
              std::vector<std::string>{"FX_ParseCaretCommand: a text without its zero byte in its "
                                       "buffer"});
    std::memcpy(block, "^b\0x^b", 7);
    EXPECT_EQ(FX_ParseCaretCommand(block, &value, 0, area, version), block + 2);
    EXPECT_TRUE(takeViolations().empty());
    HeapFree(GetProcessHeap(), 0, block);
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
    EXPECT_EQ(takeViolations(),
              std::vector<std::string>{"FX_LoadEData: version 0x5000004, not 0x5000005"});
}

} // namespace

#include "score/entries.h"

#include "dialog/dialog_ids.h"
#include "headless/heap.h"
#include "support/test_dialog.h"

#include <cstring>
#include <string>

namespace {

constexpr uint32_t testTagStaff = 0x534F4953;     // "SOIS"
constexpr uint32_t testTagText = 0x534F5458;      // "SOTX"
constexpr uint32_t testTagTextBlock = 0x7478626C; // "txbl"

class EntriesTest : public DialogTest {
  protected:
    // Staff `number` whose name is text `nameText`, hidden or not.
    void addStaff(int16_t number, int16_t nameText, bool hidden, uint16_t otherFlags = 0) {
        std::vector<uint8_t> bytes(66, 0);
        bytes[22] = static_cast<uint8_t>(otherFlags & ~0x04);
        bytes[23] = static_cast<uint8_t>(otherFlags >> 8);
        if (hidden)
            bytes[22] |= 0x04;
        bytes[30] = static_cast<uint8_t>(nameText);
        bytes[31] = static_cast<uint8_t>(static_cast<uint16_t>(nameText) >> 8);
        putRecord(session.store, RecordId{testTagStaff, number, 0}, bytes);
    }

    // Text `number` whose characters are in text block `block`.
    void addText(int16_t number, int16_t block) {
        std::vector<uint8_t> bytes(48, 0);
        bytes[0] = static_cast<uint8_t>(block);
        bytes[1] = static_cast<uint8_t>(static_cast<uint16_t>(block) >> 8);
        putRecord(session.store, RecordId{testTagText, number, 0}, bytes);
    }

    // Text block `number` holding exactly `characters`, with no zero byte added.
    void addBlock(int16_t number, const std::string& characters) {
        putRecord(session.store, RecordId{testTagTextBlock, number, 0},
                  std::vector<uint8_t>(characters.begin(), characters.end()));
    }

    // Staff `number` named `name` (terminated by a zero byte), through text and block `number`.
    void addNamedStaff(int16_t number, const std::string& name, bool hidden = false) {
        addStaff(number, number, hidden);
        addText(number, number);
        addBlock(number, name + '\0');
    }

    std::string entryText(uint16_t staff) {
        char text[entryTextSize];
        std::memset(text, 'x', sizeof text);
        writeStaffEntryText(staff, text);
        return text;
    }
};

TEST_F(EntriesTest, FallbackText) {
    SCOPED_TRACE("no staff record");
    EXPECT_EQ(entryText(3), "[Staff 3]");
    SCOPED_TRACE("the number is unsigned");
    EXPECT_EQ(entryText(65535), "[Staff 65535]");

    SCOPED_TRACE("no name text, hidden: no suffix; text 0 exists, and is not read");
    addText(0, 1);
    addBlock(1, std::string("Wrong") + '\0');
    session.keepLog = true;
    addStaff(4, 0, true);
    EXPECT_EQ(entryText(4), "[Staff 4]");
    for (const ServiceEvent& load : session.log)
        EXPECT_NE(load.asked.tag, testTagText) << "a text loaded for a staff without a name";
    session.keepLog = false;
    addStaff(5, -2, false);
    EXPECT_EQ(entryText(5), "[Staff 5]");

    SCOPED_TRACE("a name text whose block number is 0, while a block 0 exists");
    addStaff(6, 60, false);
    addText(60, 0);
    addBlock(0, std::string("Wrong") + '\0');
    EXPECT_EQ(entryText(6), "[Staff 6]");

    SCOPED_TRACE("a name text that doesn't exist, and a block that doesn't");
    addStaff(7, 70, false);
    EXPECT_EQ(entryText(7), "[Staff 7]");
    addText(70, 71);
    EXPECT_EQ(entryText(7), "[Staff 7]");
}

TEST_F(EntriesTest, NamedStaves) {
    SCOPED_TRACE("a plain name: the caret parser is still asked once");
    addNamedStaff(1, "Flute");
    EXPECT_EQ(entryText(1), "Flute");
    EXPECT_EQ(callsOf(serviceParseCaretCommand), 1);

    SCOPED_TRACE("caret commands at the start go, later ones stay");
    clearRunRecord(session);
    addNamedStaff(2, "^fontTxt(Times)^size(12)Oboe ^flat");
    EXPECT_EQ(entryText(2), "Oboe ^flat");
    EXPECT_EQ(callsOf(serviceParseCaretCommand), 2);

    SCOPED_TRACE("hidden");
    addNamedStaff(3, "^nfx(1)Horn", true);
    EXPECT_EQ(entryText(3), "Horn (hidden)");

    SCOPED_TRACE("the other flags of a staff do not hide it");
    addStaff(6, 1, false, 0xFFFF);
    EXPECT_EQ(entryText(6), "Flute");

    SCOPED_TRACE("an empty name is a name");
    addNamedStaff(4, "", true);
    EXPECT_EQ(entryText(4), " (hidden)");

    SCOPED_TRACE("the name ends at its first zero byte");
    addStaff(5, 5, false);
    addText(5, 5);
    addBlock(5, std::string("Tuba\0junk", 9));
    EXPECT_EQ(entryText(5), "Tuba");
}

TEST_F(EntriesTest, TextBlockWithoutTerminatingZeroEndsAtItsSize) {
    addStaff(1, 1, true);
    addText(1, 1);
    addBlock(1, "^size(9)Cello");
    EXPECT_EQ(entryText(1), "Cello (hidden)");

    SCOPED_TRACE("a block of only a caret command");
    addBlock(1, "^size(9)");
    EXPECT_EQ(entryText(1), " (hidden)");

    SCOPED_TRACE("an empty block");
    addBlock(1, "");
    EXPECT_EQ(entryText(1), " (hidden)");
}

TEST_F(EntriesTest, LongNamesAreCutToFit) {
    std::string name(150, 'n');
    addNamedStaff(1, "^nfx(1)" + name);
    EXPECT_EQ(entryText(1), std::string(99, 'n'));
    addNamedStaff(2, name, true);
    EXPECT_EQ(entryText(2), std::string(90, 'n') + " (hidden)");

    SCOPED_TRACE("names that just fit are whole");
    addNamedStaff(3, std::string(99, 'a'));
    EXPECT_EQ(entryText(3), std::string(99, 'a'));
    addNamedStaff(4, std::string(90, 'b'), true);
    EXPECT_EQ(entryText(4), std::string(90, 'b') + " (hidden)");
}

TEST_F(EntriesTest, NameEndsAtItsFirstZeroByteWhateverTheCaretParserAnswers) {
    // the parser answers with the position just past the zero byte, where another "^" stands
    addNamedStaff(5, std::string("^x") + '\0' + "^yOther");
    session.answers.caret = [](const char* text, const char* answer) {
        return text[0] == '^' && text[1] == 'x' ? text + 3 : answer;
    };
    EXPECT_EQ(entryText(5), "^x");
}

TEST_F(EntriesTest, BlockThatCannotBeLoadedAfterItsProbeIsFreed) {
    addNamedStaff(7, "Harp");
    session.answers.load = [](uint32_t tag, RecordKey&, uint8_t* buffer, uint32_t, uint32_t&,
                              int16_t answer) {
        return tag == testTagTextBlock && buffer != nullptr ? int16_t{0} : answer;
    };
    EXPECT_EQ(entryText(7), "[Staff 7]");
    EXPECT_TRUE(session.heap.blocks.empty()) << "the block's buffer was not freed";
}

TEST_F(EntriesTest, FillInstrumentListFollowsTheGlobalStaffList) {
    SCOPED_TRACE("an empty global staff list");
    EXPECT_EQ(fillInstrumentList(handle(), IDC_INSTRUMENT_LIST), 0);
    EXPECT_TRUE(control(IDC_INSTRUMENT_LIST).items.empty());

    addList(0, {3, 1, 2});
    addList(1, {4});
    addNamedStaff(1, "^size(8)Flute");
    addNamedStaff(2, "Oboe", true);
    EXPECT_EQ(fillInstrumentList(handle(), IDC_INSTRUMENT_LIST), 3);
    EXPECT_EQ(control(IDC_INSTRUMENT_LIST).items,
              (std::vector<std::string>{"[Staff 3]", "Flute", "Oboe (hidden)"}));

    SCOPED_TRACE("a host that passes over missing increments: the list ends at the first, as "
                 "under an exact host, so that entry p is the global entry (0, p)");
    addEntry(0, 65534, 8, 0);
    addEntry(0, 65535, 9, 0);
    session.behaviour.nextLoads = true;
    control(IDC_INSTRUMENT_LIST).items.clear();
    control(IDC_INSTRUMENT_LIST).itemSelected.clear();
    EXPECT_EQ(fillInstrumentList(handle(), IDC_INSTRUMENT_LIST), 3);
    EXPECT_EQ(control(IDC_INSTRUMENT_LIST).items.back(), "Oboe (hidden)");

    SCOPED_TRACE("a global list longer than a signed 16-bit count: its first 32767 entries");
    for (uint32_t k = 3; k <= 32768; ++k)
        addEntry(0, static_cast<uint16_t>(k), 7, 0);
    control(IDC_INSTRUMENT_LIST).items.clear();
    control(IDC_INSTRUMENT_LIST).itemSelected.clear();
    EXPECT_EQ(fillInstrumentList(handle(), IDC_INSTRUMENT_LIST), 32767);
}

// Stand-ins for a host whose caret parsing misbehaves, on this text.
const char sample[] = "^^^x^y";
const char elsewhere[] = "^elsewhere";

const char* LUMBREL_CDECL parseStaying(const char* text, int32_t*, int32_t, void*, uint32_t) {
    return text;
}
const char* LUMBREL_CDECL parseToStart(const char*, int32_t*, int32_t, void*, uint32_t) {
    return sample;
}
const char* LUMBREL_CDECL parseElsewhere(const char*, int32_t*, int32_t, void*, uint32_t) {
    return elsewhere + 1;
}
const char* LUMBREL_CDECL parseNull(const char*, int32_t*, int32_t, void*, uint32_t) {
    return nullptr;
}
// Moves past one character: "^^^x" takes three calls.
const char* LUMBREL_CDECL parseOne(const char* text, int32_t*, int32_t, void*, uint32_t) {
    return text + 1;
}

TEST(SkipCaretCommands, EndsWhereTheHostStopsMakingProgress) {
    const char* end = sample + 6;
    EXPECT_EQ(skipCaretCommands(sample, end, parseOne), sample + 3) << "a later caret stays";
    EXPECT_EQ(skipCaretCommands(sample, end, parseStaying), sample) << "no advance";
    EXPECT_EQ(skipCaretCommands(sample + 1, end, parseToStart), sample + 1) << "backwards";
    EXPECT_EQ(skipCaretCommands(sample, end, parseElsewhere), sample) << "outside the text";
    EXPECT_EQ(skipCaretCommands(sample, end, parseNull), sample) << "no position";
    EXPECT_EQ(skipCaretCommands(sample, sample + 2, parseOne), sample + 2)
        << "a position at the end of the text is the empty rest";
}

} // namespace

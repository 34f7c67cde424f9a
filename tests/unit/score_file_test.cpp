#include "store/score_file.h"
#include "support/score_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using nlohmann::json;

// Tags written out here, apart from the host's layout header, so that a wrong constant shows.
static const uint32_t soss = 0x534F5353, sois = 0x534F4953, soiu = 0x534F4975, sotx = 0x534F5458,
                      txbl = 0x7478626C, pfgp = 0x70666770;

static bool parse(const std::string& text, RecordStore& store, std::string& error,
                  const std::string& place = "") {
    return parseScore(json::parse(text), "a.json", place, store, error);
}

// The record's bytes as hex, or "missing".
static std::string hexOf(const RecordStore& store, uint32_t tag, int16_t number,
                         uint16_t increment = 0) {
    const std::vector<uint8_t>* bytes = findRecord(store, RecordId{tag, number, increment});
    return bytes ? toHex(*bytes) : "missing";
}

// `size` zero bytes as hex with `fields` (offset, hex) written over them.
static std::string zeros(size_t size, std::vector<std::pair<size_t, std::string>> fields = {}) {
    std::string hex(size * 2, '0');
    for (const auto& [offset, value] : fields)
        hex.replace(offset * 2, value.size(), value);
    return hex;
}

TEST(ScoreFileParse, GeneratedRecordsHoldTheFieldsAtTheirOffsets) {
    RecordStore store = parsedScore(R"({
        "measurementUnit": 2,
        "systems": [{"firstMeasure": 1, "endMeasure": 5, "optimized": true},
                    {"firstMeasure": -3, "optimized": false}, {"number": 7}],
        "staves": [{"number": 3, "name": "Violin", "hidden": true},
                   {"number": -2, "nameText": -2}, {"number": 4, "name": ""}],
        "staffLists": [{"number": -36, "entries": [{"staff": 65535, "position": -288},
                                                   {"staff": -1}, {"position": 2147483647}]}]
    })");
    EXPECT_EQ(hexOf(store, pfgp, 0), zeros(61, {{30, "0200"}}));
    EXPECT_EQ(hexOf(store, soss, 1), zeros(20, {{8, "0100"}, {10, "0500"}, {18, "0040"}}));
    EXPECT_EQ(hexOf(store, soss, 2), zeros(20, {{8, "fdff"}}));
    EXPECT_EQ(hexOf(store, soss, 7), zeros(20));
    EXPECT_EQ(hexOf(store, soss, 3), "missing");
    EXPECT_EQ(hexOf(store, sois, 3), zeros(66, {{22, "0400"}, {30, "0100"}}));
    EXPECT_EQ(hexOf(store, sotx, 1), zeros(48, {{0, "0100"}}));
    EXPECT_EQ(hexOf(store, txbl, 1), "56696f6c696e00");
    EXPECT_EQ(hexOf(store, sois, -2), zeros(66, {{30, "feff"}}));
    EXPECT_EQ(hexOf(store, sois, 4), zeros(66, {{30, "0200"}}));
    EXPECT_EQ(hexOf(store, txbl, 2), "00");
    EXPECT_EQ(hexOf(store, soiu, -36, 0), zeros(24, {{0, "ffff"}, {8, "e0feffff"}}));
    EXPECT_EQ(hexOf(store, soiu, -36, 1), zeros(24, {{0, "ffff"}}));
    EXPECT_EQ(hexOf(store, soiu, -36, 2), zeros(24, {{8, "ffffff7f"}}));
    EXPECT_EQ(store.records.size(), 14u);
    EXPECT_EQ(hexOf(parsedScore(R"({"measurementUnit": -1})"), pfgp, 0), zeros(61, {{30, "ffff"}}));
    EXPECT_TRUE(parsedScore("{}").records.empty());
}

TEST(ScoreFileParse, GivenBytesAndRawRecords) {
    {
        SCOPED_TRACE("fields are written over given bytes, which may be longer");
        json score = json::parse(R"({"systems": [{"optimized": false, "endMeasure": 2}],
            "staves": [{"number": 1}, {"number": 2, "hidden": false}],
            "staffLists": [{"number": 0, "entries": [{"position": 0}]}]})");
        score["systems"][0]["bytes"] = std::string(44, 'f');
        score["staves"][0]["bytes"] = zeros(66, {{22, "0400"}, {65, "aa"}});
        score["staves"][1]["bytes"] = zeros(66, {{22, "0400"}});
        score["staffLists"][0]["entries"][0]["bytes"] = std::string(48, 'f');
        RecordStore store = parsedScore(score.dump());
        EXPECT_EQ(hexOf(store, soss, 1),
                  std::string(20, 'f') + "0200" + std::string(12, 'f') + "ffbf" + "ffff");
        EXPECT_EQ(hexOf(store, sois, 1), zeros(66, {{22, "0400"}, {65, "aa"}}));
        EXPECT_EQ(hexOf(store, sois, 2), zeros(66));
        EXPECT_EQ(hexOf(store, soiu, 0), "ffffffffffffffff00000000ffffffffffffffffffffffff");
    }
    {
        SCOPED_TRACE("raw records come last and the later of two wins");
        RecordStore store = parsedScore(R"({
            "staves": [{"number": 1, "hidden": true}],
            "records": [{"tag": "SOIS", "number": 1, "bytes": "01"},
                        {"tag": "zzzz", "number": -5, "increment": 65535, "bytes": "aa"},
                        {"tag": "zzzz", "number": -5, "increment": 65535, "bytes": ""}]
        })");
        EXPECT_EQ(hexOf(store, sois, 1), "01");
        EXPECT_EQ(hexOf(store, 0x7A7A7A7A, -5, 65535), "");
        EXPECT_EQ(store.records.size(), 2u);
    }
    {
        SCOPED_TRACE("chosen text numbers skip raw texts, raw blocks and given nameTexts");
        RecordStore store = parsedScore(R"({
            "staves": [{"number": 1, "name": "A"}, {"number": 2, "nameText": 2},
                       {"number": 3, "name": "C"}],
            "records": [{"tag": "SOTX", "number": 1, "bytes": "0900"},
                        {"tag": "SOTX", "number": 3, "increment": 2, "bytes": ""},
                        {"tag": "txbl", "number": 1, "bytes": "5800"}]
        })");
        EXPECT_EQ(hexOf(store, sois, 1), zeros(66, {{30, "0400"}}));
        EXPECT_EQ(hexOf(store, sotx, 4), zeros(48, {{0, "0200"}}));
        EXPECT_EQ(hexOf(store, txbl, 2), "4100");
        EXPECT_EQ(hexOf(store, sois, 3), zeros(66, {{30, "0500"}}));
        EXPECT_EQ(hexOf(store, sotx, 5), zeros(48, {{0, "0300"}}));
        EXPECT_EQ(hexOf(store, txbl, 3), "4300");
        EXPECT_EQ(hexOf(store, sotx, 1), "0900");
        EXPECT_EQ(hexOf(store, txbl, 1), "5800");
    }
}

TEST(ScoreFileParse, BadInputNamesThePlaceAndLeavesTheStore) {
    const std::string number16 = "expected a whole number from -32768 to 32767";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"[]", "top level: expected a score object"},
        {R"({"a/b~": 1})", "/a~1b~0: unknown field (known fields: measurementUnit, systems, "
                           "staves, staffLists, records, view)"},
        {R"({"measurementUnit": true})",
         "/measurementUnit: expected a whole number from -32768 to 65535"},
        {R"({"systems": {}})", "/systems: expected an array"},
        {R"({"systems": [1]})", "/systems/0: expected an object"},
        {R"({"systems": [{"optimized": 1}]})", "/systems/0/optimized: expected true or false"},
        {R"({"systems": [{"number": 0}]})",
         "/systems/0/number: expected a whole number from 1 to 32767"},
        {R"({"systems": [{}, {"number": 1}]})", "/systems/1/number: duplicate system number 1"},
        {R"({"systems": [{"number": 2}, {}]})", "/systems/1: duplicate system number 2"},
        {R"({"systems": [{"bytes": "abc"}]})",
         "/systems/0/bytes: expected an even number of hex digits, got 3"},
        {R"({"systems": [{"bytes": "0g"}]})",
         "/systems/0/bytes: expected only hex digits (0-9, a-f)"},
        {R"({"systems": [{"bytes": "00"}]})",
         "/systems/0/bytes: expected at least 20 bytes, got 1"},
        {R"({"staves": [{"name": "x"}]})", "/staves/0: missing field \"number\""},
        {R"({"staves": [{"number": 1}, {"number": 40000}]})", "/staves/1/number: " + number16},
        {R"({"staves": [{"number": 1}, {"number": 1}]})",
         "/staves/1/number: duplicate staff number 1"},
        {R"({"staves": [{"number": 1, "name": "x", "nameText": 2}]})",
         "/staves/0: give either \"name\" or \"nameText\", not both"},
        {R"({"staves": [{"number": 1, "name": 5}]})", "/staves/0/name: expected a string"},
        {R"({"staves": [{"number": 1, "nameText": 2.5}]})", "/staves/0/nameText: " + number16},
        {R"({"staffLists": [{"number": 0}]})", "/staffLists/0: missing field \"entries\""},
        {R"({"staffLists": [{"number": 0, "entries": []}, {"number": 0, "entries": []}]})",
         "/staffLists/1/number: duplicate staff list number 0"},
        {R"({"staffLists": [{"number": 0, "entries": [{}, {"pos": 1}]}]})",
         "/staffLists/0/entries/1/pos: unknown field (known fields: staff, position, bytes)"},
        {R"({"staffLists": [{"number": 0, "entries": [{"position": 2147483648}]}]})",
         "/staffLists/0/entries/0/position: expected a whole number from -2147483648 to "
         "2147483647"},
        {R"({"records": [{"tag": "SOI", "number": 1, "bytes": ""}]})",
         "/records/0/tag: expected four printable ASCII characters"},
        {R"({"records": [{"tag": "SOIS", "number": 1, "increment": -1, "bytes": ""}]})",
         "/records/0/increment: expected a whole number from 0 to 65535"},
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(text);
        RecordStore store;
        putRecord(store, RecordId{sois, 1, 0}, {1, 2});
        std::string error;
        EXPECT_FALSE(parse(text, store, error));
        EXPECT_EQ(error, "a.json: " + message);
        EXPECT_EQ(store.records.size(), 1u);
        EXPECT_EQ(hexOf(store, sois, 1), "0102");
    }
    {
        SCOPED_TRACE("an embedded score's places carry its prefix");
        RecordStore store;
        std::string error;
        EXPECT_FALSE(parse(R"({"staves": [{"number": "1"}]})", store, error, "/score"));
        EXPECT_EQ(error, "a.json: /score/staves/0/number: " + number16);
        EXPECT_FALSE(parse("3", store, error, "/score"));
        EXPECT_EQ(error, "a.json: /score: expected a score object");
    }
}

TEST(ScoreFileJson, WrittenScoreReadsBackAndDescribesItself) {
    const std::string text = R"({
        "measurementUnit": 3,
        "systems": [{"firstMeasure": 1, "endMeasure": 5, "optimized": true}, {"endMeasure": -1}],
        "staves": [{"number": 2, "name": "^fontTxt(Times,4096)Violin I", "hidden": true},
                   {"number": 1, "nameText": 9}],
        "staffLists": [{"number": 0, "entries": [{"staff": 2, "position": -288}, {"staff": 1}]}],
        "records": [{"tag": "SOSS", "number": 0, "bytes": ""},
                    {"tag": "SOSS", "number": 3, "increment": 1, "bytes": ""},
                    {"tag": "SOIS", "number": 5, "bytes": "00"},
                    {"tag": "SOIu", "number": 4, "increment": 1, "bytes": ""},
                    {"tag": "SOIu", "number": 0, "increment": 3, "bytes": "ff"},
                    {"tag": "SOIu", "number": -30, "bytes": "0100000000000000ff"},
                    {"tag": "SOIS", "number": 6, "bytes": ")" +
                             zeros(32, {{30, "0700"}}) + R"("},
                    {"tag": "SOTX", "number": 7, "bytes": "0800"},
                    {"tag": "txbl", "number": 8, "bytes": "4f626f65"}]
    })";
    RecordStore store = parsedScore(text);
    json written = scoreToJson(store);
    {
        SCOPED_TRACE("records read back identically, in tag, number, increment order");
        RecordStore again;
        std::string error;
        EXPECT_TRUE(parseScore(written, "out.json", "", again, error)) << error;
        EXPECT_TRUE(again == store);
        std::string order;
        for (const json& record : written["records"])
            order += record["tag"].get<std::string>() + record["number"].dump() + "." +
                     record["increment"].dump() + " ";
        EXPECT_EQ(order, "SOIS1.0 SOIS2.0 SOIS5.0 SOIS6.0 SOIu-30.0 SOIu0.0 SOIu0.1 SOIu0.3 "
                         "SOIu4.1 SOSS0.0 SOSS1.0 SOSS2.0 SOSS3.1 SOTX1.0 SOTX7.0 pfgp0.0 "
                         "txbl1.0 txbl8.0 ");
    }
    {
        SCOPED_TRACE("the view");
        EXPECT_EQ(written["view"], json::parse(R"({
            "measurementUnit": 3,
            "systems": [{"number": 1, "firstMeasure": 1, "endMeasure": 5, "optimized": true},
                        {"number": 2, "firstMeasure": 0, "endMeasure": -1, "optimized": false}],
            "staves": [{"number": 1, "hidden": false},
                       {"number": 2, "name": "^fontTxt(Times,4096)Violin I", "hidden": true},
                       {"number": 5, "hidden": false},
                       {"number": 6, "name": "Oboe", "hidden": false}],
            "staffLists": [{"number": -30, "entries": [{"staff": 1, "position": 255}]},
                           {"number": 0, "entries": [{"staff": 2, "position": -288},
                                                     {"staff": 1, "position": 0}]},
                           {"number": 4, "entries": []}]
        })"));
        EXPECT_EQ(scoreToJson(parsedScore("{}")),
                  json::parse(R"({"records": [], "view": {"systems": [], "staves": [],
                                                          "staffLists": []}})"));
    }
}

TEST(ScoreFileIo, WritesAndReadsFiles) {
    RecordStore store = parsedScore(R"({"staves": [{"number": 1, "name": "Fl\u00fbte"}],
        "records": [{"tag": "txbl", "number": 5, "bytes": "ff80"},
                    {"tag": "SOTX", "number": 3, "bytes": "0500"},
                    {"tag": "SOIS", "number": 2, "bytes": ")" +
                                    zeros(32, {{30, "0300"}}) + R"("}]})");
    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() / ("score_file_test." + std::to_string(getpid()));
    std::filesystem::create_directories(directory);
    const std::string path = (directory / "score.json").string();
    std::string error;
    {
        SCOPED_TRACE("written with a 2-space indent and read back, odd bytes in names too");
        ASSERT_TRUE(writeScoreFile(path, store, error)) << error;
        std::ostringstream text;
        text << std::ifstream(path).rdbuf();
        EXPECT_EQ(text.str().substr(0, 5), "{\n  \"");
        EXPECT_EQ(text.str().back(), '\n');
        EXPECT_EQ(json::parse(text.str())["view"]["staves"][0]["name"], "Fl\u00fbte");
        RecordStore again;
        ASSERT_TRUE(readScoreFile(path, again, error)) << error;
        EXPECT_TRUE(again == store);
    }
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"{\n  \"systems\": tru\n}",
         "line 2, column 17: invalid literal; last read: '\"systems\": tru<U+000A>'"},
        {"{\"systems\": []}\n\n{", "line 3, column 1: unexpected '{'; expected end of input"},
        {"{\"systems\": 1}", "/systems: expected an array"},
    };
    for (const auto& [text, message] : bad) {
        SCOPED_TRACE(text);
        std::ofstream(path) << text;
        RecordStore kept = store;
        EXPECT_FALSE(readScoreFile(path, kept, error));
        EXPECT_EQ(error, path + ": " + message);
        EXPECT_TRUE(kept == store);
    }
    {
        SCOPED_TRACE("files that can't be had");
        const std::string missing = (directory / "none" / "score.json").string();
        EXPECT_FALSE(readScoreFile(missing, store, error));
        EXPECT_EQ(error, missing + ": cannot read: No such file or directory");
        EXPECT_FALSE(writeScoreFile(missing, store, error));
        EXPECT_EQ(error, missing + ": cannot write: No such file or directory");
    }
    std::filesystem::remove_all(directory);
}

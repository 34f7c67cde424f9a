#include "views/score_text.h"

#include "store/caret.h"
#include "store/score_file.h"
#include "support/score_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

static std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The cells of the table rows under the heading `section`, split where two blanks or more meet.
static std::vector<std::vector<std::string>> tableOf(const std::string& text,
                                                     const std::string& section) {
    std::vector<std::string> lines = linesOf(text);
    std::vector<std::vector<std::string>> rows;
    size_t i = 0;
    while (i < lines.size() && lines[i] != section)
        ++i;
    for (++i; i < lines.size() && lines[i].rfind("  ", 0) == 0; ++i) {
        std::vector<std::string> cells;
        size_t start = lines[i].find_first_not_of(' ');
        while (start != std::string::npos) {
            size_t end = lines[i].find("  ", start);
            cells.push_back(lines[i].substr(start, end - start));
            start = end == std::string::npos ? end : lines[i].find_first_not_of(' ', end);
        }
        rows.push_back(cells);
    }
    return rows;
}

using Rows = std::vector<std::vector<std::string>>;

TEST(DescribeScore, DisplayNamesFollowTheInstrumentList) {
    std::string shown = describeScore(parsedScore(R"({
        "staves": [{"number": 1, "name": "^fontTxt(Times,4096)Violin I"},
                   {"number": 2, "name": "^fontTxt(Times)^size(12)^nfx(0)Flute"},
                   {"number": 3, "name": "^fontTxt(Times)Oboe ^flat 2"},
                   {"number": 4, "name": "^1Horn", "hidden": true},
                   {"number": 5, "hidden": true},
                   {"number": 6, "nameText": 9, "hidden": true},
                   {"number": 7, "nameText": 20},
                   {"number": -1, "name": "Tuba\tx"}],
        "staffLists": [{"number": 0, "entries": [{"staff": 1}, {"staff": 65535}, {"staff": 8},
                                                 {"staff": 6}, {"staff": 7}]}],
        "records": [{"tag": "SOTX", "number": 9, "bytes": "0900"},
                    {"tag": "SOTX", "number": 20, "bytes": "0000"},
                    {"tag": "SOIS", "number": 8, "bytes": "0000"},
                    {"tag": "SOIS", "number": 9, "bytes": "0400"}]
    })"));
    EXPECT_EQ(tableOf(shown, "Staves"), (Rows{{"Staff", "Name"},
                                              {"65535", "Tuba?x"},
                                              {"1", "Violin I"},
                                              {"2", "Flute"},
                                              {"3", "Oboe ^flat 2"},
                                              {"4", "1Horn (hidden)"},
                                              {"5", "[Staff 5]"},
                                              {"6", "[Staff 6]"},
                                              {"7", "[Staff 7]"},
                                              {"8", "[Staff 8]"},
                                              {"9", "[Staff 9]"}}));
    EXPECT_EQ(tableOf(shown, "Global staff list"), (Rows{{"Entry", "Staff", "Name", "Position"},
                                                         {"0", "1", "Violin I", "0"},
                                                         {"1", "65535", "Tuba?x", "0"},
                                                         {"2", "8", "[Staff 8]", "0"},
                                                         {"3", "6", "[Staff 6]", "0"},
                                                         {"4", "7", "[Staff 7]", "0"}}));
    std::string block = describeScore(parsedScore(R"({
        "staves": [{"number": 1, "nameText": 1, "hidden": true}],
        "records": [{"tag": "SOTX", "number": 1, "bytes": "0200"},
                    {"tag": "txbl", "number": 2, "bytes": "5e6128782943656c6c6f"}]
    })"));
    EXPECT_EQ(tableOf(block, "Staves"), (Rows{{"Staff", "Name"}, {"1", "Cello (hidden)"}}));
}

TEST(DescribeScore, SectionsAndTables) {
    {
        SCOPED_TRACE("an empty score");
        EXPECT_EQ(describeScore(RecordStore{}), "Measurement unit: not set\n\nSystems: none\n\n"
                                                "Staves: none\n\nStaff lists: none\n");
    }
    {
        SCOPED_TRACE("units");
        const char* names[] = {"EVPUs", "inches", "centimeters", "points", "picas", "spaces"};
        for (int unit = 1; unit <= 6; ++unit)
            EXPECT_EQ(linesOf(describeScore(
                          parsedScore(R"({"measurementUnit": )" + std::to_string(unit) + "}")))[0],
                      "Measurement unit: " + std::to_string(unit) + " (" + names[unit - 1] + ")");
        EXPECT_EQ(linesOf(describeScore(parsedScore(R"({"measurementUnit": 9})")))[0],
                  "Measurement unit: 9 (unknown unit)");
    }
    std::string shown = describeScore(parsedScore(R"({
        "systems": [{"firstMeasure": 1, "endMeasure": 5, "optimized": true},
                    {"firstMeasure": 5, "endMeasure": 6}, {"firstMeasure": 6, "endMeasure": 6}],
        "staves": [{"number": 1, "name": "Fl\u00fbte"}],
        "staffLists": [{"number": -36, "entries": [{"staff": 1, "position": -288}]},
                       {"number": -29, "entries": [{"staff": 1, "position": 12}]},
                       {"number": -28, "entries": [{"staff": 1}]},
                       {"number": 0, "entries": [{"staff": 1}, {"staff": 2, "position": -100000}]},
                       {"number": 3, "entries": [{"staff": 1}]}],
        "records": [{"tag": "SOIu", "number": 4, "increment": 1, "bytes": ""}]
    })"));
    EXPECT_EQ(tableOf(shown, "Systems"), (Rows{{"System", "Measures", "Optimized"},
                                               {"1", "1-4", "yes"},
                                               {"2", "5", "no"},
                                               {"3", "none", "no"}}));
    EXPECT_EQ(tableOf(shown, "Staff set #1"),
              (Rows{{"Entry", "Staff", "Name", "Position"}, {"0", "1", "Flûte", "-288"}}));
    EXPECT_EQ(tableOf(shown, "Staff set #8").size(), 2u);
    EXPECT_EQ(tableOf(shown, "System -28").size(), 2u);
    EXPECT_EQ(tableOf(shown, "System 3").size(), 2u);
    EXPECT_NE(shown.find("\nSystem 4: no entries\n"), std::string::npos);
    {
        SCOPED_TRACE("columns line up, numbers to the right, no trailing blanks");
        std::vector<std::string> lines = linesOf(shown);
        auto global = std::find(lines.begin(), lines.end(), "Global staff list");
        ASSERT_NE(global, lines.end());
        EXPECT_EQ(global[1], "  Entry  Staff  Name       Position");
        EXPECT_EQ(global[2], "      0      1  Flûte             0");
        EXPECT_EQ(global[3], "      1      2  [Staff 2]   -100000");
        for (const std::string& line : lines)
            EXPECT_TRUE(line.empty() || line.back() != ' ') << line;
    }
}

TEST(CaretCommand, SkipsOneCommand) {
    const std::vector<std::pair<std::string, size_t>> cases = {
        {"^fontTxt(Times,4096)Violin", 20},
        {"^flat x", 5},
        {"^1Horn", 1},
        {"^^b", 1},
        {"^size(12", 8},
        {"^", 1},
        {"Oboe", 0},
        {"", 0},
    };
    for (const auto& [text, end] : cases)
        EXPECT_EQ(skipCaretCommand(text, 0), end) << text;
    EXPECT_EQ(skipCaretCommand("Oboe ^flat", 5), 10u);
    EXPECT_EQ(skipCaretCommand("Oboe ^flat", 4), 4u);
    EXPECT_EQ(skipCaretCommand("^b", 7), 7u);
}

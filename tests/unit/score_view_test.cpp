#include "views/score_view.h"

#include "store/score_file.h"
#include "support/score_text.h"
#include "views/score_text.h"

#include <gtest/gtest.h>

#include <sstream>

// A score with entry 1 in three lists and a staff numbered 1, so that a mark can land wrongly.
static const char* const scoreBefore = R"({
    "staves": [{"number": 1, "name": "Flute"}, {"number": 2, "name": "Oboe"}],
    "staffLists": [
        {"number": 0, "entries": [{"staff": 1, "position": 0}, {"staff": 2, "position": -276}]},
        {"number": 1, "entries": [{"staff": 1, "position": 0}, {"staff": 2, "position": -300}]},
        {"number": -36, "entries": [{"staff": 1, "position": 0}, {"staff": 2, "position": -200}]}
    ]})";

// The global list's entry 1 pushed up 24, staff set #1's entry 0 down 12, a new entry 2 in
// system 1's list; the staves' names changed too, which is no move.
static const char* const scoreAfter = R"({
    "staves": [{"number": 1, "name": "Flauto"}, {"number": 2, "name": "Oboe"}],
    "staffLists": [
        {"number": 0, "entries": [{"staff": 1, "position": 0}, {"staff": 2, "position": -252}]},
        {"number": 1, "entries": [{"staff": 1, "position": 0}, {"staff": 2, "position": -300},
                                  {"staff": 1, "position": -600}]},
        {"number": -36, "entries": [{"staff": 1, "position": -12}, {"staff": 2, "position": -200}]}
    ]})";

TEST(ScoreView, MovedEntriesAreTheStaffListEntriesWhosePositionChanged) {
    std::vector<MovedEntry> moved = movedEntries(parsedScore(scoreBefore), parsedScore(scoreAfter));
    ASSERT_EQ(moved.size(), 3u);
    EXPECT_EQ(moved[0].list, -36);
    EXPECT_EQ(moved[0].entry, 0);
    EXPECT_EQ(moved[0].before, 0);
    EXPECT_EQ(moved[0].after, -12);
    EXPECT_EQ(moved[1].list, 0);
    EXPECT_EQ(moved[1].entry, 1);
    EXPECT_EQ(moved[1].before, -276);
    EXPECT_EQ(moved[1].after, -252);
    EXPECT_EQ(moved[2].list, 1);
    EXPECT_EQ(moved[2].entry, 2);
    EXPECT_EQ(moved[2].before, 0);
    EXPECT_EQ(moved[2].after, -600);
    EXPECT_TRUE(movedEntries(parsedScore(scoreAfter), parsedScore(scoreAfter)).empty());
}

TEST(ScoreView, MarksExactlyTheRowsOfTheMovedEntries) {
    RecordStore score = parsedScore(scoreAfter);
    {
        SCOPED_TRACE("nothing moved: the text `show` prints");
        EXPECT_EQ(scoreViewText(score, {}), describeScore(score));
    }
    std::string shown = scoreViewText(score, movedEntries(parsedScore(scoreBefore), score));
    // each marked row: the table it stands in, its first cell, and the end the mark added
    std::vector<std::string> marked;
    std::istringstream lines(shown);
    std::string heading;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line[0] != ' ' && line[0] != '*')
            heading = line;
        if (!line.empty() && line[0] == '*')
            marked.push_back(heading + ": " + line.substr(0, line.find_first_of("0123456789") + 1) +
                             " ..." + line.substr(line.rfind("  ")));
    }
    // entry 1 of system 1's list, entry 0 of the global list and staff 1 stay unmarked
    EXPECT_EQ(marked, (std::vector<std::string>{"Staff set #1: *     0 ...  -12 (was 0)",
                                                "Global staff list: *     1 ...  +24 (was -276)",
                                                "System 1: *     2 ...  -600 (was 0)"}));
    {
        SCOPED_TRACE("only the marks differ from `show`");
        std::string unmarked = shown;
        for (const char* mark : {"  -12 (was 0)", "  +24 (was -276)", "  -600 (was 0)"})
            unmarked.erase(unmarked.find(mark), std::string(mark).size());
        for (size_t at = unmarked.find("\n*"); at != std::string::npos;
             at = unmarked.find("\n*", at))
            unmarked[at + 1] = ' ';
        EXPECT_EQ(unmarked, describeScore(score));
    }
}

// lumbrel-host as a user runs it: its command line, exit statuses, messages and reports.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct HostRun {
    int status;
    std::string out;
    std::string err;
};

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class HostCliTest : public ::testing::Test {
  protected:
    fs::path dir;

    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("lumbrel-cli-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path write(const std::string& name, const std::string& text) {
        fs::path path = dir / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    HostRun host(const std::string& arguments) {
        fs::path out = dir / "stdout";
        fs::path err = dir / "stderr";
        std::string command = std::string(LUMBREL_HOST) + " " + arguments + " >" + out.string() +
                              " 2>" + err.string();
        int raw = std::system(command.c_str());
        return HostRun{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(out), readFile(err)};
    }

    // Systems 1 and 2 optimized, staves 1..3 in the global list and in both systems' lists.
    fs::path smallScore() {
        return write("score.json", R"({
          "systems": [{"firstMeasure": 1, "endMeasure": 3, "optimized": true},
                      {"firstMeasure": 3, "endMeasure": 5, "optimized": true}],
          "staves": [{"number": 1, "name": "^fontTxt(Times,4096)Flute"},
                     {"number": 2, "name": "Oboe", "hidden": true},
                     {"number": 3}],
          "staffLists": [
            {"number": 0, "entries": [{"staff": 1, "position": 0}, {"staff": 2, "position": -96},
                                      {"staff": 3, "position": -192}]},
            {"number": 1, "entries": [{"staff": 1, "position": 0}, {"staff": 2, "position": -100},
                                      {"staff": 3, "position": -200,
                                       "bytes": "ffffffffffffffffffffffffffffffffffffffffffffffff"}]},
            {"number": 2, "entries": [{"staff": 3, "position": -50}, {"staff": 1, "position": 0}]}
          ]})");
    }
};

TEST_F(HostCliTest, HelpAndUsage) {
    for (const char* arguments : {"--help", "push --help", "show --help", "run --help"}) {
        SCOPED_TRACE(arguments);
        HostRun run = host(arguments);
        EXPECT_EQ(run.status, 0);
        EXPECT_NE(run.out.find("Usage"), std::string::npos) << run.out;
    }
    EXPECT_NE(host("push --help").out.find("--staves"), std::string::npos);

    for (const char* arguments :
         {"", "frobnicate", "push", "push score.json --distance 5", "show", "run"}) {
        SCOPED_TRACE(arguments);
        HostRun run = host(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_FALSE(run.err.empty());
    }
}

TEST_F(HostCliTest, PushRefusesBadOptionValues) {
    fs::path score = smallScore();
    for (const char* options :
         {"--staves 0 --distance 40000", "--staves -1 --distance 5", "--staves x --distance 5",
          "--staves 0 --distance 5 --smart 2", "--staves 0 --distance 5 --update 7",
          "--staves 0 --distance 5 --scope 99999", "--staves 0,,1 --distance 5"}) {
        SCOPED_TRACE(options);
        HostRun run = host("push " + score.string() + " " + options + " --out " +
                           (dir / "out.json").string());
        EXPECT_EQ(run.status, 2);
        EXPECT_FALSE(run.err.empty());
        EXPECT_FALSE(fs::exists(dir / "out.json"));
    }
}

TEST_F(HostCliTest, BadScoreFilesNameTheFileAndThePlace) {
    fs::path out = dir / "out.json";
    struct Case {
        const char* text;
        const char* expected;
    };
    for (const Case& bad : {
             Case{"{\"systems\": [}", "line 1"},
             Case{"{\"staves\": [{\"number\": \"one\"}]}", "/staves/0/number"},
             Case{"{\"records\": [{\"tag\": \"SOI\", \"number\": 1, \"bytes\": \"\"}]}",
                  "/records/0/tag"},
             Case{"{\"records\": [{\"tag\": \"SOIu\", \"number\": 1, \"bytes\": \"abc\"}]}",
                  "/records/0/bytes"},
             Case{"{\"systems\": [{\"firstMeasure\": 1e400}]}",
                  "line 1, column 31: number overflow parsing '1e400'"},
         }) {
        SCOPED_TRACE(bad.text);
        fs::path score = write("bad.json", bad.text);
        HostRun run =
            host("push " + score.string() + " --staves 0 --distance 5 --out " + out.string());
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find(score.string()), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(bad.expected), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(out));
        EXPECT_EQ(host("show " + score.string()).status, 2);
    }
    EXPECT_EQ(host("push " + (dir / "missing.json").string() + " --staves 0 --distance 5").status,
              2);
}

// Each command's files are written all or none: the one that can't be written is named, and
// neither the files before it nor their temporary copies are left behind.
TEST_F(HostCliTest, AnOutputThatCannotBeWrittenLeavesNoOther) {
    fs::path score = smallScore();
    fs::path scenario = write("scenario.json", "{\"score\": \"score.json\", \"runs\": [{}]}");
    fs::create_directories(dir / "each" / "2.txt"); // a folder where run-each writes a file
    std::string missing = (dir / "missing" / "out.json").string();
    std::string picture = " --svg " + (dir / "picture.svg").string();
    struct Case {
        std::string arguments;
        std::string unwritable;
    };
    for (const Case& bad : {
             Case{"push " + score.string() + " --staves 0 --distance 5 --out " + missing + picture,
                  missing},
             Case{"run " + scenario.string() + " --json --out " + missing + picture, missing},
             Case{"run-each " + scenario.string() + " " + scenario.string() + " --out-dir " +
                      (dir / "each").string(),
                  (dir / "each" / "2.txt").string()},
         }) {
        SCOPED_TRACE(bad.arguments);
        HostRun run = host(bad.arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find(bad.unwritable + ": cannot write"), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty());
        std::vector<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(dir))
            files.push_back(fs::relative(entry.path(), dir).string());
        std::sort(files.begin(), files.end());
        EXPECT_EQ(files, (std::vector<std::string>{"each", "each/2.txt", "scenario.json",
                                                   "score.json", "stderr", "stdout"}));
    }
}

TEST_F(HostCliTest, PushJsonReportsSavesCallsAndTheScore) {
    fs::path score = smallScore();
    HostRun run =
        host("push " + score.string() + " --staves 2,0 --distance -24 --smart 1 --update 1 --json");
    ASSERT_EQ(run.status, 0) << run.err;
    json report = json::parse(run.out);

    // system 1 has the unselected oboe and is pushed; system 2 holds only selected staves
    ASSERT_EQ(report["saves"].size(), 2u);
    const json& first = report["saves"][0];
    EXPECT_EQ(first["tag"], "SOIu");
    EXPECT_EQ(first["number"], 1);
    EXPECT_EQ(first["increment"], 2);
    EXPECT_EQ(first["before"], "0300ffffffffffff38ffffffffffffffffffffffffffffff");
    EXPECT_EQ(first["after"], "0300ffffffffffff20ffffffffffffffffffffffffffffff");
    EXPECT_EQ(report["saves"][1]["increment"], 0);
    EXPECT_EQ(report["layoutUpdates"], 1);
    EXPECT_EQ(report["hostCalls"]["FX_SaveEData"], 2);
    EXPECT_EQ(report["hostCalls"]["FX_UpdateLayout"], 1);
    EXPECT_EQ(report["hostCalls"].size(), 3u);
    // system 1: record, walk 4 + selection 1+2+2 loads, push 1+3 and 1+1;
    // system 2: record, walk 3 + selection 1+2 loads; system 3 is past the range
    EXPECT_EQ(report["hostCalls"]["FX_LoadEData"], (1 + 4 + 5 + 6) + (1 + 3 + 3));

    const json& lists = report["score"]["view"]["staffLists"];
    ASSERT_EQ(lists.size(), 3u);
    EXPECT_EQ(lists[1]["entries"][0]["position"], -24);
    EXPECT_EQ(lists[1]["entries"][1]["position"], -100);
    EXPECT_EQ(lists[2]["entries"][0]["position"], -50);
}

TEST_F(HostCliTest, PushRangeDefaultsToEverySystem) {
    fs::path score = smallScore();
    json all = json::parse(host("push " + score.string() + " --staves 0 --distance 1 --json").out);
    EXPECT_EQ(all["saves"].size(), 2u);
    json none = json::parse(
        host("push " + score.string() + " --staves 0 --distance 1 --last -1 --json").out);
    EXPECT_TRUE(none["saves"].empty());
    EXPECT_TRUE(none["hostCalls"].empty());
}

TEST_F(HostCliTest, PushOutWritesAScoreThatReadsBackTheSame) {
    fs::path score = smallScore();
    fs::path out = dir / "out.json";
    HostRun run = host("push " + score.string() + " --staves 1 --distance 500 --scope 2 --out " +
                       out.string());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("-96 -> 404"), std::string::npos) << run.out;

    HostRun again = host("push " + out.string() + " --staves 1 --distance 500 --scope 2 --json");
    ASSERT_EQ(again.status, 0) << again.err;
    json report = json::parse(again.out);
    EXPECT_EQ(report["saves"][0]["before"],
              "0200" + std::string(12, '0') + "94010000" + std::string(24, '0'));
    json written = json::parse(readFile(out));
    EXPECT_EQ(written["records"].size(), report["score"]["records"].size());
}

TEST_F(HostCliTest, ShowNamesStavesAsTheInstrumentListDoes) {
    HostRun run = host("show " + smallScore().string());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Flute"), std::string::npos);
    EXPECT_EQ(run.out.find("fontTxt"), std::string::npos);
    EXPECT_NE(run.out.find("Oboe (hidden)"), std::string::npos);
    EXPECT_NE(run.out.find("[Staff 3]"), std::string::npos);
    EXPECT_NE(run.out.find("-192"), std::string::npos);
}

TEST_F(HostCliTest, BundledExampleRuns) {
    HostRun run = host("push examples/score.json --staves 0,1,2 --distance 24 --smart 1 --json");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(json::parse(run.out)["saves"].empty());

    HostRun played = host("run examples/scenario.json --json");
    ASSERT_EQ(played.status, 0) << played.err;
    json transcript = json::parse(played.out);
    ASSERT_EQ(transcript["runs"].size(), 2u);
    for (const json& each : transcript["runs"]) {
        EXPECT_EQ(each["closedBy"], "ok");
        EXPECT_FALSE(each["saves"].empty());
    }
}

TEST_F(HostCliTest, BadScenariosNameTheFileAndThePlace) {
    fs::path score = smallScore();
    struct Case {
        std::string text;
        const char* expected;
    };
    for (const Case& bad : {
             Case{"{\"runs\": [{\"actions\": [{\"click\": \"IDC_NOTHING\"}]}]}",
                  "/runs/0/actions/0/click: the dialog has no control named \"IDC_NOTHING\"; "
                  "click takes IDC_ABOVE, IDC_BELOW, IDC_ALL, IDC_NONE, IDC_PUSH_GROUP, "
                  "IDC_SCOPE_GROUP, IDC_UPDATE_LAYOUT, IDC_OPTIMIZED_GROUP, IDC_ALL_SYSTEMS, "
                  "IDC_SELECTED_SYSTEMS, IDC_SMART_FILTER, IDOK, IDCANCEL\n"},
             Case{
                 "{\"runs\": [{\"actions\": [{\"type\": [\"IDOK\", \"5\"]}]}]}",
                 "not an edit field; type takes IDC_DISTANCE, IDC_FIRST_SYSTEM, IDC_LAST_SYSTEM\n"},
             Case{"{\"runs\": [{\"actions\": [{\"spin\": [\"IDC_SPIN\", \"up\"]}]}]}",
                  "no control named \"IDC_SPIN\"; spin takes IDC_DISTANCE_SPIN, IDC_SCOPE_SPIN, "
                  "IDC_FIRST_SYSTEM_SPIN, IDC_LAST_SYSTEM_SPIN\n"},
             Case{"{\"runs\": [{\"actions\": [{\"spin\": [\"IDC_SCOPE_SPIN\", \"left\"]}]}]}",
                  "/runs/0/actions/0/spin/1"},
             Case{"{\"runs\": [{\"actions\": [{\"select\": [0], \"click\": \"IDOK\"}]}]}",
                  "exactly one"},
             Case{"{\"runs\": [{\"answers\": [\"maybe\"]}]}", "/runs/0/answers/0"},
             Case{"{\"runs\": [{\"region\": {\"staffList\": 0}}]}", "/runs/0/region/firstSlot"},
             Case{"{\"settings\": {\"hex\": \"abc\"}}", "/settings/hex"},
             Case{"{\"score\": {\"staves\": 3}}", "/score/staves"},
             Case{"{\"score\": \"missing.json\"}", "missing.json"},
             Case{"{\"score\": \"/dev/zero\"}", "not a regular file"},
             Case{"{\"runs\": [], \"host\": {\"loads\": \"later\"}}", "/host/loads"},
             Case{"{\"host\": {\"network\": \"fail\"}}", "/host/network"},
             Case{"{\"run\": []}", "/run"},
             Case{"[1, 2", "line 1"},
             Case{"{\"runs\": [\n  {\"region\": {\"staffList\": -2E+308}}]}",
                  "line 2, column 28: number overflow parsing '-2E+308'"},
         }) {
        SCOPED_TRACE(bad.text);
        fs::path scenario = write("scenario.json", bad.text);
        HostRun run = host("run " + scenario.string() + " --out " + (dir / "out.json").string());
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find(bad.expected), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty());
        EXPECT_FALSE(fs::exists(dir / "out.json"));
    }
    fs::path scenario = write("scenario.json", "{\"score\": \"" + score.string() + "\"}");
    HostRun run = host("run " + scenario.string() + " --plugin " + (dir / "none.so").string());
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("cannot load the plug-in"), std::string::npos) << run.err;
    // a library that loads but is not the plug-in: the first entry point it lacks is named
    run = host("run " + scenario.string() + " --plugin " + std::string(NOT_A_PLUGIN));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("has no entry point FinaleExtensionVersion"), std::string::npos)
        << run.err;
    EXPECT_TRUE(run.out.empty());
}

TEST_F(HostCliTest, RunTellsAPersonWhatHappenedAndWritesTheScore) {
    fs::path score = smallScore();
    fs::path scenario = write("scenario.json", R"({
      "score": "score.json",
      "runs": [{"actions": [{"type": ["IDC_DISTANCE", "0"]}, {"click": "IDOK"},
                            {"select": [0]}, {"type": ["IDC_DISTANCE", "-12"]},
                            {"click": "IDOK"}, {"click": "IDC_ALL"}]}]
    })");
    fs::path out = dir / "out.json";
    HostRun run = host("run " + scenario.string() + " --out " + out.string());
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* expected :
         {"The dialog as it opened", "Flute", "Oboe (hidden)", "[Staff 3]", "(*) All staff systems",
          "[x] Smart filter", "Focus: IDC_INSTRUMENT_LIST", "type \"-12\" into IDC_DISTANCE",
          "Message box (No instruments to process): There are no instruments selected. -> ok",
          "not done, the dialog had closed: click IDC_ALL", "closed by OK", "0 -> -12"})
        EXPECT_NE(run.out.find(expected), std::string::npos) << expected << "\n" << run.out;
    json written = json::parse(readFile(out));
    EXPECT_EQ(written["view"]["staffLists"][1]["entries"][0]["position"], -12);
}

} // namespace

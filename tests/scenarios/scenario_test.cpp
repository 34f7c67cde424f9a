// Every scenario in this folder, played by lumbrel-host: the transcript must hold, at each JSON
// pointer that the scenario's NAME.expect.json lists, exactly the value listed there.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::string expectSuffix = ".expect.json";

bool isScenario(const fs::path& path) {
    std::string name = path.filename().string();
    return path.extension() == ".json" && (name.size() < expectSuffix.size() ||
                                           name.compare(name.size() - expectSuffix.size(),
                                                        expectSuffix.size(), expectSuffix) != 0);
}

std::vector<std::string> scenarioNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(LUMBREL_SCENARIOS))
        if (entry.is_regular_file() && isScenario(entry.path()))
            names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs lumbrel-host run --json on the scenario; the exit status and standard output.
int playScenario(const fs::path& scenario, std::string& out) {
    fs::path output =
        fs::temp_directory_path() / ("lumbrel-scenario-" + std::to_string(::getpid()) + ".json");
    std::string command = std::string(LUMBREL_HOST) + " run --json '" + scenario.string() + "' >'" +
                          output.string() + "'";
    int raw = std::system(command.c_str());
    out = readText(output);
    fs::remove(output);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

class ScenarioTest : public ::testing::TestWithParam<std::string> {};

TEST_P(ScenarioTest, TranscriptHoldsItsExpectations) {
    fs::path dir = LUMBREL_SCENARIOS;
    fs::path expectPath = dir / (GetParam() + expectSuffix);
    ASSERT_TRUE(fs::exists(expectPath)) << "no " << expectPath << " beside the scenario";
    json expected = json::parse(readText(expectPath));
    ASSERT_TRUE(expected.is_object() && !expected.empty());

    std::string out;
    ASSERT_EQ(playScenario(dir / (GetParam() + ".json"), out), 0);
    json transcript = json::parse(out);
    for (const std::string key :
         {"version", "init", "menu", "menuStatus", "runs", "settings", "score"})
        EXPECT_TRUE(transcript.contains(key)) << "the transcript lacks " << key;

    EXPECT_EQ(transcript.at("violations"), json::array()) << "breaches at init or terminate";
    for (const json& run : transcript.at("runs"))
        EXPECT_EQ(run.at("violations"), json::array()) << "the plug-in breached the host contract";

    for (const auto& [pointer, value] : expected.items()) {
        json::json_pointer place(pointer);
        if (!transcript.contains(place)) {
            ADD_FAILURE() << pointer << ": not in the transcript";
            continue;
        }
        EXPECT_EQ(transcript.at(place), value) << "at " << pointer;
    }
}

std::string testName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = info.param;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ScenarioTest, ::testing::ValuesIn(scenarioNames()), testName);

} // namespace

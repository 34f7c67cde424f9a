// Any bytes as a scenario file: either a scenario or a clear error naming the file, never a
// crash. A small scenario that reads is played on the plug-in as well, and must keep the
// properties of every run.
#include "checks/checked_life.h"

#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // a score named by a path is looked for in a folder that does not exist
    const std::string path = "/nonexistent-lumbrel-fuzz/scenario.json";
    std::string text(reinterpret_cast<const char*>(data), size);
    Scenario scenario;
    std::string error;
    if (!readScenarioText(text, path, scenario, error)) {
        if (error.empty() || error.find(": ") == std::string::npos) {
            std::fprintf(stderr, "finding: an unclear error: \"%s\"\n", error.c_str());
            std::abort();
        }
        return 0;
    }
    size_t actions = 0;
    for (const ScenarioRun& run : scenario.runs)
        actions += run.actions.size();
    if (scenario.score.records.size() > 200 || scenario.runs.size() > 4 || actions > 40)
        return 0;
    CheckedLife life = playCheckedLife(scenario);
    if (!life.breaches.empty()) {
        for (const std::string& breach : life.breaches)
            std::fprintf(stderr, "breach: %s\n", breach.c_str());
        std::abort();
    }
    return 0;
}

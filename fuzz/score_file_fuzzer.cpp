// Any bytes as a score file: either a score or a clear error naming the file, never a crash. A
// score that reads, written and read again, gives the very same records, and is shown to a
// person without fault.
#include "store/json_input.h"
#include "store/score_file.h"
#include "views/score_text.h"

#include <cstdio>
#include <cstdlib>
#include <string>

static void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "finding: %s: %s\n", what, detail.c_str());
    std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = "fuzzed-score.json";
    std::string text(reinterpret_cast<const char*>(data), size);
    nlohmann::json value;
    std::string error;
    RecordStore store;
    if (!parseJsonText(text, path, value, error) || !parseScore(value, path, "", store, error)) {
        if (error.rfind(path + ": ", 0) != 0)
            fail("an error that does not name the file", error);
        return 0;
    }
    nlohmann::json written = scoreToJson(store);
    RecordStore again;
    if (!parseScore(nlohmann::json::parse(written.dump()), path, "", again, error))
        fail("a written score does not read again", error);
    if (again != store)
        fail("a written score reads as other records", written.dump());
    (void)describeScore(store);
    return 0;
}

// Replays fuzzer inputs without the fuzzing engine: each file named, and each file in each folder
// named, goes once through the target, so that the seeds and the findings of every fuzzer stay
// tests of every build. Exit status 0 when every input went through (a finding aborts).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

static bool replay(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot read\n", file.c_str());
        return false;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

int main(int argc, char** argv) {
    long inputs = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        fs::path place = argv[i];
        if (fs::is_directory(place)) {
            std::vector<fs::path> files;
            for (const auto& entry : fs::directory_iterator(place))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
            std::sort(files.begin(), files.end());
            for (const fs::path& file : files)
                inputs += replay(file) ? 1 : 0;
        } else if (fs::exists(place)) {
            ok = replay(place) && ok;
            ++inputs;
        } else {
            std::fprintf(stderr, "%s: no such file or folder\n", place.c_str());
            ok = false;
        }
    }
    std::printf("%ld inputs replayed\n", inputs);
    return ok ? 0 : 1;
}

// `lumbrel-host push`: the push operation alone, on a score file, with the state as given.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

// --last when it is not given: the number of systems.
constexpr long long lastNotGiven = INT64_MIN;

struct PushOptions {
    std::string scorePath;
    std::string staves; // comma-separated instrument list positions, in selection order
    long long distance = 0;
    long long scope = 1;
    long long first = 1;
    long long last = lastNotGiven;
    long long smart = 0;
    long long update = 0;
    std::string loads = "exact"; // "next": a load of a missing key takes the next record
    std::string saves = "store"; // "fail": every save fails and stores nothing
    bool json = false;
    std::string outPath;
    std::string picturePath; // --svg: the staff lists before and after
};

// Runs the push and reports what it saved on `out`. Returns the exit status: 0, or 2 with the
// reason on `err` when the input is bad (nothing is written then).
int runPushCommand(const PushOptions& options, std::ostream& out, std::ostream& err);

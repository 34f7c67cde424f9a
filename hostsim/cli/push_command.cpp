#include "cli/push_command.h"

#include "cli/show_command.h"
#include "cli/staff_picture.h"
#include "cli/transcript.h"
#include "host/state.h"
#include "push/push.h"
#include "services/host_session.h"
#include "store/score_file.h"
#include "store/score_layout.h"

#include <cstdio>
#include <ostream>

CLI::App* addPushCommand(CLI::App& app, PushOptions& options) {
    CLI::App* push = app.add_subcommand(
        "push", "Run the push operation alone on a score, with the plug-in's state as given, "
                "and print what it saved.");
    push->add_option("score", options.scorePath, "Score file (JSON)")->required();
    push->add_option("--staves", options.staves,
                     "Selected instrument list positions, in order: 0-based increments in the "
                     "global staff list, comma-separated; a position may be given twice")
        ->required();
    push->add_option("--distance", options.distance, "Distance in EVPUs; negative pushes down")
        ->required()
        ->check(CLI::Range(-32768LL, 32767LL));
    push->add_option("--scope", options.scope,
                     "1 optimized staff systems, 2 global staff set, 3..10 staff sets #1..#8; "
                     "any other value changes no staff list")
        ->capture_default_str()
        ->check(CLI::Range(-32768LL, 32767LL));
    push->add_option("--first", options.first, "First staff system of the range (scope 1)")
        ->capture_default_str()
        ->check(CLI::Range(-32768LL, 32767LL));
    push->add_option("--last", options.last,
                     "Last staff system of the range (scope 1); default: the number of systems")
        ->check(CLI::Range(-32768LL, 32767LL));
    push->add_option("--smart", options.smart,
                     "Smart filter: skip systems whose every staff is "
                     "selected (scope 1)")
        ->capture_default_str()
        ->check(CLI::Range(0LL, 1LL));
    push->add_option("--update", options.update, "Ask the host to update the layout afterwards")
        ->capture_default_str()
        ->check(CLI::Range(0LL, 1LL));
    push->add_option("--loads", options.loads,
                     "How the host answers a load of a key without a record: exact (not found) "
                     "or next (the next record of that tag, its key written back)")
        ->capture_default_str()
        ->check(CLI::IsMember({"exact", "next"}));
    push->add_option("--saves", options.saves,
                     "How the host answers a save: store, or fail (nothing is stored)")
        ->capture_default_str()
        ->check(CLI::IsMember({"store", "fail"}));
    push->add_flag("--json", options.json,
                   "Print saves, layout updates, host calls and the score as JSON");
    push->add_option("--out", options.outPath, "Write the score after the push to this file");
    push->add_option("--svg", options.picturePath,
                     "Also draw the staff lists before and after the push side by side, the "
                     "moved staves marked with their distance, in this SVG file");
    return push;
}

// Parses "P[,P...]", each P a whole number from 0 to 65535, at most 32767 of them. False with
// the reason in `error` otherwise.
static bool parsePositions(const std::string& text, std::vector<int32_t>& positions,
                           std::string& error) {
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        std::string item = text.substr(start, comma == std::string::npos ? comma : comma - start);
        bool digits = !item.empty() && item.size() <= 5 &&
                      item.find_first_not_of("0123456789") == std::string::npos;
        if (!digits || std::stol(item) > 65535) {
            error = "--staves: \"" + item + "\" is not a list position (0 to 65535)";
            return false;
        }
        positions.push_back(static_cast<int32_t>(std::stol(item)));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (positions.size() > 32767) {
        error = "--staves: at most 32767 positions";
        return false;
    }
    return true;
}

int runPushCommand(const PushOptions& options, std::ostream& out, std::ostream& err) {
    std::vector<int32_t> positions;
    std::string error;
    if (!parsePositions(options.staves, positions, error)) {
        err << "lumbrel-host push: " << error << "\n";
        return 2;
    }
    HostSession session;
    if (!readScoreFile(options.scorePath, session.store, error)) {
        err << error << "\n";
        return 2;
    }
    session.behaviour.nextLoads = options.loads == "next";
    session.behaviour.failingSaves = options.saves == "fail";

    pluginState.pushDistance = static_cast<int16_t>(options.distance);
    pluginState.scope = static_cast<int16_t>(options.scope);
    pluginState.firstSystem = static_cast<int16_t>(options.first);
    pluginState.lastSystem = options.last == lastNotGiven ? storeSystemCount(session.store)
                                                          : static_cast<int16_t>(options.last);
    pluginState.smartFilter = static_cast<int16_t>(options.smart);
    pluginState.updateLayout = static_cast<int16_t>(options.update);
    auto count = static_cast<int16_t>(positions.size());
    if (!allocateSelection(pluginState, count)) {
        err << "lumbrel-host push: out of memory\n";
        return 2;
    }
    for (int16_t i = 0; i < count; ++i)
        pluginState.selectedItems[i] = positions[static_cast<size_t>(i)];
    pluginState.selectedCount = count;

    RecordStore before = session.store;
    activeHost = &session;
    performPush();
    activeHost = nullptr;
    releaseSelection(pluginState);

    if (!options.picturePath.empty() &&
        !writeTextFile(options.picturePath, drawStaffListChanges(before, session.store), error)) {
        err << error << "\n";
        return 2;
    }
    if (!options.outPath.empty() && !writeScoreFile(options.outPath, session.store, error)) {
        err << error << "\n";
        return 2;
    }
    if (options.json) {
        nlohmann::json report = {{"saves", savesJson(session)},
                                 {"layoutUpdates", session.layoutUpdates},
                                 {"hostCalls", hostCallsJson(session)},
                                 {"violations", violationsJson(session)},
                                 {"score", scoreToJson(session.store)}};
        out << report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
        return 0;
    }
    printSaves(session.store, session.saves, out);
    out << "Layout updates: " << session.layoutUpdates << "\n";
    out << "Host calls:";
    const char* separator = " ";
    for (const auto& [name, calls] : hostCallCounts(session)) {
        out << separator << name << " " << calls;
        separator = ", ";
    }
    out << "\n";
    printViolations(session.violations, out);
    return 0;
}

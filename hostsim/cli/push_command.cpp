#include "cli/push_command.h"

#include "host/state.h"
#include "play/transcript.h"
#include "push/push.h"
#include "session/host_session.h"
#include "store/output_files.h"
#include "store/score_file.h"
#include "store/score_layout.h"
#include "views/staff_picture.h"

#include <cstdio>
#include <ostream>

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
    // the selection lives on the plug-in's heap, the session's
    activeHost = &session;
    if (!allocateSelection(pluginState, count)) {
        activeHost = nullptr;
        err << "lumbrel-host push: out of memory\n";
        return 2;
    }
    for (int16_t i = 0; i < count; ++i)
        pluginState.selectedItems[i] = positions[static_cast<size_t>(i)];
    pluginState.selectedCount = count;

    // the score before the push, for the picture alone
    RecordStore before;
    if (!options.picturePath.empty())
        before = session.store;
    performPush();
    releaseSelection(pluginState);
    activeHost = nullptr;

    // both files or none: one that can't be written leaves nothing behind
    OutputFiles outputs;
    if ((!options.picturePath.empty() &&
         !stageOutput(outputs, options.picturePath, drawStaffListChanges(before, session.store),
                      error)) ||
        (!options.outPath.empty() &&
         !stageOutput(outputs, options.outPath, scoreFileText(session.store), error)) ||
        !commitOutputs(outputs, error)) {
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

#include "cli/transcript.h"

nlohmann::json savesJson(const HostSession& session) {
    nlohmann::json saves = nlohmann::json::array();
    for (const SaveEvent& save : session.saves)
        saves.push_back({{"tag", tagString(save.id.tag)},
                         {"number", save.id.number},
                         {"increment", save.id.increment},
                         {"before", toHex(save.before)},
                         {"after", toHex(save.after)}});
    return saves;
}

nlohmann::json hostCallsJson(const HostSession& session) {
    nlohmann::json calls = nlohmann::json::object();
    for (const auto& [name, count] : hostCallCounts(session))
        calls[name] = count;
    return calls;
}

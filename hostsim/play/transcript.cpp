#include "play/transcript.h"

#include "store/score_layout.h"
#include "views/score_text.h"

#include <cstdio>
#include <map>
#include <ostream>

nlohmann::json savesJson(const HostSession& session) {
    nlohmann::json saves = nlohmann::json::array();
    for (const SaveEvent& save : session.saves)
        saves.push_back({{"tag", tagString(save.id.tag)},
                         {"number", save.id.number},
                         {"increment", save.id.increment},
                         {"before", toHex(save.before)},
                         {"after", toHex(save.after)},
                         {"stored", save.stored}});
    return saves;
}

nlohmann::json hostCallsJson(const HostSession& session) {
    nlohmann::json calls = nlohmann::json::object();
    for (const auto& [name, count] : hostCallCounts(session))
        calls[name] = count;
    return calls;
}

// One line per save: the list, the entry, its staff and how its position changed.
void printSaves(const RecordStore& store, const std::vector<SaveEvent>& saves, std::ostream& out) {
    if (saves.empty()) {
        out << "Nothing was saved.\n";
        return;
    }
    out << "Saved " << saves.size() << (saves.size() == 1 ? " record" : " records") << ":\n";
    char line[200];
    std::snprintf(line, sizeof line, "  %-18s %5s %5s  %-24s %s\n", "Staff list", "Entry", "Staff",
                  "Name", "Position");
    out << line;
    std::map<uint16_t, std::string> names; // each staff's name, looked up once
    for (const SaveEvent& save : saves) {
        if (save.id.tag != tagStaffListEntry) {
            out << "  " << tagString(save.id.tag) << " (" << save.id.number << ", "
                << save.id.increment << "): " << toHex(save.before) << " -> " << toHex(save.after)
                << "\n";
            continue;
        }
        // a failed save shows what the plug-in offered, which the score did not take
        const std::vector<uint8_t>& shown = save.stored ? save.after : save.offered;
        uint16_t staff = readU16(shown, listEntryStaffOffset);
        auto name = names.find(staff);
        if (name == names.end())
            name = names.emplace(staff, displayName(store, staff)).first;
        std::snprintf(line, sizeof line, "  %-18s %5u %5u  %-24s %d -> %d%s\n",
                      staffListName(save.id.number).c_str(), save.id.increment, staff,
                      name->second.c_str(), readS32(save.before, listEntryPositionOffset),
                      readS32(shown, listEntryPositionOffset),
                      save.stored ? "" : " (the host's save failed: not stored)");
        out << line;
    }
}

nlohmann::json violationsJson(const HostSession& session) {
    return session.violations;
}

void printViolations(const std::vector<std::string>& violations, std::ostream& out) {
    if (violations.empty())
        return;
    out << "Breaches of the host contract:\n";
    for (const std::string& violation : violations)
        out << "  " << violation << "\n";
}

// The parts of the host's JSON reports that tell what the plug-in did to the score.
#pragma once

#include "session/host_session.h"

#include <nlohmann/json.hpp>

#include <iosfwd>

// Every save in order: tag, number, increment, and the record's bytes before and after (hex).
nlohmann::json savesJson(const HostSession& session);

// The number of calls of each host service called at least once, by name.
nlohmann::json hostCallsJson(const HostSession& session);

// For a person: one line per save of `saves`, made on `store`, with the staff list, the entry, its
// staff and name, and how its position changed; "Nothing was saved." when nothing was.
void printSaves(const RecordStore& store, const std::vector<SaveEvent>& saves, std::ostream& out);

// The run's breaches of the host contract, as the transcript lists them: [] when none.
nlohmann::json violationsJson(const HostSession& session);

// The breaches for a person, one a line; nothing when there are none.
void printViolations(const std::vector<std::string>& violations, std::ostream& out);

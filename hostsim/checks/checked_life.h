// One life of the plug-in linked into this program (version, init, menu, the invocations with
// the user's actions, terminate), played on the headless host as lumbrel-host plays a scenario,
// with the host's log kept and every property of a run checked. For tests and fuzzers.
#pragma once

#include "play/platform.h"
#include "play/scenario.h"
#include "session/host_session.h"

#include <functional>
#include <string>
#include <vector>

struct CheckedLife {
    std::vector<InvocationPlay> plays; // one per run of the scenario
    std::vector<std::string> breaches; // "run N: ..." in the order found, then "life: ..."
    RecordStore score;                 // the score after the life
    Registry registry;                 // the registry after the life
};

// Plays `scenario` on a fresh plug-in state: its score, settings, host behaviour and runs.
// `prepare` may set the session's answer hooks before the life starts. The plays hold the
// dialog's snapshots only with `snapshots`.
CheckedLife playCheckedLife(const Scenario& scenario,
                            const std::function<void(HostSession&)>& prepare = {},
                            bool snapshots = false);

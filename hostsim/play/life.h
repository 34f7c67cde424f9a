// One life of the plug-in as the host plays a scenario: the registry as the scenario says, then
// version, init, the menu, each invocation with the user's actions, terminate. The one player of
// a life, for lumbrel-host run, lumbrel-winhost run and the checked life of tests and fuzzers.
#pragma once

#include "play/platform.h"
#include "play/plugin_library.h"
#include "play/scenario.h"
#include "session/host_session.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What a life left beyond what each invocation showed.
struct LifeRecord {
    int32_t version = 0;
    int32_t init = 0;
    nlohmann::json menu; // as enumerateMenu gives it
    int32_t menuStatus = 0;
    // the breaches of the host contract outside the invocations: at init, the menu and terminate
    std::vector<std::string> violations;
    std::string failure; // what kept the platform from playing the life to its end; empty: none
    bool hasSettings = false;
    SavedSettings settings; // the plug-in's settings value after terminate
};

struct LifeHooks {
    // Called once the session and its platform are ready, before the plug-in's version.
    std::function<void(HostSession& session)> beforeLife;
    // Called after each invocation (runs counted from 0) with what it showed, while the session
    // still holds that invocation's record of calls, saves and breaches.
    std::function<void(size_t run, InvocationPlay& play)> afterRun;
};

// Plays `scenario` with `plugin`, loaded afresh (its state all zero), on `session`, the active
// session meanwhile (the one before is active again afterwards): the scenario's score and host
// behaviour, its settings in the registry, then the plug-in's life. A run that the platform
// cannot play ends the life after it, with terminate, and names why in `failure`.
LifeRecord playLife(const PluginLibrary& plugin, const Scenario& scenario, HostSession& session,
                    const LifeHooks& hooks = {});

// The plug-in's menu entries 0 and 1 as the transcript lists them: index, result, and for an
// entry the plug-in filled, its texts ("text" is the menu item's) and its two words.
nlohmann::json enumerateMenu(const PluginLibrary& plugin);

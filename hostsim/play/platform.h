// The platform's side of playing a scenario, which each host provides: the desktop the plug-in
// runs on (the host's window, the dialog, the message boxes), its registry and its heap.
// lumbrel-host plays on its headless stand-in of Win32 (headless/), lumbrel-winhost on the real
// Win32 under Wine (winhost/); both write the same transcript. Each acts on the active session.
#pragma once

#include "play/plugin_library.h"
#include "play/scenario.h"
#include "session/platform_state.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <vector>

// What one invocation showed and how it ended.
struct InvocationPlay {
    int32_t result = 0;
    std::vector<MessageEvent> messages;
    nlohmann::json opened = nullptr; // the dialog right after its initialisation; null: none
    nlohmann::json closed = nullptr; // the dialog when it was ended
    nlohmann::json closedBy = nullptr;
    size_t actionsPlayed = 0; // the actions done before the dialog closed
    std::string failure;      // what kept the platform from showing the dialog or taking a picture
                              // asked for; empty: nothing
    std::vector<PlatformFile> files;
};

// Opens the desktop of the active session for a life of the plug-in: the host's window. False,
// with the reason in `failure`, when it cannot be opened.
bool openDesktop(std::string& failure);
// Closes what openDesktop opened.
void closeDesktop();

// Invokes the plug-in with the host's window and `region` (null: no selection), and while its
// dialog is open does the run's actions and gives its answers; presses Escape when the actions
// are done and the dialog is still open.
InvocationPlay playInvocation(const PluginLibrary& plugin, const ScenarioRun& run,
                              const void* region);

// The plug-in's settings value in the host's registry.
struct SavedSettings {
    uint32_t type = 3;
    std::vector<uint8_t> data;
};

// Makes the plug-in's own calls of the platform fail from now on, or work again: every registry
// call (open, create, query, set, close) with `registry`, every allocation from the heap with
// `allocations`. The plug-in itself is not changed.
void setPlatformFailures(const PluginLibrary& plugin, bool registry, bool allocations);

// Starts the scenario as for a first-time user: the plug-in's settings key does not exist.
void clearPluginSettings();
// Creates the key and stores the value, before init.
void storePluginSettings(const SavedSettings& value);
// The value after terminate; false when there is none.
bool readPluginSettings(SavedSettings& value);

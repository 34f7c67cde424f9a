// `lumbrel-host run`: plays a scenario, one life of the plug-in, and reports what happened.
#pragma once

#include "cli/plugin_library.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <iosfwd>
#include <string>

struct RunOptions {
    std::string scenarioPath;
    bool json = false;
    std::string outPath;
    std::string picturePath; // --svg: the staff lists before and after the runs
    std::string pluginPath;  // the plug-in library; empty: the one built with this host
    std::string programName = "lumbrel-host"; // for the messages
};

// Adds the `run` subcommand, filling `options` when it is parsed.
CLI::App* addRunCommand(CLI::App& app, RunOptions& options);

// Loads the plug-in afresh and plays the scenario: version, init, menu, the invocations with
// their actions, terminate. Prints the transcript (JSON with options.json, else the story for a
// person) on `out`. Returns 0, or 2 with the reason on `err` when the scenario, its score or the
// plug-in library can't be read (nothing is written then).
int runScenarioCommand(const RunOptions& options, std::ostream& out, std::ostream& err);

// The plug-in's menu entries 0 and 1 as the transcript lists them: index, result, and for an
// entry the plug-in filled, its texts ("text" is the menu item's) and its two words.
nlohmann::json enumerateMenu(const PluginLibrary& plugin);

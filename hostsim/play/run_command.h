// The `run` and `run-each` commands of both hosts: each plays a scenario, one life of the plug-in,
// and reports what happened.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

struct RunOptions {
    std::string scenarioPath;
    bool json = false;
    std::string outPath;
    std::string picturePath; // --svg: the staff lists before and after the runs
    std::string pluginPath;  // the plug-in library; empty: the one built with this host
    std::string programName = "lumbrel-host"; // for the messages
    // lumbrel-winhost: where a picture of the first dialog shown goes (--png), and the pattern of
    // the message boxes' pictures (--message-png); empty: none
    std::string dialogPicturePath;
    std::string messagePicturePattern;
};

// Loads the plug-in afresh and plays the scenario: version, init, menu, the invocations with
// their actions, terminate. Prints the transcript (JSON with options.json, else the story for a
// person) on `out`. Returns 0, or 2 with the reason on `err` when the scenario, its score or the
// plug-in library can't be read (nothing is written then).
int runScenarioCommand(const RunOptions& options, std::ostream& out, std::ostream& err);

struct RunEachOptions {
    std::vector<std::string> scenarioPaths;
    std::string outDir;
    std::string pluginPath;
    std::string programName = "lumbrel-host";
};

// Plays each scenario in turn as `run` would, each one life of the plug-in loaded afresh, with
// the registry as that scenario says, and writes for the k-th (from 1) what `run --json` and
// `run` would print and their standard error and exit status: OUTDIR/k.json, k.txt, k.err and
// k.status. Returns 0, or 2 with the reason on `err` when a file can't be written.
int runEachScenarioCommand(const RunEachOptions& options, std::ostream& err);

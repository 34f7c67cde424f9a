// The command lines of both substitute hosts, read with CLI11: the subcommands they share and
// their options. The only place besides each host's main that includes CLI11.
#pragma once

#include "play/run_command.h"

#include <CLI/CLI.hpp>

#include <iosfwd>
#include <string>

// Adds the `run` subcommand, filling `options` when it is parsed.
CLI::App* addRunCommand(CLI::App& app, RunOptions& options);

// Adds the `run-each` subcommand, filling `options` when it is parsed.
CLI::App* addRunEachCommand(CLI::App& app, RunEachOptions& options);

// Checks a numeric option's text: a whole number, optionally signed, from `least` to `most`.
void checkWholeNumber(CLI::Option* option, long long least, long long most);

// Parses the command line into `app`. Returns -1 when it was read and a subcommand is to run;
// else the exit status, having printed the help (0) or the reason (2): an unknown command is
// named with the list of the commands, and a numeric option given other text is said not to be
// a whole number.
int parseCommandLine(CLI::App& app, int argc, char** argv, std::ostream& err);

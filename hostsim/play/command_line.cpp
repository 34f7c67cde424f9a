#include "play/command_line.h"

#include <ostream>

// A whole number, optionally signed: the check that comes before a numeric option's range, so
// that other text is named for what it is rather than as a value out of range.
static const CLI::Validator wholeNumber(
    [](const std::string& text) {
        size_t start = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
        bool digits =
            text.size() > start && text.find_first_not_of("0123456789", start) == std::string::npos;
        return digits ? std::string() : "\"" + text + "\" is not a whole number";
    },
    "INT");

void checkWholeNumber(CLI::Option* option, long long least, long long most) {
    option->check(wholeNumber)->check(CLI::Range(least, most));
}

CLI::App* addRunCommand(CLI::App& app, RunOptions& options) {
    CLI::App* run = app.add_subcommand(
        "run", "Play a scenario: load the plug-in afresh, invoke it on the scenario's score with "
               "the user's actions in its dialog, and report what happened.");
    run->add_option("scenario", options.scenarioPath, "Scenario file (JSON)")->required();
    run->add_flag("--json", options.json, "Print the transcript as JSON");
    run->add_option("--out", options.outPath, "Write the score after the runs to this file");
    run->add_option("--svg", options.picturePath,
                    "Also draw the staff lists before and after the runs side by side, the "
                    "moved staves marked with their distance, in this SVG file: two lists to "
                    "a row, a large score in as many rows as it needs, one under the other");
    run->add_option("--plugin", options.pluginPath,
                    "The plug-in library to load (default: the one built with this host)");
    return run;
}

CLI::App* addRunEachCommand(CLI::App& app, RunEachOptions& options) {
    CLI::App* each = app.add_subcommand(
        "run-each",
        "Play many scenarios in one start of the host, each as `run` plays it (a fresh life of "
        "the plug-in, its own registry), and write for the k-th (from 1) OUTDIR/k.json and "
        "OUTDIR/k.txt (what `run --json` and `run` print), k.err and k.status.");
    each->add_option("scenarios", options.scenarioPaths, "Scenario files (JSON)")->required();
    each->add_option("--out-dir", options.outDir, "The folder to write into; it must exist")
        ->required();
    each->add_option("--plugin", options.pluginPath,
                     "The plug-in library to load (default: the one built with this host)");
    return each;
}

int parseCommandLine(CLI::App& app, int argc, char** argv, std::ostream& err) {
    // the first word that is not an option names the command: say so when it names none
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        if (word.empty() || word[0] == '-')
            continue;
        std::string commands;
        bool known = false;
        for (const CLI::App* command : app.get_subcommands({})) {
            commands += (commands.empty() ? "" : ", ") + command->get_name();
            known = known || command->get_name() == word;
        }
        if (!known) {
            err << app.get_name() << ": unknown command \"" << word << "\"; the commands are "
                << commands << " (--help for more)\n";
            return 2;
        }
        break;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : 2;
    }
    return -1;
}

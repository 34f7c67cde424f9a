// lumbrel-host: the substitute host. It keeps a score as records, offers the host services,
// and drives the plug-in's code on it.
#include "cli/push_command.h"
#include "play/command_line.h"
#include "store/score_file.h"
#include "views/score_text.h"
#include "views/staff_picture.h"

#include <iostream>

// Adds the `push` subcommand, filling `options` when it is parsed.
static CLI::App* addPushCommand(CLI::App& app, PushOptions& options) {
    CLI::App* push = app.add_subcommand(
        "push", "Run the push operation alone on a score, with the plug-in's state as given, "
                "and print what it saved.");
    push->add_option("score", options.scorePath, "Score file (JSON)")->required();
    push->add_option("--staves", options.staves,
                     "Selected instrument list positions, in order: 0-based increments in the "
                     "global staff list, comma-separated; a position may be given twice")
        ->required();
    checkWholeNumber(
        push->add_option("--distance", options.distance, "Distance in EVPUs; negative pushes down")
            ->required(),
        -32768, 32767);
    checkWholeNumber(push->add_option("--scope", options.scope,
                                      "1 optimized staff systems, 2 global staff set, 3..10 "
                                      "staff sets #1..#8; any other value changes no staff list")
                         ->capture_default_str(),
                     -32768, 32767);
    checkWholeNumber(
        push->add_option("--first", options.first, "First staff system of the range (scope 1)")
            ->capture_default_str(),
        -32768, 32767);
    checkWholeNumber(push->add_option("--last", options.last,
                                      "Last staff system of the range (scope 1); default: the "
                                      "number of systems"),
                     -32768, 32767);
    checkWholeNumber(push->add_option("--smart", options.smart,
                                      "Smart filter: skip systems whose every staff is selected "
                                      "(scope 1)")
                         ->capture_default_str(),
                     0, 1);
    checkWholeNumber(
        push->add_option("--update", options.update, "Ask the host to update the layout afterwards")
            ->capture_default_str(),
        0, 1);
    push->add_option("--loads", options.loads,
                     "How the host answers a load of a key without a record: exact (not found) "
                     "or next (the next record of that tag, its key written back)")
        ->capture_default_str()
        ->check(CLI::IsMember({"exact", "next"}));
    push->add_option("--saves", options.saves,
                     "How the host answers a save: store, or fail (nothing is stored)")
        ->capture_default_str()
        ->check(CLI::IsMember({"store", "fail"}));
    push->add_flag("--json", options.json,
                   "Print saves, layout updates, host calls, the score and the violations as JSON");
    push->add_option("--out", options.outPath, "Write the score after the push to this file");
    push->add_option("--svg", options.picturePath,
                     "Also draw the staff lists before and after the push side by side, the "
                     "moved staves marked with their distance, in this SVG file: two lists to "
                     "a row, a large score in as many rows as it needs, one under the other");
    return push;
}

int main(int argc, char** argv) {
    CLI::App app{"lumbrel-host: the substitute host for the Lumbrel plug-in. It keeps a score "
                 "as records, offers the host's services, and runs the plug-in's code on it."};
    app.require_subcommand(1);

    RunOptions run;
    CLI::App* runCommand = addRunCommand(app, run);

    RunEachOptions runEach;
    CLI::App* runEachCommand = addRunEachCommand(app, runEach);

    PushOptions push;
    CLI::App* pushCommand = addPushCommand(app, push);

    std::string showPath;
    std::string showPicture;
    CLI::App* showCommand =
        app.add_subcommand("show", "Print a score as a person reads it: systems, staves with "
                                   "their display names, and every staff list.");
    showCommand->add_option("score", showPath, "Score file (JSON)")->required();
    showCommand->add_option("--svg", showPicture,
                            "Also draw the staff lists as columns of staff lines at their "
                            "positions, in this SVG file: four lists to a row, a large score "
                            "in as many rows as it needs, one under the other");

    app.name("lumbrel-host");
    if (int status = parseCommandLine(app, argc, argv, std::cerr); status >= 0)
        return status;

    if (*runCommand)
        return runScenarioCommand(run, std::cout, std::cerr);
    if (*runEachCommand)
        return runEachScenarioCommand(runEach, std::cerr);
    if (*pushCommand)
        return runPushCommand(push, std::cout, std::cerr);
    if (*showCommand) {
        RecordStore store;
        std::string error;
        if (!readScoreFile(showPath, store, error)) {
            std::cerr << error << "\n";
            return 2;
        }
        if (!showPicture.empty() && !writeTextFile(showPicture, drawStaffLists(store), error)) {
            std::cerr << error << "\n";
            return 2;
        }
        std::cout << describeScore(store);
        return 0;
    }
    return 2;
}

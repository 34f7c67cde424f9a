// lumbrel-host: the substitute host. It keeps a score as records, offers the host services,
// and drives the plug-in's code on it.
#include "cli/command_line.h"
#include "cli/show_command.h"
#include "cli/staff_picture.h"
#include "store/score_file.h"

#include <iostream>

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

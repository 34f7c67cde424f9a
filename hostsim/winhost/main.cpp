// lumbrel-winhost: the substitute host on Win32. It keeps a score as records, exports the host
// services to the plug-in DLL it loads, and plays scenarios on the real Win32 dialog, message
// boxes and registry, writing the same transcript as lumbrel-host.
#include "cli/run_command.h"
#include "winhost/dialog_picture.h"

#include <CLI/CLI.hpp>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>

int main(int argc, char** argv) {
    // the transcript is the same bytes as lumbrel-host's: no carriage returns
    _setmode(_fileno(stdout), _O_BINARY);

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    CLI::App app{"lumbrel-winhost: the substitute host for the Lumbrel plug-in on Win32. It "
                 "plays scenarios on orvanelumbrel.dll with the real dialog, message boxes and "
                 "registry."};
    app.name("lumbrel-winhost");
    app.require_subcommand(1);
    // paths are written as on Unix, "/tmp/scenario.json": a slash does not start an option
    app.allow_windows_style_options(false);
    RunOptions run;
    run.programName = "lumbrel-winhost";
    CLI::App* runCommand = addRunCommand(app, run);
    runCommand->add_option("--png", dialogPicturePath,
                           "Save a picture of the first dialog shown, as it opened (PNG)");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : 2;
    }
    if (*runCommand)
        return runScenarioCommand(run, std::cout, std::cerr);
    return 2;
}

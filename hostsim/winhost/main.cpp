// lumbrel-winhost: the substitute host on Win32. It keeps a score as records, exports the host
// services to the plug-in DLL it loads, and plays scenarios on the real Win32 dialog, message
// boxes and registry, writing the same transcript as lumbrel-host.
#include "play/command_line.h"
#include "winhost/open_command.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>

// Under Wine on a display without a window manager (Xvfb), Wine waits two seconds for one with
// every window it shows. The host's windows need none: this host's own Wine settings leave them
// to Wine, from its next start on (Wine reads them as a process starts). Nothing on Windows.
static void leaveWindowsToWine() {
    HMODULE system = GetModuleHandleA("ntdll.dll");
    if (system == nullptr || GetProcAddress(system, "wine_get_version") == nullptr)
        return;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER,
                        "Software\\Wine\\AppDefaults\\lumbrel-winhost.exe\\X11 Driver", 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    if (RegQueryValueExA(key, "Managed", nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    RegCloseKey(key);
}

static CLI::App* addOpenCommand(CLI::App& app, OpenOptions& options) {
    CLI::App* open = app.add_subcommand(
        "open", "Open a score in a window, as the notation program would: the Plug-ins menu runs "
                "the plug-in's dialog for you to work, File saves the score.");
    open->add_option("score", options.scorePath, "Score file (JSON)")->required();
    open->add_option("--out", options.outPath,
                     "Where Save writes the score (default: the opened file)");
    open->add_option("--region", options.regionText,
                     "The selection handed to every invocation: "
                     "LIST,FIRSTSLOT,LASTSLOT,FIRSTMEASURE,LASTMEASURE (default: none)");
    open->add_option("--plugin", options.pluginPath,
                     "The plug-in DLL to load (default: orvanelumbrel.dll beside the host)");
    return open;
}

int main(int argc, char** argv) {
    // the transcript is the same bytes as lumbrel-host's: no carriage returns
    _setmode(_fileno(stdout), _O_BINARY);

    leaveWindowsToWine();
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    CLI::App app{"lumbrel-winhost: the substitute host for the Lumbrel plug-in on Win32. It "
                 "plays scenarios on orvanelumbrel.dll with the real dialog, message boxes and "
                 "registry, or opens a score in a window for a person to run the plug-in."};
    app.name("lumbrel-winhost");
    app.require_subcommand(1);
    // paths are written as on Unix, "/tmp/scenario.json": a slash does not start an option
    app.allow_windows_style_options(false);
    RunOptions run;
    run.programName = "lumbrel-winhost";
    CLI::App* runCommand = addRunCommand(app, run);
    runCommand->add_option("--png", run.dialogPicturePath,
                           "Save a picture of the first dialog shown, as it opened (PNG)");
    runCommand
        ->add_option("--message-png", run.messagePicturePattern,
                     "Save a picture of each message box as it is shown (PNG); %d in the "
                     "pattern becomes the box's number, from 1")
        ->check([](const std::string& pattern) {
            return pattern.find("%d") == std::string::npos
                       ? std::string("the pattern must hold %d, which becomes the box's number")
                       : std::string();
        });
    RunEachOptions runEach;
    runEach.programName = "lumbrel-winhost";
    CLI::App* runEachCommand = addRunEachCommand(app, runEach);
    OpenOptions openOptions;
    CLI::App* openCommand = addOpenCommand(app, openOptions);
    if (int status = parseCommandLine(app, argc, argv, std::cerr); status >= 0)
        return status;
    if (*runCommand)
        return runScenarioCommand(run, std::cout, std::cerr);
    if (*runEachCommand)
        return runEachScenarioCommand(runEach, std::cerr);
    if (*openCommand)
        return runOpenCommand(openOptions, std::cerr);
    return 2;
}

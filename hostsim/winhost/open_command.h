// `lumbrel-winhost open`: the host for a person. A main window shows the score; its menu runs
// the plug-in as the notation program does, and saves the score.
#pragma once

#include <iosfwd>
#include <string>

struct OpenOptions {
    std::string scorePath;
    std::string outPath;    // where Save writes; empty: the opened file
    std::string regionText; // "LIST,FIRSTSLOT,LASTSLOT,FIRSTMEASURE,LASTMEASURE"; empty: none
    std::string pluginPath; // empty: orvanelumbrel.dll beside the host
};

// Opens the score in the main window and lives the plug-in's life with the person at it:
// loaded, version, init and its menu entries at start; an invocation (with the region) each time
// its menu item is chosen; terminate at exit, which saves its settings in the registry. Returns
// 0 when the person exits; 2 when the region, the score or the plug-in can't be read, or no
// window can be shown: the reason goes to `err` and, when a window can be shown, into a message
// box.
int runOpenCommand(const OpenOptions& options, std::ostream& err);

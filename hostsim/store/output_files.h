// The files a command writes, written all or none: each is first written beside its place under
// a name of its own, and all are moved into place only once every one of them is written. So a
// file that can't be written leaves no other output of the command behind.
#pragma once

#include <string>
#include <vector>

struct StagedOutput {
    std::string path;      // the file as the command named it
    std::string place;     // where its bytes go: `path`, or the file a symbolic link names
    std::string temporary; // where it was written meanwhile; empty: it is written at commit
    std::string bytes;     // for a file written at commit: a device, a pipe
};

struct OutputFiles {
    std::vector<StagedOutput> files;
};

// Writes `bytes` for `path`: beside it (beside the file it names, for a symbolic link) under a
// temporary name that takes the mode of the file it replaces, or, when `path` is a device or a
// pipe, kept for commitOutputs to write there. False with "PATH: cannot write: REASON" in
// `error`, having removed every file staged before: when the file or its folder can't be written,
// or `path` is a folder.
bool stageOutput(OutputFiles& outputs, const std::string& path, const std::string& bytes,
                 std::string& error);

// Writes the files kept for devices and pipes, then moves every staged file into its place.
// False with "PATH: cannot write: REASON" in `error` when one can't be written; the staged files
// are removed then and none is put in place. Leaves `outputs` empty.
bool commitOutputs(OutputFiles& outputs, std::string& error);

// Removes every staged file, none put in place. Leaves `outputs` empty.
void discardOutputs(OutputFiles& outputs);

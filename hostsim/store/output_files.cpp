#include "store/output_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include "platform/platform.h" // MoveFileExA
#endif

// Writes `bytes` to `path` as they are; false with errno's reason in `code`.
static bool writeBytes(const std::string& path, const std::string& bytes, int& code) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        code = errno;
        return false;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    code = errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        code = errno;
    }
    return written;
}

static std::string cannotWrite(const std::string& path, int code) {
    return path + ": cannot write: " + std::strerror(code);
}

// Puts the file at `from` in place of `to`, replacing what is there.
static bool moveIntoPlace(const std::string& from, const std::string& to, int& code) {
#ifdef _WIN32
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0)
        return true;
    code = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return false;
#else
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return true;
    code = errno;
    return false;
#endif
}

// The file `path` names: a symbolic link's target, so that the link stays; else `path`.
static std::string placeOf(const std::string& path) {
#ifdef _WIN32
    return path;
#else
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr)
        return path;
    std::string place = resolved;
    std::free(resolved);
    return place;
#endif
}

bool stageOutput(OutputFiles& outputs, const std::string& path, const std::string& bytes,
                 std::string& error) {
    StagedOutput staged{path, placeOf(path), "", ""};
    struct stat status;
    bool exists = stat(staged.place.c_str(), &status) == 0;
    if (exists && S_ISDIR(status.st_mode)) {
        discardOutputs(outputs);
        error = cannotWrite(path, EISDIR);
        return false;
    }
    if (!exists || S_ISREG(status.st_mode)) {
        // a name beside the file that nothing holds yet
        std::string temporary = staged.place + ".lumbrel-partial";
        struct stat other;
        for (int n = 2; stat(temporary.c_str(), &other) == 0; ++n)
            temporary = staged.place + ".lumbrel-partial-" + std::to_string(n);
        int code = 0;
        if (writeBytes(temporary, bytes, code)) {
            staged.temporary = temporary;
#ifndef _WIN32
            if (exists)
                chmod(temporary.c_str(), status.st_mode & 07777);
#endif
        } else {
            std::remove(temporary.c_str());
            // a file that exists in a folder that takes no new file is written in place
            if (!exists) {
                discardOutputs(outputs);
                error = cannotWrite(path, code);
                return false;
            }
        }
    }
    if (staged.temporary.empty())
        staged.bytes = bytes;
    outputs.files.push_back(std::move(staged));
    return true;
}

bool commitOutputs(OutputFiles& outputs, std::string& error) {
    int code = 0;
    for (const StagedOutput& file : outputs.files)
        if (file.temporary.empty() && !writeBytes(file.place, file.bytes, code)) {
            discardOutputs(outputs);
            error = cannotWrite(file.path, code);
            return false;
        }
    for (StagedOutput& file : outputs.files)
        if (!file.temporary.empty()) {
            if (!moveIntoPlace(file.temporary, file.place, code)) {
                discardOutputs(outputs);
                error = cannotWrite(file.path, code);
                return false;
            }
            file.temporary.clear();
        }
    outputs.files.clear();
    return true;
}

void discardOutputs(OutputFiles& outputs) {
    for (const StagedOutput& file : outputs.files)
        if (!file.temporary.empty())
            std::remove(file.temporary.c_str());
    outputs.files.clear();
}

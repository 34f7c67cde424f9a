// The plug-in DLL, loaded with LoadLibrary: by default orvanelumbrel.dll beside the host.
#include "play/plugin_library.h"

#include <vector>

std::string defaultPluginPath() {
    std::vector<char> path(MAX_PATH * 4, '\0');
    DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::string host(path.data(), length);
    size_t folder = host.find_last_of("\\/");
    return (folder == std::string::npos ? std::string() : host.substr(0, folder + 1)) +
           "orvanelumbrel.dll";
}

static void* findSymbol(void* module, const char* name) {
    FARPROC symbol = GetProcAddress(static_cast<HMODULE>(module), name);
    // through the generic function pointer type, which every function pointer may be cast to
    return reinterpret_cast<void*>(reinterpret_cast<void (*)()>(symbol));
}

bool loadPluginLibrary(const std::string& path, PluginLibrary& library, std::string& error) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) {
        DWORD code = GetLastError();
        char reason[256] = "";
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                       reason, sizeof reason, nullptr);
        std::string text = reason;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
            text.pop_back();
        error = path + ": cannot load the plug-in: " + (text.empty() ? "unknown reason" : text) +
                " (error " + std::to_string(code) + ")";
        return false;
    }
    if (!findPluginEntryPoints(module, findSymbol, library, error)) {
        error = path + ": " + error;
        FreeLibrary(module);
        return false;
    }
    return true;
}

void unloadPluginLibrary(PluginLibrary& library) {
    if (library.handle != nullptr)
        FreeLibrary(static_cast<HMODULE>(library.handle));
    library = PluginLibrary{};
}

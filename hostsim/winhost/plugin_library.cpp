// The plug-in DLL, loaded with LoadLibrary: by default orvanelumbrel.dll beside the host.
#include "cli/plugin_library.h"

#include <vector>

std::string defaultPluginPath() {
    std::vector<char> path(MAX_PATH * 4, '\0');
    DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::string host(path.data(), length);
    size_t folder = host.find_last_of("\\/");
    return (folder == std::string::npos ? std::string() : host.substr(0, folder + 1)) +
           "orvanelumbrel.dll";
}

// Finds `name` in the DLL into `entry`; false with the reason otherwise.
template <typename Function>
static bool findEntry(HMODULE module, const char* name, Function& entry, std::string& error) {
    FARPROC symbol = GetProcAddress(module, name);
    if (symbol == nullptr) {
        error = std::string("the plug-in library has no entry point ") + name;
        return false;
    }
    entry = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(symbol));
    return true;
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
    PluginLibrary loaded;
    loaded.handle = module;
    if (!findEntry(module, "FinaleExtensionVersion", loaded.version, error) ||
        !findEntry(module, "FinaleExtensionInit", loaded.init, error) ||
        !findEntry(module, "FinaleExtensionEnumerate", loaded.enumerate, error) ||
        !findEntry(module, "FinaleExtensionInvoke", loaded.invoke, error) ||
        !findEntry(module, "FinaleExtensionTerminate", loaded.terminate, error) ||
        !findEntry(module, "FinaleExtensionGetMenuStatus", loaded.menuStatus, error)) {
        error = path + ": " + error;
        FreeLibrary(module);
        return false;
    }
    library = loaded;
    return true;
}

void unloadPluginLibrary(PluginLibrary& library) {
    if (library.handle != nullptr)
        FreeLibrary(static_cast<HMODULE>(library.handle));
    library = PluginLibrary{};
}

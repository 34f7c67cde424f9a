#include "cli/plugin_library.h"

#include <dlfcn.h>

#ifndef LUMBREL_PLUGIN_PATH
#define LUMBREL_PLUGIN_PATH "liborvanelumbrel.so"
#endif

std::string defaultPluginPath() {
    return LUMBREL_PLUGIN_PATH;
}

// Finds `name` in the library into `entry`; false with the reason otherwise.
template <typename Function>
static bool findEntry(void* handle, const char* name, Function& entry, std::string& error) {
    void* symbol = dlsym(handle, name);
    if (symbol == nullptr) {
        error = std::string("the plug-in library has no entry point ") + name;
        return false;
    }
    entry = reinterpret_cast<Function>(symbol);
    return true;
}

bool loadPluginLibrary(const std::string& path, PluginLibrary& library, std::string& error) {
    // a path without a slash would be searched for; the host means this very file
    std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        error = path + ": cannot load the plug-in: " + (reason ? reason : "unknown reason");
        return false;
    }
    PluginLibrary loaded;
    loaded.handle = handle;
    if (!findEntry(handle, "FinaleExtensionVersion", loaded.version, error) ||
        !findEntry(handle, "FinaleExtensionInit", loaded.init, error) ||
        !findEntry(handle, "FinaleExtensionEnumerate", loaded.enumerate, error) ||
        !findEntry(handle, "FinaleExtensionInvoke", loaded.invoke, error) ||
        !findEntry(handle, "FinaleExtensionTerminate", loaded.terminate, error) ||
        !findEntry(handle, "FinaleExtensionGetMenuStatus", loaded.menuStatus, error)) {
        error = path + ": " + error;
        dlclose(handle);
        return false;
    }
    library = loaded;
    return true;
}

void unloadPluginLibrary(PluginLibrary& library) {
    if (library.handle != nullptr)
        dlclose(library.handle);
    library = PluginLibrary{};
}

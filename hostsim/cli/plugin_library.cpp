#include "play/plugin_library.h"

#include <dlfcn.h>

#ifndef LUMBREL_PLUGIN_PATH
#define LUMBREL_PLUGIN_PATH "liborvanelumbrel.so"
#endif

std::string defaultPluginPath() {
    return LUMBREL_PLUGIN_PATH;
}

static void* findSymbol(void* handle, const char* name) {
    return dlsym(handle, name);
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
    if (!findPluginEntryPoints(handle, findSymbol, library, error)) {
        error = path + ": " + error;
        dlclose(handle);
        return false;
    }
    return true;
}

void unloadPluginLibrary(PluginLibrary& library) {
    if (library.handle != nullptr)
        dlclose(library.handle);
    library = PluginLibrary{};
}

#include "play/plugin_library.h"

// Finds `name` into `entry`; false with the reason otherwise.
template <typename Function>
static bool findEntry(void* handle, void* (*lookup)(void*, const char*), const char* name,
                      Function& entry, std::string& error) {
    void* symbol = lookup(handle, name);
    if (symbol == nullptr) {
        error = std::string("the plug-in library has no entry point ") + name;
        return false;
    }
    entry = reinterpret_cast<Function>(symbol);
    return true;
}

bool findPluginEntryPoints(void* handle, void* (*lookup)(void* handle, const char* name),
                           PluginLibrary& library, std::string& error) {
    PluginLibrary found;
    found.handle = handle;
    if (!findEntry(handle, lookup, "FinaleExtensionVersion", found.version, error) ||
        !findEntry(handle, lookup, "FinaleExtensionInit", found.init, error) ||
        !findEntry(handle, lookup, "FinaleExtensionEnumerate", found.enumerate, error) ||
        !findEntry(handle, lookup, "FinaleExtensionInvoke", found.invoke, error) ||
        !findEntry(handle, lookup, "FinaleExtensionTerminate", found.terminate, error) ||
        !findEntry(handle, lookup, "FinaleExtensionGetMenuStatus", found.menuStatus, error))
        return false;
    library = found;
    return true;
}

// The plug-in library as the host sees it: loaded at run time, its six entry points found by
// name. The host keeps its own view of their arguments.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <string>

// The records the host hands to the entry points, by the names the plug-in gives them. The host
// fills and reads them as bytes of their layout; it calls each entry point through a pointer of
// the entry point's very type.
struct ExtensionEntry;
struct SelectionRegion;

struct PluginLibrary {
    void* handle = nullptr;
    int32_t (*version)(int32_t) = nullptr;
    int32_t (*init)(int32_t, int32_t) = nullptr;
    int32_t (*enumerate)(int32_t, int32_t, ExtensionEntry* entry) = nullptr;
    int32_t (*invoke)(HWND window, int32_t, const SelectionRegion* region, int32_t) = nullptr;
    void (*terminate)(int32_t) = nullptr;
    int32_t (*menuStatus)(int32_t) = nullptr;
};

// The plug-in library built with this host.
std::string defaultPluginPath();

// Loads the library at `path` afresh (its state all zero) and finds the six entry points.
// False, with the reason in `error`, when it can't be loaded or lacks an entry point.
bool loadPluginLibrary(const std::string& path, PluginLibrary& library, std::string& error);

// Finds the six entry points of the library `handle` with `lookup` (dlsym, GetProcAddress),
// into `library`. False, with the missing one named in `error`, when one is missing.
bool findPluginEntryPoints(void* handle, void* (*lookup)(void* handle, const char* name),
                           PluginLibrary& library, std::string& error);

// Unloads the library; its entry points must not be called afterwards.
void unloadPluginLibrary(PluginLibrary& library);

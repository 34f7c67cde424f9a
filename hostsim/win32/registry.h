// The substitute host's registry behind the Win32 registry calls of the platform stand-in:
// in memory, kept for one run of the host.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

struct RegistryValue {
    uint32_t type;
    std::vector<uint8_t> data;
};

// A value the plug-in asked RegSetValueExA to write, whether or not it was written.
struct RegistryWrite {
    std::string keyPath; // as the key was opened, lowercased
    std::string name;
    uint32_t type;
    std::vector<uint8_t> data;
};

struct Registry {
    // key path under HKEY_CURRENT_USER, lowercased -> value name, lowercased -> value
    std::map<std::string, std::map<std::string, RegistryValue>> keys;
    std::map<uintptr_t, std::string> openKeys; // handle -> key path
    uintptr_t nextHandle = 0x1000;
    // registry calls that fail, by name ("RegOpenKeyExA", ...), as in a locked-down profile
    std::set<std::string> failingCalls;
    std::function<bool(const char* call)> fails; // when set, asked of each call: true fails it
    std::vector<RegistryWrite> writes;           // every RegSetValueExA, in order
};

// The registry calls the plug-in makes, by name.
extern const char* const registryCallNames[5];

// The one registry of this run of the host.
extern Registry registry;

// Empties the registry: no keys, no open handles, no failing calls.
void resetRegistry();

// The value `name` under HKEY_CURRENT_USER\keyPath, or null when there is none.
const RegistryValue* findRegistryValue(const std::string& keyPath, const std::string& name);

// Creates the key as needed and sets the value.
void setRegistryValue(const std::string& keyPath, const std::string& name, RegistryValue value);

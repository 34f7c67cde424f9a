#include "headless/registry.h"

#include "session/contract.h"
#include "session/host_session.h"

#include "platform/platform.h"

#include <cstring>

const char* const registryCallNames[5] = {"RegOpenKeyExA", "RegCreateKeyExA", "RegQueryValueExA",
                                          "RegSetValueExA", "RegCloseKey"};

// Whether `call` fails: as the active session's registry says, and always without a session.
static bool fails(const char* call) {
    if (activeHost == nullptr)
        return true;
    const Registry& registry = activeHost->registry;
    return registry.failingCalls.count(call) != 0 || (registry.fails && registry.fails(call));
}

// A key exists when it was created, or when a key below it was.
static bool keyExists(const Registry& registry, const std::string& path) {
    if (path.empty())
        return true;
    auto found = registry.keys.lower_bound(path);
    if (found == registry.keys.end())
        return false;
    return found->first == path || found->first.compare(0, path.size() + 1, path + "\\") == 0;
}

static HKEY openHandle(Registry& registry, const std::string& path) {
    uintptr_t handle = registry.nextHandle++;
    registry.openKeys[handle] = path;
    return reinterpret_cast<HKEY>(handle);
}

static std::map<std::string, RegistryValue>* openedKey(Registry& registry, HKEY key) {
    auto found = registry.openKeys.find(reinterpret_cast<uintptr_t>(key));
    if (found == registry.openKeys.end())
        return nullptr;
    return &registry.keys[found->second];
}

extern "C" {

// Win32's own rules for the calls' reserved arguments, checked as the strict host does.
static void checkReserved(const char* call, bool zero) {
    if (!zero)
        reportViolation(std::string(call) + ": a reserved argument is not 0");
}

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) {
    (void)access;
    // 0, or REG_OPTION_OPEN_LINK
    checkReserved("RegOpenKeyExA", options == 0 || options == 8);
    if (fails("RegOpenKeyExA"))
        return ERROR_ACCESS_DENIED;
    if (key != HKEY_CURRENT_USER || result == nullptr)
        return ERROR_INVALID_HANDLE;
    Registry& registry = activeHost->registry;
    std::string path = foldedRegistryName(subKey);
    if (!keyExists(registry, path))
        return ERROR_FILE_NOT_FOUND;
    *result = openHandle(registry, path);
    return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                     REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY result,
                     LPDWORD disposition) {
    (void)keyClass;
    (void)options;
    (void)access;
    (void)security;
    checkReserved("RegCreateKeyExA", reserved == 0);
    if (fails("RegCreateKeyExA"))
        return ERROR_ACCESS_DENIED;
    if (key != HKEY_CURRENT_USER || result == nullptr)
        return ERROR_INVALID_HANDLE;
    Registry& registry = activeHost->registry;
    std::string path = foldedRegistryName(subKey);
    bool existed = registry.keys.count(path) != 0;
    registry.keys[path];
    if (disposition != nullptr)
        *disposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    *result = openHandle(registry, path);
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize) {
    checkReserved("RegQueryValueExA", reserved == nullptr);
    if (fails("RegQueryValueExA"))
        return ERROR_ACCESS_DENIED;
    std::map<std::string, RegistryValue>* values = openedKey(activeHost->registry, key);
    if (values == nullptr)
        return ERROR_INVALID_HANDLE;
    auto found = values->find(foldedRegistryName(valueName));
    if (found == values->end())
        return ERROR_FILE_NOT_FOUND;
    const RegistryValue& value = found->second;
    if (type != nullptr)
        *type = value.type;
    DWORD needed = static_cast<DWORD>(value.data.size());
    if (data == nullptr) {
        if (dataSize != nullptr)
            *dataSize = needed;
        return ERROR_SUCCESS;
    }
    if (dataSize == nullptr)
        return ERROR_INVALID_HANDLE;
    if (*dataSize < needed) {
        *dataSize = needed;
        return ERROR_MORE_DATA;
    }
    if (needed > 0)
        std::memcpy(data, value.data.data(), needed);
    *dataSize = needed;
    return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD dataSize) {
    checkReserved("RegSetValueExA", reserved == 0);
    if (activeHost == nullptr)
        return ERROR_ACCESS_DENIED;
    Registry& registry = activeHost->registry;
    auto open = registry.openKeys.find(reinterpret_cast<uintptr_t>(key));
    RegistryWrite write{open != registry.openKeys.end() ? open->second : std::string(),
                        foldedRegistryName(valueName),
                        type,
                        {}};
    if (data != nullptr && dataSize > 0)
        write.data.assign(data, data + dataSize);
    registry.writes.push_back(std::move(write));
    if (fails("RegSetValueExA"))
        return ERROR_ACCESS_DENIED;
    std::map<std::string, RegistryValue>* values = openedKey(registry, key);
    if (values == nullptr)
        return ERROR_INVALID_HANDLE;
    RegistryValue value{type, {}};
    if (data != nullptr && dataSize > 0)
        value.data.assign(data, data + dataSize);
    (*values)[foldedRegistryName(valueName)] = std::move(value);
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    if (fails("RegCloseKey"))
        return ERROR_INVALID_HANDLE;
    return activeHost->registry.openKeys.erase(reinterpret_cast<uintptr_t>(key)) == 1
               ? ERROR_SUCCESS
               : ERROR_INVALID_HANDLE;
}
}

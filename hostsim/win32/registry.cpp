#include "win32/registry.h"

#include "session/contract.h"

#include "platform/platform.h"

#include <algorithm>
#include <cctype>
#include <cstring>

Registry registry;

const char* const registryCallNames[5] = {"RegOpenKeyExA", "RegCreateKeyExA", "RegQueryValueExA",
                                          "RegSetValueExA", "RegCloseKey"};

static bool fails(const char* call) {
    return registry.failingCalls.count(call) != 0 || (registry.fails && registry.fails(call));
}

// Registry names compare without regard to case.
static std::string folded(const char* text) {
    std::string result = text != nullptr ? text : "";
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

// A key exists when it was created, or when a key below it was.
static bool keyExists(const std::string& path) {
    if (path.empty())
        return true;
    auto found = registry.keys.lower_bound(path);
    if (found == registry.keys.end())
        return false;
    return found->first == path || found->first.compare(0, path.size() + 1, path + "\\") == 0;
}

static HKEY openHandle(const std::string& path) {
    uintptr_t handle = registry.nextHandle++;
    registry.openKeys[handle] = path;
    return reinterpret_cast<HKEY>(handle);
}

static std::map<std::string, RegistryValue>* openedKey(HKEY key) {
    auto found = registry.openKeys.find(reinterpret_cast<uintptr_t>(key));
    if (found == registry.openKeys.end())
        return nullptr;
    return &registry.keys[found->second];
}

void resetRegistry() {
    registry = Registry();
}

const RegistryValue* findRegistryValue(const std::string& keyPath, const std::string& name) {
    auto key = registry.keys.find(folded(keyPath.c_str()));
    if (key == registry.keys.end())
        return nullptr;
    auto value = key->second.find(folded(name.c_str()));
    return value == key->second.end() ? nullptr : &value->second;
}

void setRegistryValue(const std::string& keyPath, const std::string& name, RegistryValue value) {
    registry.keys[folded(keyPath.c_str())][folded(name.c_str())] = std::move(value);
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
    std::string path = folded(subKey);
    if (!keyExists(path))
        return ERROR_FILE_NOT_FOUND;
    *result = openHandle(path);
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
    std::string path = folded(subKey);
    bool existed = registry.keys.count(path) != 0;
    registry.keys[path];
    if (disposition != nullptr)
        *disposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    *result = openHandle(path);
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize) {
    checkReserved("RegQueryValueExA", reserved == nullptr);
    if (fails("RegQueryValueExA"))
        return ERROR_ACCESS_DENIED;
    std::map<std::string, RegistryValue>* values = openedKey(key);
    if (values == nullptr)
        return ERROR_INVALID_HANDLE;
    auto found = values->find(folded(valueName));
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
    auto open = registry.openKeys.find(reinterpret_cast<uintptr_t>(key));
    RegistryWrite write{open != registry.openKeys.end() ? open->second : std::string(),
                        folded(valueName),
                        type,
                        {}};
    if (data != nullptr && dataSize > 0)
        write.data.assign(data, data + dataSize);
    registry.writes.push_back(std::move(write));
    if (fails("RegSetValueExA"))
        return ERROR_ACCESS_DENIED;
    std::map<std::string, RegistryValue>* values = openedKey(key);
    if (values == nullptr)
        return ERROR_INVALID_HANDLE;
    RegistryValue value{type, {}};
    if (data != nullptr && dataSize > 0)
        value.data.assign(data, data + dataSize);
    (*values)[folded(valueName)] = std::move(value);
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    if (fails("RegCloseKey"))
        return ERROR_INVALID_HANDLE;
    return registry.openKeys.erase(reinterpret_cast<uintptr_t>(key)) == 1 ? ERROR_SUCCESS
                                                                          : ERROR_INVALID_HANDLE;
}
}

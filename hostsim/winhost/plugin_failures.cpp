// Failing platform calls for the plug-in DLL: its imports of the registry calls and of HeapAlloc
// are pointed at stand-ins that fail, in the DLL's own import table, after it is loaded. The DLL
// keeps its exports and imports; only this run of it sees the failures. What each slot held
// before is kept in the active session, to be put back.
#include "play/platform.h"
#include "play/plugin_library.h"
#include "session/host_session.h"

#include <algorithm>
#include <cstring>

namespace {

// One import of the plug-in that can be made to fail.
struct FailingImport {
    const char* dll;
    const char* function;
    void* failing; // the stand-in that fails
};

} // namespace

static LONG WINAPI failOpenKey(HKEY, LPCSTR, DWORD, REGSAM, PHKEY) {
    return ERROR_ACCESS_DENIED;
}

static LONG WINAPI failCreateKey(HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES,
                                 PHKEY, LPDWORD) {
    return ERROR_ACCESS_DENIED;
}

static LONG WINAPI failQueryValue(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD) {
    return ERROR_ACCESS_DENIED;
}

static LONG WINAPI failSetValue(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD) {
    return ERROR_ACCESS_DENIED;
}

static LONG WINAPI failCloseKey(HKEY) {
    return ERROR_INVALID_HANDLE;
}

static LPVOID WINAPI failHeapAlloc(HANDLE, DWORD, SIZE_T) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

// Any function pointer as the address an import table holds.
template <typename Function> static void* address(Function* function) {
    return reinterpret_cast<void*>(reinterpret_cast<void (*)()>(function));
}

static const FailingImport registryImports[] = {
    {"advapi32.dll", "RegOpenKeyExA", address(failOpenKey)},
    {"advapi32.dll", "RegCreateKeyExA", address(failCreateKey)},
    {"advapi32.dll", "RegQueryValueExA", address(failQueryValue)},
    {"advapi32.dll", "RegSetValueExA", address(failSetValue)},
    {"advapi32.dll", "RegCloseKey", address(failCloseKey)},
};
static const FailingImport heapImports[] = {
    {"kernel32.dll", "HeapAlloc", address(failHeapAlloc)},
};

// The slot of `module`'s import address table that holds dll!function; null when the module does
// not import it by name.
static void** importSlot(HMODULE module, const char* dll, const char* function) {
    auto* base = reinterpret_cast<uint8_t*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE)
        return nullptr;
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0)
        return nullptr;
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         entry->Name != 0; ++entry) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + entry->Name), dll) != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + (entry->OriginalFirstThunk != 0
                                                                      ? entry->OriginalFirstThunk
                                                                      : entry->FirstThunk));
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
                return reinterpret_cast<void**>(&slots->u1.Function);
        }
    }
    return nullptr;
}

static void writeSlot(void** slot, void* value) {
    DWORD protection = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection))
        return;
    *slot = value;
    VirtualProtect(slot, sizeof *slot, protection, &protection);
}

// Points each import at its failing stand-in (`fail`), or back at what it held before.
template <size_t count>
static void setImports(HMODULE module, const FailingImport (&imports)[count], bool fail) {
    std::vector<std::pair<void**, void*>>& replaced = activeHost->failingImports;
    for (const FailingImport& import : imports) {
        void** slot = importSlot(module, import.dll, import.function);
        if (slot == nullptr)
            continue;
        auto found = std::find_if(replaced.begin(), replaced.end(),
                                  [&](const auto& kept) { return kept.first == slot; });
        if (fail && found == replaced.end()) {
            replaced.emplace_back(slot, *slot);
            writeSlot(slot, import.failing);
        } else if (!fail && found != replaced.end()) {
            writeSlot(slot, found->second);
            replaced.erase(found);
        }
    }
}

void setPlatformFailures(const PluginLibrary& plugin, bool registry, bool allocations) {
    HMODULE module = static_cast<HMODULE>(plugin.handle);
    if (module == nullptr)
        return;
    setImports(module, registryImports, registry);
    setImports(module, heapImports, allocations);
}

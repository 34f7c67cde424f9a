// Failing platform calls for the plug-in DLL: its imports of the registry calls and of HeapAlloc
// are pointed at stand-ins that fail, in the DLL's own import table, after it is loaded. The DLL
// keeps its exports and imports; only this run of it sees the failures.
#include "cli/plugin_library.h"
#include "platform/host_platform.h"

#include <cstring>

namespace {

// One import of the plug-in that can be made to fail.
struct FailingImport {
    const char* dll;
    const char* function;
    void* failing;  // the stand-in that fails
    void* original; // what the import table held before it was replaced; null while it is not
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

static FailingImport registryImports[] = {
    {"advapi32.dll", "RegOpenKeyExA", address(failOpenKey), nullptr},
    {"advapi32.dll", "RegCreateKeyExA", address(failCreateKey), nullptr},
    {"advapi32.dll", "RegQueryValueExA", address(failQueryValue), nullptr},
    {"advapi32.dll", "RegSetValueExA", address(failSetValue), nullptr},
    {"advapi32.dll", "RegCloseKey", address(failCloseKey), nullptr},
};
static FailingImport heapImports[] = {
    {"kernel32.dll", "HeapAlloc", address(failHeapAlloc), nullptr},
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

// Points each import at its failing stand-in (`fail`), or back at the original.
template <size_t count>
static void setImports(HMODULE module, FailingImport (&imports)[count], bool fail) {
    for (FailingImport& import : imports) {
        void** slot = importSlot(module, import.dll, import.function);
        if (slot == nullptr)
            continue;
        if (fail && import.original == nullptr) {
            import.original = *slot;
            writeSlot(slot, import.failing);
        } else if (!fail && import.original != nullptr) {
            writeSlot(slot, import.original);
            import.original = nullptr;
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

bool findPluginBlock(const void*, const uint8_t*&, size_t&) {
    return false;
}

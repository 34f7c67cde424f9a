// On Windows the host services are exports of the host executable, found at run time: each one
// is looked up by name on its first call. A host that lacks a service gets no call through a
// null address: the service then answers as for a missing record, an empty dialog item or a
// failed request.
#include "host/services.h"

// The host executable's export `name` as a `Function`, or null when it has none.
template <typename Function> static Function* findService(const char* name) {
    HMODULE host = GetModuleHandleA(nullptr);
    FARPROC found = host != nullptr ? GetProcAddress(host, name) : nullptr;
    // through the generic function pointer type, which every function pointer may be cast to
    return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(found));
}

#define HOST_SERVICE(result, name, parameters, arguments, fallback)                                \
    result LUMBREL_CDECL name parameters {                                                         \
        static auto* const service = findService<decltype(name)>(#name);                           \
        return service != nullptr ? service arguments : fallback;                                  \
    }

extern "C" {

HOST_SERVICE(int16_t, FX_LoadEData,
             (uint32_t tag, RecordKey* key, void* buffer, uint32_t* size, uint32_t version),
             (tag, key, buffer, size, version), 0)
HOST_SERVICE(int16_t, FX_SaveEData,
             (uint32_t tag, RecordKey* key, const void* buffer, uint32_t size, uint32_t version),
             (tag, key, buffer, size, version), 0)
HOST_SERVICE(int32_t, FX_SlotToInst, (int32_t slot, int32_t staffList, uint32_t version),
             (slot, staffList, version), 0)
HOST_SERVICE(int32_t, FX_InstToSlot, (int32_t staff, int32_t staffList, uint32_t version),
             (staff, staffList, version), 0)
HOST_SERVICE(const char*, FX_ParseCaretCommand,
             (const char* text, int32_t* value, int32_t zero, void* area, uint32_t version),
             (text, value, zero, area, version), text)
HOST_SERVICE(int32_t, FX_UpdateLayout, (int32_t first, int32_t second, uint32_t version),
             (first, second, version), 0)
HOST_SERVICE(int32_t, FX_Dialog,
             (int32_t resource, DialogProcedure procedure, HWND owner, int32_t one, int32_t zero,
              uint32_t version),
             (resource, procedure, owner, one, zero, version), 0)
HOST_SERVICE(int32_t, FX_EndDialog, (HWND dialog, uint32_t version), (dialog, version), 0)
HOST_SERVICE(int32_t, FX_EnableDlgItem,
             (HWND dialog, int32_t item, int32_t enable, uint32_t version),
             (dialog, item, enable, version), 0)
HOST_SERVICE(int32_t, FX_GetDlgItemVal, (HWND dialog, int32_t item, int32_t kind, uint32_t version),
             (dialog, item, kind, version), 0)
HOST_SERVICE(int32_t, FX_SetDlgItemVal,
             (HWND dialog, int32_t item, int32_t kind, int32_t value, uint32_t version),
             (dialog, item, kind, value, version), 0)
HOST_SERVICE(int32_t, FX_GetDlgItemUser,
             (HWND dialog, int32_t item, int32_t unit, double* value, uint32_t version),
             (dialog, item, unit, value, version), 0)
HOST_SERVICE(int32_t, FX_SetDlgItemUser,
             (HWND dialog, int32_t item, int32_t unit, double value, uint32_t version),
             (dialog, item, unit, value, version), 0)
HOST_SERVICE(int32_t, FX_SetDlgString,
             (HWND dialog, int32_t item, const char* text, uint32_t version),
             (dialog, item, text, version), 0)
HOST_SERVICE(int32_t, FX_SetDlgFocus, (HWND dialog, int32_t item, uint32_t version),
             (dialog, item, version), 0)
}

// The services that the host program exports to plug-ins. Every call passes
// hostInterfaceVersion as its last argument. All use the C calling convention.
#pragma once

#include "platform/platform.h"

#include <cstdint>

struct RecordKey;

// The host interface version: FinaleExtensionVersion returns it, every service call passes it.
constexpr uint32_t hostInterfaceVersion = 0x5000005;

// The dialog procedure that FX_Dialog calls for each message of the plug-in's dialog.
typedef int32_t(LUMBREL_CDECL* DialogProcedure)(HWND dialog, uint32_t message, WPARAM wParam,
                                                LPARAM lParam, int32_t unused);

extern "C" {

// Loads record (tag, *key). With a buffer: copies at most *size bytes and leaves the copied size
// in *size. With a null buffer: only asks whether the record exists and leaves its full size in
// *size. Non-zero when the record exists. The host may rewrite *key to the record it loaded.
int16_t LUMBREL_CDECL FX_LoadEData(uint32_t tag, RecordKey* key, void* buffer, uint32_t* size,
                                   uint32_t version);
// Stores size bytes under (tag, *key). The result carries nothing the plug-in relies on.
int16_t LUMBREL_CDECL FX_SaveEData(uint32_t tag, RecordKey* key, const void* buffer, uint32_t size,
                                   uint32_t version);
// The staff at 1-based position slot of staff list staffList.
int32_t LUMBREL_CDECL FX_SlotToInst(int32_t slot, int32_t staffList, uint32_t version);
// The 1-based position of staff in staff list staffList (the plug-in always passes 0).
int32_t LUMBREL_CDECL FX_InstToSlot(int32_t staff, int32_t staffList, uint32_t version);
// The position in text behind the caret command that starts at text. The result areas are the
// host's; the plug-in passes 0 as the third argument and never reads the areas.
const char* LUMBREL_CDECL FX_ParseCaretCommand(const char* text, int32_t* value, int32_t zero,
                                               void* area, uint32_t version);
// Lays the score out again; the plug-in passes 0 and 0.
int32_t LUMBREL_CDECL FX_UpdateLayout(int32_t first, int32_t second, uint32_t version);

// Runs dialog resource `resource` modally with `procedure` until FX_EndDialog.
int32_t LUMBREL_CDECL FX_Dialog(int32_t resource, DialogProcedure procedure, HWND owner,
                                int32_t one, int32_t zero, uint32_t version);
int32_t LUMBREL_CDECL FX_EndDialog(HWND dialog, uint32_t version);
int32_t LUMBREL_CDECL FX_EnableDlgItem(HWND dialog, int32_t item, int32_t enable, uint32_t version);
// Reads a control's value by kind: 0 combo box (1-based entry), 1 check box, 2 radio button,
// 3 whole number in an edit field.
int32_t LUMBREL_CDECL FX_GetDlgItemVal(HWND dialog, int32_t item, int32_t kind, uint32_t version);
int32_t LUMBREL_CDECL FX_SetDlgItemVal(HWND dialog, int32_t item, int32_t kind, int32_t value,
                                       uint32_t version);
// Reads an edit field shown in measurement unit `unit` (1..6) as EVPUs into *value.
int32_t LUMBREL_CDECL FX_GetDlgItemUser(HWND dialog, int32_t item, int32_t unit, double* value,
                                        uint32_t version);
// Shows value EVPUs in the edit field, in measurement unit `unit`.
int32_t LUMBREL_CDECL FX_SetDlgItemUser(HWND dialog, int32_t item, int32_t unit, double value,
                                        uint32_t version);
int32_t LUMBREL_CDECL FX_SetDlgString(HWND dialog, int32_t item, const char* text,
                                      uint32_t version);
int32_t LUMBREL_CDECL FX_SetDlgFocus(HWND dialog, int32_t item, uint32_t version);
}

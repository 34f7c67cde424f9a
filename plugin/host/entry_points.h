// The six functions the host calls, exported by the plug-in library, and the record the host
// hands to FinaleExtensionEnumerate.
#pragma once

#include "host/state.h"
#include "platform/platform.h"
#include "score/records.h"

#include <cstddef>
#include <cstdint>

// The host's record for one menu entry; the plug-in writes its first 196 bytes.
struct ExtensionEntry {
    char menuText[64];  // the menu entry, zero-filled
    char name[64];      // the plug-in's name, zero-filled
    char shortName[64]; // its short name, zero-filled
    int16_t words[2];   // written as 0
};
static_assert(offsetof(ExtensionEntry, name) == 64, "ExtensionEntry layout");
static_assert(offsetof(ExtensionEntry, shortName) == 128, "ExtensionEntry layout");
static_assert(offsetof(ExtensionEntry, words) == 192, "ExtensionEntry layout");
static_assert(sizeof(ExtensionEntry) == 196, "ExtensionEntry layout");

extern "C" {
// The host interface version.
int32_t LUMBREL_CDECL FinaleExtensionVersion(int32_t unused);
// Loads the saved settings; 1.
int32_t LUMBREL_CDECL FinaleExtensionInit(int32_t unused1, int32_t unused2);
// Fills `entry` for index 0 (and any negative index) and returns 1; 0 for index 1 or more,
// leaving the record untouched.
int32_t LUMBREL_CDECL FinaleExtensionEnumerate(int32_t unused, int32_t index,
                                               ExtensionEntry* entry);
// Runs the plug-in on the open score: 0 when it has no staff systems, else 1 once the dialog
// has ended.
int32_t LUMBREL_CDECL FinaleExtensionInvoke(HWND window, int32_t unused1,
                                            const SelectionRegion* region, int32_t unused2);
// Writes the settings back.
void LUMBREL_CDECL FinaleExtensionTerminate(int32_t unused);
// 1, always.
int32_t LUMBREL_CDECL FinaleExtensionGetMenuStatus(int32_t unused);
}

// The host's answer, widened, to whether the global staff list has a first entry, (0, 0); 0 when
// the host answers with another key (an entry of another list, or a later entry).
int32_t checkStaffSystems();
// Fills the invocation fields of pluginState from the score and the region (or null).
void prepareInvocation(const SelectionRegion* region);
// Runs the modal dialog on `state` and returns when it has ended.
void runDialog(HWND window, PluginState& state, const SelectionRegion* region);

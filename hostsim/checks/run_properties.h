// The properties every run of the plug-in keeps, whatever the host answers within its contract:
// checked over the host's log of an invocation (its record calls, layout updates, dialog start
// and end), the message boxes shown and the result, and over a whole life's registry writes and
// heap. Each breach is one text naming what was wrong; none means the run kept them all.
#pragma once

#include "session/host_session.h"

#include <cstdint>
#include <string>
#include <vector>

// What the plug-in's state holds after an invocation: the choices its last confirmed OK stored.
struct ConfirmedChoices {
    int16_t distance = 0;
    int16_t scope = 0;
    int16_t firstSystem = 0;
    int16_t lastSystem = 0;
    int16_t selectedCount = 0;
};

// One invocation as the host saw it.
struct InvocationTrace {
    std::vector<ServiceEvent> events; // the session's log of the invocation
    std::vector<MessageEvent> messages;
    int32_t result = 0; // what FinaleExtensionInvoke answered
    ConfirmedChoices choices;
};

// The breaches of one invocation:
// - its result is 0 exactly when the host had no first global staff list entry (the probe of
//   (0, 0) answered for another key, or not at all), which only the "no staff systems" box
//   (owned by the host window) then reports, and no dialog is started;
// - every message box is one of the plug-in's six, with its caption, style and owner;
// - every save is of a staff list entry, the one the last load of that tag brought, under the
//   key that load left and with the size it left (no more than was asked); every byte is the
//   loaded one but the 32-bit vertical position, which is the loaded one plus the distance;
// - saves go only to the staff lists of the confirmed scope (1: optimized systems of the
//   range, as the host last described them; 2: the global list; 3..10: staff set scope - 39),
//   at most one per selected entry in each list, none with distance 0, all while the dialog is
//   open;
// - at most one layout update, after the last save.
std::vector<std::string> checkInvocation(const InvocationTrace& trace);

// The breaches of the settings writes of a life: each is the value "UserDialog" under the
// plug-in's key, of type REG_BINARY, 46 bytes long, with bytes 40 to 43 zero.
std::vector<std::string> checkSettingsWrites(const std::vector<RegistryWrite>& writes);

// The breaches of a life's use of the heap: a block not freed by its end, or a misuse.
std::vector<std::string> checkHeapAfterLife(const PluginHeap& heap);

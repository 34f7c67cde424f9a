// What the substitute host holds while it drives the plug-in: the score, and the record of
// what the plug-in asked of it (host calls, saves, layout updates).
#pragma once

#include "store/record_store.h"

#include <map>
#include <string>
#include <vector>

// The host services, in the order their counts are listed.
enum HostService {
    serviceLoadEData,
    serviceSaveEData,
    serviceSlotToInst,
    serviceInstToSlot,
    serviceParseCaretCommand,
    serviceUpdateLayout,
    serviceDialog,
    serviceEndDialog,
    serviceEnableDlgItem,
    serviceGetDlgItemVal,
    serviceSetDlgItemVal,
    serviceGetDlgItemUser,
    serviceSetDlgItemUser,
    serviceSetDlgString,
    serviceSetDlgFocus,
    hostServiceCount
};

// The exported name of a host service, such as "FX_LoadEData".
const char* hostServiceName(HostService service);

struct SaveEvent {
    RecordId id;
    std::vector<uint8_t> before;  // the stored record before the save; empty when it was new
    std::vector<uint8_t> after;   // the stored record after it; the same when it was not stored
    std::vector<uint8_t> offered; // the bytes the plug-in handed over
    bool stored = true;           // false when the host's save failed
};

// How the host answers the plug-in: the kind answers by default, or others that the host
// contract allows.
struct HostBehaviour {
    // A load or probe of a key without a record takes the first record of that tag whose key
    // comes after it, and writes that key back.
    bool nextLoads = false;
    bool failingSaves = false;       // FX_SaveEData stores nothing and answers 0
    bool failingRegistry = false;    // every registry call of the plug-in fails
    bool failingAllocations = false; // every allocation the plug-in makes of its own fails
    bool failingDialog = false;      // FX_Dialog answers 0 at once, showing nothing
};

struct HostSession {
    RecordStore store;
    HostBehaviour behaviour;
    long calls[hostServiceCount] = {};
    std::vector<SaveEvent> saves;
    int layoutUpdates = 0;
    long wrongVersionCalls = 0; // calls that did not pass the host interface version
};

// The session the host services act on; null while no plug-in is driven.
extern HostSession* activeHost;

// Forgets the calls, saves and layout updates recorded so far; the score stays.
void clearRunRecord(HostSession& session);

// Counts one call of `service` on the active session and checks the version it passed.
void countHostCall(HostService service, uint32_t version);

// The services called at least once, by name, with their counts.
std::map<std::string, long> hostCallCounts(const HostSession& session);

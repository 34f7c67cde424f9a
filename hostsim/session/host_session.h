// What the substitute host holds while it drives the plug-in, in one record, the session: the
// score, how the host answers, the record of what the plug-in asked of it (host calls, saves,
// layout updates, breaches of the contract), and the platform the plug-in runs on. The host
// services and the platform's calls are C functions that the plug-in calls without a context:
// they act on the active session, the one global of the substitute host.
#pragma once

#include "session/platform_state.h"
#include "store/record_store.h"

#include <functional>
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
    std::vector<uint8_t> offered; // a failed save: the bytes the plug-in handed over
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

struct RecordKey;

// One call of the record services, of FX_UpdateLayout, FX_Dialog or FX_EndDialog, as a check of
// the plug-in's run needs it.
struct ServiceEvent {
    HostService service = serviceLoadEData;
    RecordId asked{};           // a load: the key asked for; a save: the key saved under
    RecordId left{};            // a load: the key the host left
    bool probe = false;         // a load without a buffer
    uint32_t sizeAsked = 0;     // a load: the size asked for; a save: the size passed
    uint32_t sizeLeft = 0;      // a load: the size the host left
    int32_t answer = 0;         // the host's answer
    std::vector<uint8_t> bytes; // a load: the buffer after it, up to the size asked; a save: the
                                // bytes handed over
};

// A host that answers otherwise than the kind one, as its contract allows: each hook, when set,
// is given the kind answer already made and returns the answer to give. Fuzzers and tests set
// them; both hosts leave them empty.
struct HostAnswerHooks {
    // A load or probe: may change the answer, the key, the size and, for a load, the buffer
    // (null for a probe), which holds room for the `asked` bytes the plug-in asked for.
    std::function<int16_t(uint32_t tag, RecordKey& key, uint8_t* buffer, uint32_t asked,
                          uint32_t& size, int16_t answer)>
        load;
    // A save: true to make it fail, storing nothing.
    std::function<bool(uint32_t tag)> saveFails;
    // FX_SlotToInst, FX_InstToSlot, FX_GetDlgItemVal and FX_Dialog: the answer to give.
    std::function<int32_t(HostService service, int32_t answer)> value;
    // FX_ParseCaretCommand on `text`: the position to answer.
    std::function<const char*(const char* text, const char* answer)> caret;
    // FX_GetDlgItemUser: false leaves the value unwritten; else `value` (the kind reading) is
    // written, as the hook may have changed it.
    std::function<bool(double& value, bool readable)> unitValue;
};

// One call of FX_LoadEData as the strict host checks it.
struct LoadCall {
    uint32_t tag = 0;
    RecordId asked{};       // the key asked for
    RecordId left{};        // the key the host left
    bool probe = false;     // without a buffer
    uint32_t sizeAsked = 0; // the size asked for
    uint32_t sizeLeft = 0;  // the size the host left
    int32_t answer = 0;     // the host's answer
};

// What the strict host remembers between the calls of a run.
struct ContractMemory {
    std::vector<LoadCall> lastLoads;            // the last load with a buffer, one per tag
    std::map<int16_t, uint32_t> textBlockSizes; // by block number: the size its probe reported
    bool layoutUpdated = false;
};

struct HostSession {
    RecordStore store;
    HostBehaviour behaviour;
    HostAnswerHooks answers;
    long calls[hostServiceCount] = {};
    std::vector<SaveEvent> saves;
    int layoutUpdates = 0;
    long wrongVersionCalls = 0;    // calls that did not pass the host interface version
    bool keepLog = false;          // whether `log` is kept
    std::vector<ServiceEvent> log; // the run's record calls, layout updates, dialog start and end
    std::vector<std::string> violations; // the plug-in's breaches of the host contract
    ContractMemory contract;
    // the platform
    Desktop desktop;
    Registry registry; // the headless platform's
    PluginHeap heap;   // the headless platform's
    // lumbrel-winhost: the slots of the plug-in's import table pointed at failing stand-ins, with
    // what each held before
    std::vector<std::pair<void**, void*>> failingImports;
};

// Adds `event` to the active session's log, when it keeps one.
void logServiceEvent(ServiceEvent event);

// `answer`, the kind answer of `service`, or what the active session's value hook makes of it.
int32_t hookedAnswer(HostService service, int32_t answer);

// The session the host services and the platform's calls act on; null while no plug-in is
// driven.
extern HostSession* activeHost;

// Forgets the calls, saves, layout updates, log and violations recorded so far, and what the
// strict host remembered; the score stays.
void clearRunRecord(HostSession& session);

// Adds the violation of a call of `service` that passed another version than the host's.
void reportWrongVersion(HostService service, uint32_t version);

// Counts one call of `service` on the active session and checks the version it passed: any
// other is a violation. Inline: every host call starts here.
inline void countHostCall(HostService service, uint32_t version) {
    if (activeHost == nullptr)
        return;
    ++activeHost->calls[service];
    if (version != 0x5000005)
        reportWrongVersion(service, version);
}

// The services called at least once, by name, with their counts.
std::map<std::string, long> hostCallCounts(const HostSession& session);

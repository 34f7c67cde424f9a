#include "session/host_session.h"

#include <cstdio>

HostSession* activeHost = nullptr;

static const char* const serviceNames[hostServiceCount] = {
    "FX_LoadEData",         "FX_SaveEData",     "FX_SlotToInst",    "FX_InstToSlot",
    "FX_ParseCaretCommand", "FX_UpdateLayout",  "FX_Dialog",        "FX_EndDialog",
    "FX_EnableDlgItem",     "FX_GetDlgItemVal", "FX_SetDlgItemVal", "FX_GetDlgItemUser",
    "FX_SetDlgItemUser",    "FX_SetDlgString",  "FX_SetDlgFocus",
};

const char* hostServiceName(HostService service) {
    return serviceNames[service];
}

void clearRunRecord(HostSession& session) {
    for (long& count : session.calls)
        count = 0;
    session.saves.clear();
    session.layoutUpdates = 0;
    session.wrongVersionCalls = 0;
    session.log.clear();
    session.violations.clear();
    session.contract = ContractMemory();
}

void logServiceEvent(ServiceEvent event) {
    if (activeHost != nullptr && activeHost->keepLog)
        activeHost->log.push_back(std::move(event));
}

void reportWrongVersion(HostService service, uint32_t version) {
    ++activeHost->wrongVersionCalls;
    char text[96];
    std::snprintf(text, sizeof text, "%s: version 0x%X, not 0x5000005", serviceNames[service],
                  version);
    activeHost->violations.push_back(text);
}

std::map<std::string, long> hostCallCounts(const HostSession& session) {
    std::map<std::string, long> counts;
    for (int i = 0; i < hostServiceCount; ++i)
        if (session.calls[i] != 0)
            counts[serviceNames[i]] = session.calls[i];
    return counts;
}

int32_t hookedAnswer(HostService service, int32_t answer) {
    if (activeHost != nullptr && activeHost->answers.value)
        return activeHost->answers.value(service, answer);
    return answer;
}

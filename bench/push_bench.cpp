// The push on synthetic scores of growing size, in the substitute host: time and host calls
// per push.
#include "host/state.h"
#include "push/push.h"
#include "session/host_session.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

const uint32_t tagSystem = 0x534F5353; // "SOSS"
const uint32_t tagEntry = 0x534F4975;  // "SOIu"

void addEntry(HostSession& session, int16_t list, uint16_t increment, uint16_t staff) {
    std::vector<uint8_t> bytes(24, 0);
    bytes[0] = static_cast<uint8_t>(staff);
    bytes[1] = static_cast<uint8_t>(staff >> 8);
    putRecord(session.store, RecordId{tagEntry, list, increment}, bytes);
}

// A global staff list of `staves` staves and `systems` optimized systems holding them all.
void buildScore(HostSession& session, int systems, int staves) {
    for (int k = 0; k < staves; ++k)
        addEntry(session, 0, static_cast<uint16_t>(k), static_cast<uint16_t>(k + 1));
    for (int n = 1; n <= systems; ++n) {
        std::vector<uint8_t> system(20, 0);
        system[19] = 0x40;
        putRecord(session.store, RecordId{tagSystem, static_cast<int16_t>(n), 0}, system);
        for (int k = 0; k < staves; ++k)
            addEntry(session, static_cast<int16_t>(n), static_cast<uint16_t>(k),
                     static_cast<uint16_t>(k + 1));
    }
}

void selectFirst(int count) {
    allocateSelection(pluginState, static_cast<int16_t>(count));
    for (int i = 0; i < count; ++i)
        pluginState.selectedItems[i] = i;
    pluginState.selectedCount = static_cast<int16_t>(count);
}

// Runs the push once per iteration on the active session and reports the host calls one push
// makes.
void runPushes(benchmark::State& state, HostSession& session) {
    long calls = 0;
    long saves = 0;
    for (auto _ : state) {
        clearRunRecord(session);
        performPush();
        calls = 0;
        for (long count : session.calls)
            calls += count;
        saves = session.calls[serviceSaveEData];
    }
    releaseSelection(pluginState);
    activeHost = nullptr;
    state.counters["hostCalls"] = static_cast<double>(calls);
    state.counters["saves"] = static_cast<double>(saves);
}

// Scope 1 over every system of 60 staves, 59 of them selected, smart filter on.
void BM_PushOptimizedSystems(benchmark::State& state) {
    const int systems = static_cast<int>(state.range(0));
    HostSession session;
    buildScore(session, systems, 60);
    pluginState = PluginState{};
    pluginState.pushDistance = 1;
    pluginState.scope = 1;
    pluginState.smartFilter = 1;
    pluginState.firstSystem = 1;
    pluginState.lastSystem = static_cast<int16_t>(systems);
    activeHost = &session; // the selection lives on the session's heap
    selectFirst(59);
    runPushes(state, session);
}
BENCHMARK(BM_PushOptimizedSystems)
    ->Arg(10)
    ->Arg(50)
    ->Arg(100)
    ->Arg(500)
    ->Unit(benchmark::kMillisecond);

// Scope 2 on a global staff list, every staff selected.
void BM_PushGlobalList(benchmark::State& state) {
    const int staves = static_cast<int>(state.range(0));
    HostSession session;
    buildScore(session, 0, staves);
    pluginState = PluginState{};
    pluginState.pushDistance = -1;
    pluginState.scope = 2;
    activeHost = &session;
    selectFirst(staves);
    runPushes(state, session);
}
BENCHMARK(BM_PushGlobalList)->Arg(100)->Arg(300)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

// The substitute host's process heap behind HeapAlloc and HeapFree of the platform stand-in: the
// plug-in's own allocations, counted, checked and made to fail on request.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct PluginHeap {
    std::map<const void*, size_t> blocks; // every block handed out and not yet freed
    long allocations = 0;                 // HeapAlloc calls so far
    bool failEvery = false;               // every allocation fails, as a heap without room
    long failAt = 0;                      // only allocation number failAt (from 1) fails; 0: none
    std::function<bool(size_t bytes)> fails; // when set, asked of each allocation: true fails it
    std::vector<std::string> misuses; // frees of what the heap never handed out, and the like
};

// The heap of this run of the host.
extern PluginHeap pluginHeap;

// The largest block the heap hands out: a 32-bit process has no room for much more.
constexpr size_t largestHeapBlock = size_t{64} << 20;

// The byte a new block holds where the plug-in has not written (unless it asked for zeros).
constexpr uint8_t unwrittenHeapByte = 0xBE;

// The block of the plug-in's that holds `address`, its start and size; false when none does.
bool findHeapBlock(const void* address, const uint8_t*& start, size_t& size);

// Frees what is left and forgets the counts, failures and misuses.
void resetPluginHeap();

// The blocks handed out and not freed, with their sizes, for a report of what leaked.
std::string describeHeapBlocks(const PluginHeap& heap);

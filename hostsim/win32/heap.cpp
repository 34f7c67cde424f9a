#include "win32/heap.h"

#include "platform/platform.h"

#include <cstdlib>
#include <cstring>

PluginHeap pluginHeap;

// The one heap's handle: any value will do as long as the plug-in passes it back.
static char processHeap;

void resetPluginHeap() {
    for (const auto& block : pluginHeap.blocks)
        std::free(const_cast<void*>(block.first));
    pluginHeap = PluginHeap();
}

bool findHeapBlock(const void* address, const uint8_t*& start, size_t& size) {
    auto after = pluginHeap.blocks.upper_bound(address);
    if (after == pluginHeap.blocks.begin())
        return false;
    --after;
    start = static_cast<const uint8_t*>(after->first);
    size = after->second;
    auto at = reinterpret_cast<uintptr_t>(address);
    auto low = reinterpret_cast<uintptr_t>(start);
    return at >= low && at < low + size;
}

std::string describeHeapBlocks(const PluginHeap& heap) {
    std::string text;
    for (const auto& block : heap.blocks)
        text += (text.empty() ? "" : ", ") + std::to_string(block.second) + " bytes";
    return text;
}

extern "C" {

HANDLE GetProcessHeap() {
    return &processHeap;
}

LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
    long number = ++pluginHeap.allocations;
    // HEAP_ZERO_MEMORY alone: HEAP_NO_SERIALIZE would race the host's other threads on the
    // process heap, HEAP_GENERATE_EXCEPTIONS would throw through the host
    if ((flags & ~DWORD{HEAP_ZERO_MEMORY}) != 0)
        pluginHeap.misuses.push_back("HeapAlloc with flags " + std::to_string(flags) +
                                     " on the process heap");
    if (heap != &processHeap) {
        pluginHeap.misuses.push_back("HeapAlloc on a heap handle the host never gave");
        return nullptr;
    }
    // the hook is asked of every allocation, also of one that fails for another reason
    bool hooked = pluginHeap.fails && pluginHeap.fails(bytes);
    if (pluginHeap.failEvery || number == pluginHeap.failAt || bytes > largestHeapBlock || hooked)
        return nullptr;
    // at least one byte, so that every block has an address of its own
    void* block = std::malloc(bytes > 0 ? bytes : 1);
    if (block == nullptr)
        return nullptr;
    // what the plug-in has not written reads as this, never as a convenient zero
    std::memset(block, (flags & HEAP_ZERO_MEMORY) != 0 ? 0 : unwrittenHeapByte,
                bytes > 0 ? bytes : 1);
    pluginHeap.blocks[block] = bytes;
    return block;
}

BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID block) {
    if (flags != 0)
        pluginHeap.misuses.push_back("HeapFree with flags " + std::to_string(flags) +
                                     " on the process heap");
    if (heap != &processHeap) {
        pluginHeap.misuses.push_back("HeapFree on a heap handle the host never gave");
        return FALSE;
    }
    auto found = pluginHeap.blocks.find(block);
    if (found == pluginHeap.blocks.end()) {
        // freeing it would corrupt the host's own memory: refused and noted
        pluginHeap.misuses.push_back(block == nullptr ? "HeapFree of a null block"
                                                      : "HeapFree of a block the heap did not "
                                                        "hand out, or freed twice");
        return FALSE;
    }
    std::free(block);
    pluginHeap.blocks.erase(found);
    return TRUE;
}
}

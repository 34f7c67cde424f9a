#include "headless/heap.h"

#include "platform/platform.h"
#include "session/host_session.h"

#include <cstring>
#include <new>

// The one heap's handle: any value will do as long as the plug-in passes it back. Never written.
static const char processHeap = 0;

static HANDLE processHeapHandle() {
    return const_cast<char*>(&processHeap);
}

extern "C" {

HANDLE GetProcessHeap() {
    return processHeapHandle();
}

LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
    if (activeHost == nullptr) // no session, no heap
        return nullptr;
    PluginHeap& pluginHeap = activeHost->heap;
    long number = ++pluginHeap.allocations;
    // HEAP_ZERO_MEMORY alone: HEAP_NO_SERIALIZE would race the host's other threads on the
    // process heap, HEAP_GENERATE_EXCEPTIONS would throw through the host
    if ((flags & ~DWORD{HEAP_ZERO_MEMORY}) != 0)
        pluginHeap.misuses.push_back("HeapAlloc with flags " + std::to_string(flags) +
                                     " on the process heap");
    if (heap != processHeapHandle()) {
        pluginHeap.misuses.push_back("HeapAlloc on a heap handle the host never gave");
        return nullptr;
    }
    // the hook is asked of every allocation, also of one that fails for another reason
    bool hooked = pluginHeap.fails && pluginHeap.fails(bytes);
    if (pluginHeap.failEvery || number == pluginHeap.failAt || bytes > largestHeapBlock || hooked)
        return nullptr;
    // at least one byte, so that every block has an address of its own
    HeapBlock block{std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[bytes > 0 ? bytes : 1]),
                    bytes};
    if (block.bytes == nullptr)
        return nullptr;
    // what the plug-in has not written reads as this, never as a convenient zero
    std::memset(block.bytes.get(), (flags & HEAP_ZERO_MEMORY) != 0 ? 0 : unwrittenHeapByte,
                bytes > 0 ? bytes : 1);
    void* address = block.bytes.get();
    pluginHeap.blocks[address] = std::move(block);
    return address;
}

BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID block) {
    if (activeHost == nullptr)
        return FALSE;
    PluginHeap& pluginHeap = activeHost->heap;
    if (flags != 0)
        pluginHeap.misuses.push_back("HeapFree with flags " + std::to_string(flags) +
                                     " on the process heap");
    if (heap != processHeapHandle()) {
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
    pluginHeap.blocks.erase(found);
    return TRUE;
}
}

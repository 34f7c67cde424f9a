#include "win32/heap.h"

#include "platform/platform.h"

#include <cstdlib>

PluginHeap pluginHeap;

// The one heap's handle: any value will do as long as the plug-in passes it back.
static char processHeap;

void resetPluginHeap() {
    for (const auto& block : pluginHeap.blocks)
        std::free(const_cast<void*>(block.first));
    pluginHeap = PluginHeap();
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
    (void)flags;
    long number = ++pluginHeap.allocations;
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
    if (block != nullptr)
        pluginHeap.blocks[block] = bytes;
    return block;
}

BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID block) {
    (void)flags;
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

// The headless platform's process heap behind HeapAlloc and HeapFree of the platform stand-in:
// the plug-in's own allocations, in the active session's heap, counted, checked and made to fail
// on request.
#pragma once

#include <cstddef>
#include <cstdint>

// The largest block the heap hands out: a 32-bit process has no room for much more.
constexpr size_t largestHeapBlock = size_t{64} << 20;

// The byte a new block holds where the plug-in has not written (unless it asked for zeros).
constexpr uint8_t unwrittenHeapByte = 0xBE;

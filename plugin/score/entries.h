// The instrument list's entries: one display text per entry of the global staff list, in its
// order, so that list position p stands for the global staff list entry (0, p).
#pragma once

#include "platform/platform.h"

#include <cstddef>
#include <cstdint>

// An entry text's buffer: at most 99 characters and the terminating zero.
constexpr size_t entryTextSize = 100;
// Appended to the name of a hidden staff.
constexpr const char* hiddenSuffix = " (hidden)";

// The host's caret-command parser, FX_ParseCaretCommand, or a stand-in with its contract.
typedef const char*(LUMBREL_CDECL* CaretParser)(const char* text, int32_t* value, int32_t zero,
                                                void* area, uint32_t version);

// Writes "[Staff N]" with the staff number, unsigned, into `text`.
void writeFallbackEntryText(uint16_t staffNumber, char text[entryTextSize]);

// The position behind the caret commands at the start of text..end: `parse` is handed the start,
// then each position it returns that holds a "^". Skipping ends, at the last position taken, as
// soon as a returned position lies outside the text or does not advance.
const char* skipCaretCommands(const char* text, const char* end, CaretParser parse);

// Writes the entry text of a named staff from its text block: the name without the caret
// commands at its start (FX_ParseCaretCommand), cut so that it and, when `hidden`, " (hidden)"
// fit in 99 characters. `block` holds `size` bytes followed by one zero byte; the name ends at
// its first zero byte or at `size`.
void writeNamedEntryText(const char* block, uint32_t size, bool hidden, char text[entryTextSize]);

// Loads text block `number` into a buffer of the size the host reports plus one zero byte, and
// leaves that size in `size`. Null when the block does not exist or the buffer can't be had;
// otherwise the caller frees it with releaseTextBlock.
char* loadTextBlock(int16_t number, uint32_t& size);

// Frees a buffer that loadTextBlock gave; null is allowed.
void releaseTextBlock(char* block);

// Writes the entry text of staff `staffNumber`: its name from the score when it has one, with
// " (hidden)" for a hidden staff; "[Staff N]" when a record on the way is missing, the name
// text or text block number is 0 or less, or the block can't be loaded.
void writeStaffEntryText(uint16_t staffNumber, char text[entryTextSize]);

// Appends one entry per global staff list entry to list box `item`, walking the list from
// increment 0, one increment at a time, until a load fails, the host answers with another key
// than the one asked (another list, or a later increment past a missing one), or 32767 entries
// are listed (the most a signed 16-bit count holds). So entry p stands for the global entry
// (0, p). Returns the number appended.
int16_t fillInstrumentList(HWND dialog, int16_t item);

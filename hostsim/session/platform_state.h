// What the platform the plug-in runs on holds for one session: the desktop (the host's window,
// the plug-in's dialog, its message boxes and where their pictures go), and the registry and
// heap of the headless platform. lumbrel-winhost's plug-in uses Wine's own registry and heap, and
// leaves those two empty.
#pragma once

#include "host/services.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

// A message box the plug-in showed, and how the user answered it.
struct MessageEvent {
    std::string owner; // "host", "dialog", or "other"
    std::string caption;
    std::string text;
    uint32_t style = 0;
    std::string answer; // "ok", "yes" or "no"
};

// A file the platform made of what it showed (lumbrel-winhost's pictures of the dialog and the
// message boxes), written with the command's other outputs once the scenario has played.
struct PlatformFile {
    std::string path;
    std::string bytes;
};

struct Desktop {
    HWND hostWindow = nullptr;           // the host's main window, handed to FinaleExtensionInvoke
    HWND dialog = nullptr;               // the plug-in's dialog while it is open
    bool dialogEnded = false;            // FX_EndDialog has ended the open dialog
    DialogProcedure procedure = nullptr; // the open dialog's procedure
    void* pluginModule = nullptr;        // the module whose resources hold the dialog (Win32)
    std::vector<MessageEvent> messages;  // the message boxes of the invocation, in order
    std::deque<std::string> answers;     // "yes"/"no" for each question box in turn; then "no"
    bool snapshots = true; // whether playing an invocation records the dialog's snapshots
    // Called once the dialog is initialised; the user acts here. When it returns and the dialog
    // is still open, the host presses Escape. Null: a person works the dialog, and the host
    // neither acts nor presses anything.
    std::function<void(HWND dialog)> onOpened;
    // Called by FX_EndDialog before the dialog goes away.
    std::function<void(HWND dialog)> onEnded;
    std::string failure; // why the platform could not show the dialog; empty when it could
    // Pictures of what was shown (lumbrel-winhost run --png and --message-png): where the first
    // dialog goes (cleared once it is taken), the pattern of the message boxes' files ("%d"
    // becomes the box's number, from 1), the boxes taken so far, the files made, and what kept a
    // picture from being taken.
    std::string dialogPicturePath;
    std::string messagePicturePattern;
    int messagePictures = 0;
    std::vector<PlatformFile> pictures;
    std::string pictureFailure;
    // lumbrel-winhost's message boxes: those seen so far, and the one activated and yet to be
    // answered
    std::set<HWND> boxesSeen;
    HWND pendingBox = nullptr;
};

// Where the plug-in keeps its settings, under HKEY_CURRENT_USER: the host's own knowledge of it,
// so that a plug-in that wrote elsewhere would show in the transcript.
constexpr const char* pluginSettingsKey = "Software\\OrvanePlugins\\OrvaneLumbrel101";
constexpr const char* pluginSettingsValue = "UserDialog";

struct RegistryValue {
    uint32_t type;
    std::vector<uint8_t> data;
};

// A value the plug-in asked RegSetValueExA to write, whether or not it was written.
struct RegistryWrite {
    std::string keyPath; // as the key was opened, lowercased
    std::string name;
    uint32_t type;
    std::vector<uint8_t> data;
};

// The headless platform's registry, in memory.
struct Registry {
    // key path under HKEY_CURRENT_USER, lowercased -> value name, lowercased -> value
    std::map<std::string, std::map<std::string, RegistryValue>> keys;
    std::map<uintptr_t, std::string> openKeys; // handle -> key path
    uintptr_t nextHandle = 0x1000;
    // registry calls that fail, by name ("RegOpenKeyExA", ...), as in a locked-down profile
    std::set<std::string> failingCalls;
    std::function<bool(const char* call)> fails; // when set, asked of each call: true fails it
    std::vector<RegistryWrite> writes;           // every RegSetValueExA, in order
};

// A block of the heap: its bytes and the size the plug-in asked for (its bytes hold at least one,
// so that every block has an address of its own).
struct HeapBlock {
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
};

// The headless platform's process heap: the plug-in's own allocations, counted, checked and made
// to fail on request. Its blocks are freed with it.
struct PluginHeap {
    std::map<const void*, HeapBlock> blocks; // every block handed out and not yet freed
    long allocations = 0;                    // HeapAlloc calls so far
    bool failEvery = false;                  // every allocation fails, as a heap without room
    long failAt = 0; // only allocation number failAt (from 1) fails; 0: none
    std::function<bool(size_t bytes)> fails; // when set, asked of each allocation: true fails it
    std::vector<std::string> misuses; // frees of what the heap never handed out, and the like
};

// The value `name` under HKEY_CURRENT_USER\keyPath, or null when there is none.
const RegistryValue* findRegistryValue(const Registry& registry, const std::string& keyPath,
                                       const std::string& name);

// Creates the key as needed and sets the value.
void setRegistryValue(Registry& registry, const std::string& keyPath, const std::string& name,
                      RegistryValue value);

// A registry name as the registry compares it: lowercased.
std::string foldedRegistryName(const char* text);

// The block of `heap` that holds `address`, its start and size; false when none does.
bool findHeapBlock(const PluginHeap& heap, const void* address, const uint8_t*& start,
                   size_t& size);

// The blocks handed out and not freed, with their sizes, for a report of what leaked.
std::string describeHeapBlocks(const PluginHeap& heap);

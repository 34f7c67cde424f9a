#include "session/platform_state.h"

#include <algorithm>
#include <cctype>

std::string foldedRegistryName(const char* text) {
    std::string result = text != nullptr ? text : "";
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

const RegistryValue* findRegistryValue(const Registry& registry, const std::string& keyPath,
                                       const std::string& name) {
    auto key = registry.keys.find(foldedRegistryName(keyPath.c_str()));
    if (key == registry.keys.end())
        return nullptr;
    auto value = key->second.find(foldedRegistryName(name.c_str()));
    return value == key->second.end() ? nullptr : &value->second;
}

void setRegistryValue(Registry& registry, const std::string& keyPath, const std::string& name,
                      RegistryValue value) {
    registry.keys[foldedRegistryName(keyPath.c_str())][foldedRegistryName(name.c_str())] =
        std::move(value);
}

bool findHeapBlock(const PluginHeap& heap, const void* address, const uint8_t*& start,
                   size_t& size) {
    auto after = heap.blocks.upper_bound(address);
    if (after == heap.blocks.begin())
        return false;
    --after;
    start = static_cast<const uint8_t*>(after->first);
    size = after->second.size;
    auto at = reinterpret_cast<uintptr_t>(address);
    auto low = reinterpret_cast<uintptr_t>(start);
    return at >= low && at < low + size;
}

std::string describeHeapBlocks(const PluginHeap& heap) {
    std::string text;
    for (const auto& block : heap.blocks)
        text += (text.empty() ? "" : ", ") + std::to_string(block.second.size) + " bytes";
    return text;
}

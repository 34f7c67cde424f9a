// Reading the host's JSON input files (scores, scenarios): faults are reported once, as
// "FILE: PLACE: REASON", PLACE being the JSON pointer of the offending value.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// The file being read and the message of its first fault.
struct JsonInput {
    std::string file;
    std::string error;
};

// Records the fault at `place` (a JSON pointer) and returns false.
bool failAt(JsonInput& in, const std::string& place, const std::string& reason);

// The JSON pointer of member `key` of the object at `place`, and of element `index` of an array.
std::string memberPlace(const std::string& place, const std::string& key);
std::string elementPlace(const std::string& place, size_t index);

// The member `key` of `object`, or null when it has none.
const nlohmann::json* findField(const nlohmann::json& object, const char* key);

// False, with a fault at `place`, unless `value` is an object (an array).
bool requireObject(JsonInput& in, const nlohmann::json& value, const std::string& place);
bool requireArray(JsonInput& in, const nlohmann::json& value, const std::string& place);

// False, naming the first member of `object` that is not one of `known`.
bool checkFields(JsonInput& in, const nlohmann::json& object, const std::string& place,
                 std::initializer_list<const char*> known);

// Reads a whole number from `low` to `high`; a number written with a fraction part of zero
// counts.
bool readWhole(JsonInput& in, const nlohmann::json& value, const std::string& place, int64_t low,
               int64_t high, int64_t& result);

// Reads a boolean into `result`.
bool readBool(JsonInput& in, const nlohmann::json& value, const std::string& place, bool& result);

// Reads a string of hex digit pairs into `bytes`.
bool readHex(JsonInput& in, const nlohmann::json& value, const std::string& place,
             std::vector<uint8_t>& bytes);

// Reads and parses the JSON file at `path`. False when it can't be read ("PATH: cannot read:
// REASON", also for what is not a regular file or holds more than 256 MiB) or is not JSON
// ("PATH: line L, column C: REASON", also for a number too large for a double).
bool readJsonFile(const std::string& path, nlohmann::json& value, std::string& error);

// Parses `text`, read from `path`, as readJsonFile does.
bool parseJsonText(const std::string& text, const std::string& path, nlohmann::json& value,
                   std::string& error);

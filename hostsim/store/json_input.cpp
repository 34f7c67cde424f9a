#include "store/json_input.h"

#include "store/record_store.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

using nlohmann::json;

// Records the fault at `place` (a JSON pointer) and returns false.
bool failAt(JsonInput& in, const std::string& place, const std::string& reason) {
    in.error = in.file + ": " + (place.empty() ? std::string("top level") : place) + ": " + reason;
    return false;
}

// The JSON pointer of member `key` of the object at `place`.
std::string memberPlace(const std::string& place, const std::string& key) {
    std::string pointer = place + "/";
    for (char c : key) {
        if (c == '~')
            pointer += "~0";
        else if (c == '/')
            pointer += "~1";
        else
            pointer += c;
    }
    return pointer;
}

// The JSON pointer of element `index` of the array at `place`.
std::string elementPlace(const std::string& place, size_t index) {
    return place + "/" + std::to_string(index);
}

// The member `key` of `object`, or null when it has none.
const json* findField(const json& object, const char* key) {
    auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

// False, with a fault at `place`, unless `value` is an object (requireArray: an array).
bool requireObject(JsonInput& in, const json& value, const std::string& place) {
    return value.is_object() || failAt(in, place, "expected an object");
}

bool requireArray(JsonInput& in, const json& value, const std::string& place) {
    return value.is_array() || failAt(in, place, "expected an array");
}

// False, naming the first member of `object` that is not one of `known`.
bool checkFields(JsonInput& in, const json& object, const std::string& place,
                 std::initializer_list<const char*> known) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool isKnown = false;
        for (const char* name : known)
            isKnown = isKnown || it.key() == name;
        if (isKnown)
            continue;
        std::string list;
        for (const char* name : known)
            list += (list.empty() ? "" : ", ") + std::string(name);
        return failAt(in, memberPlace(place, it.key()),
                      "unknown field (known fields: " + list + ")");
    }
    return true;
}

// Reads a whole number from `low` to `high`; a number written with a fraction part of zero counts.
bool readWhole(JsonInput& in, const json& value, const std::string& place, int64_t low,
               int64_t high, int64_t& result) {
    bool fits = false;
    if (value.is_number_unsigned()) {
        auto number = value.get<uint64_t>();
        result = static_cast<int64_t>(number);
        fits = number <= static_cast<uint64_t>(high) && result >= low;
    } else if (value.is_number_integer()) {
        result = value.get<int64_t>();
        fits = result >= low && result <= high;
    } else if (value.is_number_float()) {
        auto number = value.get<double>();
        fits = std::floor(number) == number && number >= static_cast<double>(low) &&
               number <= static_cast<double>(high);
        if (fits)
            result = static_cast<int64_t>(number);
    }
    return fits || failAt(in, place,
                          "expected a whole number from " + std::to_string(low) + " to " +
                              std::to_string(high));
}

// Reads a boolean into `result`.
bool readBool(JsonInput& in, const json& value, const std::string& place, bool& result) {
    if (!value.is_boolean())
        return failAt(in, place, "expected true or false");
    result = value.get<bool>();
    return true;
}

// Reads a string of hex digit pairs into `bytes`.
bool readHex(JsonInput& in, const json& value, const std::string& place,
             std::vector<uint8_t>& bytes) {
    if (!value.is_string())
        return failAt(in, place, "expected a string of hex digits");
    const auto& text = value.get_ref<const std::string&>();
    if (text.size() % 2 != 0)
        return failAt(in, place,
                      "expected an even number of hex digits, got " + std::to_string(text.size()));
    if (!parseHex(text, bytes))
        return failAt(in, place, "expected only hex digits (0-9, a-f)");
    return true;
}

// The largest input file the host reads: far beyond any score, short of exhausting memory.
constexpr size_t largestInputFile = size_t{256} << 20;

// Reads the whole file into `text`; false with the system's reason otherwise. Only a regular
// file is read: a device or a pipe could go on for ever.
static bool readFile(const std::string& path, std::string& text, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = path + ": cannot read: " + std::strerror(errno);
        return false;
    }
    struct stat status;
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) {
        std::fclose(file);
        error = path + ": cannot read: not a regular file";
        return false;
    }
    char buffer[65536];
    size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0 &&
           text.size() <= largestInputFile)
        text.append(buffer, count);
    int code = errno;
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        error = path + ": cannot read: " + std::strerror(code);
        return false;
    }
    if (text.size() > largestInputFile) {
        error =
            path + ": cannot read: larger than " + std::to_string(largestInputFile >> 20) + " MiB";
        return false;
    }
    return true;
}

// "line L, column C: " for the byte at `offset` of `text`, L and C counted from 1.
static std::string describePlace(const std::string& text, size_t offset) {
    if (offset > text.size())
        offset = text.size();
    size_t line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(offset - lineStart + 1) +
           ": ";
}

// "line L, column C: REASON" for a parse error, at the byte where the parser stopped, REASON
// being the parser's own words without its prefixes.
static std::string describeParseError(const std::string& text, const json::parse_error& e) {
    std::string reason = e.what();
    // "[json.exception.parse_error.101] parse error at line 1, column 2: syntax error while
    // parsing value - invalid literal; last read: 'x'": keep what follows the dash
    size_t start = reason.find("column ");
    start = start == std::string::npos ? std::string::npos : reason.find(": ", start);
    if (start != std::string::npos)
        reason.erase(0, start + 2);
    if (reason.rfind("syntax error while parsing ", 0) == 0) {
        size_t dash = reason.find(" - ");
        if (dash != std::string::npos)
            reason.erase(0, dash + 3);
    }
    return describePlace(text, e.byte > 0 ? e.byte - 1 : 0) + reason;
}

namespace {

// Reads the text again, building nothing, to find where the parser gave up on a value it could
// not hold (a number too large for a double), which its exception does not say.
struct FaultFinder : nlohmann::json_sax<json> {
    size_t offset = 0; // the first byte of the value
    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return true; }
    bool key(string_t&) override { return true; }
    bool end_object() override { return true; }
    bool start_array(std::size_t) override { return true; }
    bool end_array() override { return true; }
    bool parse_error(std::size_t position, const std::string& token,
                     const nlohmann::detail::exception&) override {
        // the parser has read the whole value: it starts its length before
        offset = position >= token.size() ? position - token.size() : 0;
        return false;
    }
};

} // namespace

bool parseJsonText(const std::string& text, const std::string& path, json& value,
                   std::string& error) {
    try {
        value = json::parse(text);
    } catch (const json::parse_error& e) {
        error = path + ": " + describeParseError(text, e);
        return false;
    } catch (const json::exception& e) {
        // a number too large for a double, for one: the parser's words without its prefix, at
        // the value's first character
        std::string reason = e.what();
        size_t prefix = reason.find("] ");
        FaultFinder finder;
        json::sax_parse(text, &finder);
        error = path + ": " + describePlace(text, finder.offset) +
                (prefix == std::string::npos ? reason : reason.substr(prefix + 2));
        return false;
    }
    return true;
}

bool readJsonFile(const std::string& path, json& value, std::string& error) {
    std::string text;
    return readFile(path, text, error) && parseJsonText(text, path, value, error);
}

#include "services/dialog_units.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>

double evpusPerUnit(int32_t unit) {
    switch (unit) {
    case 2:
        return 288.0;
    case 3:
        return 288.0 / 2.54;
    case 4:
        return 4.0;
    case 5:
        return 48.0;
    case 6:
        return 24.0;
    default:
        return 1.0;
    }
}

std::string formatUnitValue(double value) {
    int length = std::snprintf(nullptr, 0, "%.5f", value);
    if (length <= 0)
        return "0";
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(&text[0], text.size(), "%.5f", value);
    text.resize(static_cast<size_t>(length));
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.')
            text.pop_back();
    }
    return text == "-0" ? "0" : text;
}

std::string unitFieldText(double evpus, int32_t unit) {
    return formatUnitValue(evpus / evpusPerUnit(unit));
}

bool readUnitField(const std::string& text, int32_t unit, double& evpus) {
    double shown = 0;
    if (!parseUnitValue(text, shown))
        return false;
    evpus = shown * evpusPerUnit(unit);
    return true;
}

static bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// The number part of `text`, without its blanks: [begin, end). False when only blanks remain.
static bool trimBlanks(const std::string& text, size_t& begin, size_t& end) {
    begin = 0;
    end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return begin < end;
}

bool parseUnitValue(const std::string& text, double& value) {
    size_t begin = 0, end = 0;
    if (!trimBlanks(text, begin, end))
        return false;
    bool negative = text[begin] == '-';
    if (text[begin] == '-' || text[begin] == '+')
        ++begin;
    size_t digits = 0, points = 0;
    for (size_t i = begin; i < end; ++i) {
        if (text[i] >= '0' && text[i] <= '9')
            ++digits;
        else if (text[i] == '.')
            ++points;
        else
            return false;
    }
    if (digits == 0 || points > 1)
        return false;
    double magnitude = 0;
    // from_chars reads the same whatever the locale's decimal point
    std::from_chars_result read =
        std::from_chars(text.data() + begin, text.data() + end, magnitude);
    if (read.ec != std::errc() || read.ptr != text.data() + end)
        return false;
    value = negative ? -magnitude : magnitude;
    return true;
}

int32_t parseWholeNumber(const std::string& text) {
    size_t begin = 0, end = 0;
    if (!trimBlanks(text, begin, end))
        return 0;
    bool negative = text[begin] == '-';
    if (text[begin] == '-' || text[begin] == '+')
        ++begin;
    if (begin == end)
        return 0;
    const long long limit = negative ? -static_cast<long long>(std::numeric_limits<int32_t>::min())
                                     : std::numeric_limits<int32_t>::max();
    long long magnitude = 0;
    for (size_t i = begin; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return 0;
        if (magnitude < limit)
            magnitude = std::min(magnitude * 10 + (text[i] - '0'), limit);
    }
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

// How the host's dialog services show numbers in edit fields: distances in the document's
// measurement unit, and whole numbers.
#pragma once

#include <cstdint>
#include <string>

// EVPUs in one unit of measurement unit `unit`: 1 EVPUs 1, 2 inches 288, 3 centimeters
// 288/2.54, 4 points 4, 5 picas 48, 6 spaces 24; any other code counts as EVPUs (1).
double evpusPerUnit(int32_t unit);

// `value` as a field shows it: at most 5 decimals, trailing zeros and a trailing point dropped,
// and a negative value that rounds to zero as "0".
std::string formatUnitValue(double value);

// A field's text as a decimal number: optional blanks, an optional sign, digits with an optional
// decimal point (at least one digit), optional blanks. False, with `value` untouched, for any
// other text.
bool parseUnitValue(const std::string& text, double& value);

// A distance of `evpus` EVPUs as a field shows it in measurement unit `unit`.
std::string unitFieldText(double evpus, int32_t unit);

// A field's text, shown in measurement unit `unit`, as EVPUs. False, with `evpus` untouched,
// when the text is not a number.
bool readUnitField(const std::string& text, int32_t unit, double& evpus);

// A field's text as a whole number: optional blanks, an optional sign, digits, optional blanks;
// held at the 32-bit bounds. Any other text reads as 0.
int32_t parseWholeNumber(const std::string& text);

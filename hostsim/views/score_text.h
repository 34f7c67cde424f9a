// `lumbrel-host show`: a score described in plain text for a person.
#pragma once

#include "store/record_store.h"

#include <cstdint>
#include <string>

// The score as `show` prints it: the measurement unit, the systems, the staves with the display
// names the plug-in's instrument list gives them, and every staff list with its entries, as
// aligned plain-text tables ending with a newline. Missing records are described, never fatal.
std::string describeScore(const RecordStore& store);

// The name of staff list `number` as the host's user knows it: "Global staff list",
// "Staff set #k" or "System N".
std::string staffListName(int16_t number);

// The text the plug-in's instrument list shows for `staff`: its name without the caret commands
// at its start, with " (hidden)" for a hidden staff; "[Staff N]" when it has no name.
std::string displayName(const RecordStore& store, uint16_t staff);

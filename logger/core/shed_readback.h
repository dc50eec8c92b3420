#pragma once
// The module's answers to the schedule read-backs taken apart field by field, in the notation the
// Schedule page uses for its texts, so that a check can say how an item differs and not only that
// it does. The file's side goes through the same decoding (from the reply a module holding the
// file's schedule gives), so both values of a field read alike.

#include <string>
#include <string_view>
#include <vector>

#include "common/core/local_time.h"

namespace qx {

// One field of a compared item: its value in the schedule file (or the PC's clock) and in the
// module.
struct CheckField {
    std::string name;    // "start date", "interval", "low limit", "index 3", "clock", ...
    std::string file;    // what the file asks for
    std::string module;  // what the module holds
    bool operator==(const CheckField&) const = default;
};

// A limit field "%c%04i" as a decimal text: "19999" gives "+9999", "E1500" "-1.500"; "" when the
// field is malformed.
std::string LimitFieldText(std::string_view field);

// The fields of an index whose entry reply ("!AACCHHMMDDMMIIII") and limits reply
// ("!AALLLLLHHHHHMMSS") differ from the expected ones. A reply whose fields cannot be read is
// reported whole, as the field "reply".
std::vector<CheckField> IndexDifferences(std::string_view expectedEntry, std::string_view entry,
                                         std::string_view expectedLimits, std::string_view limits);

// The same for the enable reply ("!AARRMM"): the overwrite flag and each index switched on in one
// and off in the other.
std::vector<CheckField> EnableDifferences(std::string_view expected, std::string_view reply);

// "2026-12-06 14:05:09"
std::string ClockText(const LocalTime& t);

}  // namespace qx

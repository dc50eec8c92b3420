#pragma once
// Reading the schedule's texts the way the module's commands need them.

#include <string>
#include <string_view>

namespace qx {

// Two integers separated by `sep`, read as "%d<sep>%d" would: a number that cannot be read is 0
// ("0.0." gives 0 and 0, "1:00" gives 1 and 0, "5" gives 5 and 0, "" gives 0 and 0).
struct NumberPair {
    int first = 0;
    int second = 0;
};
NumberPair ParsePair(std::string_view text, char sep);

// The five-character limit field "%c%04i" for a limit text: a flag digit (4 x decimals + sign
// code, upper-case hex) and a four-digit magnitude. "+9999" gives "19999", "-1.5" "E1500".
std::string EncodeLimit(std::string_view text);

}  // namespace qx

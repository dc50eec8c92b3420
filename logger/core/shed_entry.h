#pragma once
// One index of the module's logging schedule, as the Schedule page edits it. The texts are kept
// exactly as typed; they are interpreted only when the schedule travels to the module.

#include <string>

namespace qx {

struct ShedEntry {
    bool active = false;
    int quantity = 0;           // quantity code; -1 when nothing is selected
    int range = 0;              // range code; -1 when nothing is selected
    int input = 0;              // input code; -1 when nothing is selected
    std::string date;           // "DD.MM", "0.0." starts at once
    std::string time;           // "HH:MM", "0:0" starts at once
    std::string interval;       // "MM:SS", "0:0" full speed
    std::string high;           // decimal number, "+9999" switches the limit off
    std::string low;            // decimal number, "-9999" switches the limit off
    std::string limitInterval;  // "MM:SS" while a limit is exceeded

    bool operator==(const ShedEntry&) const = default;
};

}  // namespace qx

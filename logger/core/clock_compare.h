#pragma once
// Judging the module's clock from its reply to the read-clock command.

#include <optional>
#include <string_view>

#include "common/core/local_time.h"

namespace qx {

// True when the reply "!AAHHMMSSDDMMYY" from the module at `addr` shows a clock at most
// `toleranceS` seconds away from `now`. Date and time are compared together, so a clock a few
// seconds behind across midnight agrees, and one that shows the right time of day on the wrong
// date does not. A reply whose fields cannot be read disagrees.
bool ClockReplyAgrees(std::string_view reply, int addr, const LocalTime& now, int toleranceS);

// The module's date and time in that reply, the year in the century of `now`; nothing when the
// fields cannot be read or are no date and time.
std::optional<LocalTime> ClockFromReply(std::string_view reply, const LocalTime& now);

// Seconds by which `module` is ahead of `pc` (negative when it is behind).
long long ClockOffsetS(const LocalTime& module, const LocalTime& pc);

}  // namespace qx

#pragma once
// The PC's local date and time, for the schedule send and check.

#include "logger/core/local_time.h"

namespace qx {

LocalTime LocalNow();

}  // namespace qx

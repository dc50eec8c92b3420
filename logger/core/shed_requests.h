#pragma once
// The schedule commands built from the schedule table, and the replies a module that holds the
// same schedule gives to the read-back commands.

#include <functional>
#include <string>
#include <string_view>

#include "common/core/local_time.h"
#include "logger/core/schedule.h"

namespace qx {

// The configuration byte for quantity, range and input codes (the catalogue's encoding, which
// also depends on the instrument and module in use).
using ConfigEncoder = std::function<int(int quantity, int range, int input)>;

int RewriteByte(const Schedule& schedule);  // 80h when the queue is to be overwritten
// Bit k set when index k is active; 0 when all indices are switched off together.
int EnableMask(const Schedule& schedule);

std::string WriteClockRequest(int addr, const LocalTime& now);
std::string WriteEntryRequest(int addr, int index, const ShedEntry& entry, int config);
std::string WriteLimitsRequest(int addr, int index, const ShedEntry& entry);
std::string WriteEnableRequest(int addr, const Schedule& schedule);

std::string ExpectedClockReply(int addr, const LocalTime& now);
std::string ExpectedEntryReply(int addr, const ShedEntry& entry, int config);
std::string ExpectedLimitsReply(int addr, const ShedEntry& entry);
std::string ExpectedEnableReply(int addr, const Schedule& schedule);

// Why the schedule must not go to the module, or "" when it may: a quantity outside the
// catalogue, a configuration byte that does not belong to the entry's quantity, or a date, time or
// interval number outside 0..99, any of which would make a request longer than the module expects.
// The message names the index as the page shows it (1..8) and the field.
std::string ValidateSchedule(const Schedule& schedule, const ConfigEncoder& encode);

// The schedule's reading of the Setup page's address text: a leading "(" is skipped, text that
// is no number gives 0, and the number is not held to 0..254 as the Setup page holds it.
int AddressFromText(std::string_view text);

}  // namespace qx

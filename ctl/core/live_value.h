#pragma once
// One live value as meridoctl prints and publishes it: a text line as the On-line page shows the
// value, a CSV row, or a JSON object (the MQTT payload as well).

#include <chrono>
#include <string>
#include <string_view>

#include "link/core/station.h"

namespace qx::ctl {

struct LiveValue {
    long seq = 0;  // 1, 2, ... in the order taken: a consumer finds gaps and repeats by it
    std::chrono::system_clock::time_point at;
    int address = 0;
    StationRecord station;
};

// ISO 8601 local time with milliseconds and the UTC offset: 2026-12-09T14:03:07.512+01:00.
std::string IsoTime(std::chrono::system_clock::time_point at);
// JSON string literal of UTF-8 text, quotes included.
std::string JsonString(std::string_view text);

// What a configuration byte stands for, decoded with the models the station reports; quantity
// -1 while the byte is unknown or none that an encoding gives.
struct ConfigMeaning {
    int quantity = -1;
    int range = -1;
    std::string unit;
    std::string rangeText;
};
ConfigMeaning MeaningOf(const StationRecord& station);

// English key of a quantity code ("current", ..., "resistance"); "" outside 0..7.
const char* QuantityKey(int quantity);

std::string LiveValueText(const LiveValue& v);
std::string LiveValueCsvHeader();
std::string LiveValueCsv(const LiveValue& v);
// {"seq":..,"time":..,"address":..,"module":..,"instrument":..,"quantity":..,"unit":..,
//  "range":..,"config":..,"value":.. or null,"limit":0|1|2 or null}
std::string LiveValueJson(const LiveValue& v);

}  // namespace qx::ctl

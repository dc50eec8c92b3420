#include "ctl/core/live_value.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "measure/core/catalogue.h"
#include "measure/core/models_in_use.h"
#include "measure/core/station_status.h"
#include "measure/core/text_format.h"

namespace qx::ctl {
namespace {

constexpr const char* kQuantityKeys[kQuantityCount] = {
    "current",      "voltage",   "active_power", "apparent_power",
    "power_factor", "frequency", "temperature",  "resistance"};

bool HasValue(const StationRecord& s) {
    return std::fabs(s.value) < kNoValue;  // NaN fails as well
}

std::string Number(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

}  // namespace

std::string IsoTime(std::chrono::system_clock::time_point at) {
    using namespace std::chrono;
    const std::time_t t = system_clock::to_time_t(at);
    std::tm local{};
    localtime_r(&t, &local);
    const long ms =
        static_cast<long>(duration_cast<milliseconds>(at.time_since_epoch()).count() % 1000);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    const long offset = local.tm_gmtoff / 60;  // minutes east of UTC
    char tail[32];
    std::snprintf(tail, sizeof tail, ".%03ld%c%02ld:%02ld", ms < 0 ? ms + 1000 : ms,
                  offset < 0 ? '-' : '+', std::labs(offset) / 60, std::labs(offset) % 60);
    return std::string(text) + tail;
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04X", u);
            out += esc;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

const char* QuantityKey(int quantity) {
    return quantity >= 0 && quantity < kQuantityCount ? kQuantityKeys[quantity] : "";
}

ConfigMeaning MeaningOf(const StationRecord& s) {
    ConfigMeaning m;
    if (s.config < 0) return m;
    ModelsInUse models;
    AdoptModels(s, &models);
    const ConfigCodes codes = models.DecodeConfig(s.config);
    if (codes.input < 0) return m;  // a byte no encoding gives
    m.quantity = codes.quantity;
    m.range = codes.range;
    m.unit = UnitText(codes.quantity);
    m.rangeText = RangeText(codes.quantity, codes.range, s.instrumentModel);
    return m;
}

std::string LiveValueText(const LiveValue& v) {
    const ConfigMeaning m = MeaningOf(v.station);
    char text[kTextBufferSize];
    ValueText(text, v.station.value, v.station.sign, m.quantity, m.range, m.quantity);
    return IsoTime(v.at) + "  " + std::to_string(v.address) + "  " + text;
}

std::string LiveValueCsvHeader() {
    return "seq,time,address,module,instrument,quantity,unit,range,value,limit";
}

std::string LiveValueCsv(const LiveValue& v) {
    const ConfigMeaning m = MeaningOf(v.station);
    const StationStatus status = StationStatusOf(v.station);
    const bool has = HasValue(v.station);
    return std::to_string(v.seq) + "," + IsoTime(v.at) + "," + std::to_string(v.address) + "," +
           status.moduleText + "," + status.instrumentText + "," + QuantityKey(m.quantity) + "," +
           CsvField(m.unit) + "," + CsvField(m.rangeText) + "," +
           (has ? Number(v.station.value) : "") + "," +
           (has ? std::to_string(LimitFlag(v.station.value)) : "");
}

std::string LiveValueJson(const LiveValue& v) {
    const ConfigMeaning m = MeaningOf(v.station);
    const StationStatus status = StationStatusOf(v.station);
    const bool has = HasValue(v.station);
    auto orNull = [](bool known, const std::string& text) {
        return known ? JsonString(text) : std::string("null");
    };
    const bool known = m.quantity >= 0;
    return "{\"seq\":" + std::to_string(v.seq) + ",\"time\":" + JsonString(IsoTime(v.at)) +
           ",\"address\":" + std::to_string(v.address) +
           ",\"module\":" + JsonString(status.moduleText) +
           ",\"instrument\":" + JsonString(status.instrumentText) +
           ",\"quantity\":" + orNull(known, QuantityKey(m.quantity)) +
           ",\"unit\":" + orNull(known, m.unit) + ",\"range\":" + orNull(known, m.rangeText) +
           ",\"config\":" + (v.station.config >= 0 ? std::to_string(v.station.config) : "null") +
           ",\"value\":" + (has ? Number(v.station.value) : "null") +
           ",\"limit\":" + (has ? std::to_string(LimitFlag(v.station.value)) : "null") + "}";
}

}  // namespace qx::ctl

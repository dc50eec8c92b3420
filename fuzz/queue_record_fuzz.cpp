// Queue records as the download receives them: the fill count reply to @AARF and the record
// reply to @AARQt. Any reply decodes to fields within their ranges, a valid stamp lies on the
// time-stamp scale, and a record built from decoded fields decodes to the same fields again.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "data/core/queue_record.h"
#include "measure/core/text_format.h"

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// The reply a module sends for a record with these fields (the packing of the time bytes).
std::string Reply(const qx::QueueRecord& r) {
    char text[40];
    std::snprintf(text, sizeof text, "!01%02X%02X%04d%02X%02X%02X%02X\r", r.config, r.status,
                  r.digits, ((r.month & 3) << 6) | r.second, ((r.minute & 7) << 5) | r.hour,
                  ((r.minute >> 3) << 5) | r.day, ((r.month >> 2) << 6) | (r.year - 1998));
    return text;
}

bool SameFields(const qx::QueueRecord& a, const qx::QueueRecord& b) {
    return a.config == b.config && a.status == b.status && a.digits == b.digits &&
           a.second == b.second && a.minute == b.minute && a.hour == b.hour && a.day == b.day &&
           a.month == b.month && a.year == b.year && a.signCode == b.signCode &&
           a.pointCode == b.pointCode && a.limitFlag == b.limitFlag && a.value == b.value &&
           a.stamp == b.stamp;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    const int fill = qx::QueueFillCount(reply);
    Check(fill >= 0 && fill <= 0xFFFF, "fill count is two bytes");

    const qx::QueueRecord r = qx::DecodeQueueRecord(reply);
    Check(r.end == (!reply.empty() && reply[0] == '?'), "only ? ends the queue");
    if (r.end) return 0;
    Check(r.config >= 0 && r.config <= 0xFF && r.status >= 0 && r.status <= 0xFF, "bytes");
    Check(r.signCode >= 0 && r.signCode <= 3 && r.pointCode >= 0 && r.pointCode <= 4, "codes");
    Check(r.limitFlag >= 0 && r.limitFlag <= 2, "limit flag");
    Check(r.digits >= -999 && r.digits <= 9999, "four places hold the digits");
    Check(std::isfinite(r.value) && std::fabs(r.value) <= 9999.0, "value within four places");
    if (r.stamp < 0) {
        Check(r.stamp == -1.0, "an invalid record has the invalid stamp");
        return 0;
    }
    // Years after 2028 are held at the scale's end; 2028 itself is still counted.
    Check(r.stamp >= qx::kFirstStamp && r.stamp < qx::kLastStamp + 367 * 86400.0,
          "stamp on the scale");
    Check(r.month >= 1 && r.month <= 12 && r.day >= 1 && r.day <= 31 && r.hour <= 23 &&
              r.minute <= 59 && r.second <= 59 && r.year >= 1998 && r.year <= 1998 + 63,
          "a valid stamp comes from a valid date and time");
    // The same record sent again in the module's own layout decodes the same. Digits with a
    // sign of their own are no module's: they are left out.
    if (r.digits >= 0) {
        const qx::QueueRecord again = qx::DecodeQueueRecord(Reply(r));
        Check(SameFields(r, again), "a record re-encoded decodes to the same fields");
    }
    return 0;
}

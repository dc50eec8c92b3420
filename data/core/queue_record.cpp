#include "data/core/queue_record.h"

#include "link/core/protocol.h"
#include "measure/core/text_format.h"

namespace qx {

int QueueFillCount(std::string_view reply) {
    const int high = HexPairAt(reply, 4);
    const int low = HexPairAt(reply, 6);
    return high < 0 || low < 0 ? 0 : high * 256 + low;
}

QueueRecord DecodeQueueRecord(std::string_view reply) {
    QueueRecord r;
    if (!reply.empty() && reply[0] == '?') {
        r.end = true;
        return r;
    }
    const int config = HexPairAt(reply, 4);
    const int status = HexPairAt(reply, 6);
    const int t1 = HexPairAt(reply, 12);
    const int t2 = HexPairAt(reply, 14);
    const int t3 = HexPairAt(reply, 16);
    const int t4 = HexPairAt(reply, 18);
    if (config < 0 || status < 0 || t1 < 0 || t2 < 0 || t3 < 0 || t4 < 0) return r;
    r.config = config;
    r.status = status;
    r.digits = DecimalAt(reply, 8, 11);

    if ((status & 0x0F) == 0x0F) {
        r.signCode = 0;
        r.pointCode = 4;
    } else {
        r.signCode = status & 3;
        r.pointCode = (status >> 2) & 3;
    }
    const int limitState = (status >> 6) & 3;
    r.limitFlag = limitState == 1 ? 2 : limitState == 2 ? 1 : 0;
    static constexpr double kDivisor[] = {1.0, 10.0, 100.0, 1000.0, 10000.0};
    r.value = (r.signCode == 2 ? -r.digits : r.digits) / kDivisor[r.pointCode];

    r.second = t1 & 0x3F;
    r.hour = t2 & 0x1F;
    r.day = t3 & 0x1F;
    r.minute = (t2 >> 5) + ((t3 >> 5) << 3);
    r.month = (t1 >> 6) + ((t4 >> 6) << 2);
    r.year = 1998 + (t4 & 0x3F);
    r.stamp = EncodeStamp(r.year, r.month, r.day, r.hour, r.minute, r.second, 0);
    return r;
}

}  // namespace qx

#pragma once
// The module's record queue as it comes over the bus: the fill count reply to "@AARF" and one
// record in the reply to "@AARQt".

#include <string_view>

namespace qx {

struct QueueRecord {
    bool end = false;  // the reply began with "?": no further record
    int config = 0;    // configuration byte, quantity code in the high nibble
    int status = 0;    // status byte: sign, decimal point and limit state
    int digits = 0;    // the four decimal digits of the magnitude
    int second = 0, minute = 0, hour = 0, day = 0, month = 0, year = 0;
    int signCode = 0;   // 0 no sign shown, 2 negative, 1 and 3 positive with its sign
    int pointCode = 0;  // decimals: 0 to 3, or 4 when the low nibble of the status is 0xF
    int limitFlag = 0;  // 0 within limits, 1 above the high one, 2 below the low one
    double value = 0.0;
    double stamp = -1.0;  // s; negative for an invalid date or time (the module is asked again)
};

// High byte * 256 + low byte; 0 when the reply does not carry them.
int QueueFillCount(std::string_view reply);

// Decodes one record reply. A reply too short or not hexadecimal where a field stands is taken
// like an invalid date: the stamp stays negative.
QueueRecord DecodeQueueRecord(std::string_view reply);

}  // namespace qx

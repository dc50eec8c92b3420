#include "logger/core/clock_compare.h"

#include <cctype>
#include <cstdlib>

namespace qx {
namespace {

// Days since 1 January 1970 of a proleptic Gregorian date.
long long DaysFromCivil(int y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return static_cast<long long>(era) * 146097 + doe - 719468;
}

// Two decimal digits at 0-based `pos`; -1 when they are not both digits.
int Pair(std::string_view s, std::size_t pos) {
    if (pos + 1 >= s.size()) return -1;
    const auto a = static_cast<unsigned char>(s[pos]);
    const auto b = static_cast<unsigned char>(s[pos + 1]);
    if (!std::isdigit(a) || !std::isdigit(b)) return -1;
    return (a - '0') * 10 + (b - '0');
}

long long Seconds(int year, int month, int day, int hour, int minute, int second) {
    return DaysFromCivil(year, month, day) * 86400LL + hour * 3600LL + minute * 60LL + second;
}

}  // namespace

bool ClockReplyAgrees(std::string_view reply, int addr, const LocalTime& now, int toleranceS) {
    (void)addr;  // which module answered is the link's business; only the fields count here
    int f[6];
    for (int k = 0; k < 6; ++k) {
        f[k] = Pair(reply, 3 + 2 * k);
        if (f[k] < 0) return false;
    }
    const int hour = f[0], minute = f[1], second = f[2], day = f[3], month = f[4];
    if (hour > 23 || minute > 59 || second > 59 || month < 1 || month > 12 || day < 1 || day > 31) {
        return false;
    }
    // The module keeps a two-digit year; it shares the PC's century.
    const int year = now.year - now.year % 100 + f[5];
    const long long module = Seconds(year, month, day, hour, minute, second);
    const long long pc = Seconds(now.year, now.month, now.day, now.hour, now.minute, now.second);
    return std::llabs(module - pc) <= toleranceS;
}

}  // namespace qx

#include "measure/core/text_format.h"

#include <cmath>
#include <cstring>

#include "measure/core/catalogue.h"

namespace qx {
namespace {

constexpr int kFirstYear = 1998;
constexpr int kLastYear = 2028;
constexpr int kLastDay = 10957;  // days before 1 January 2028 + 1: first day not shown

// Days before 1 January of each year 1998..2028, counted from 1 January 1998.
constexpr auto kDaysBeforeYear = [] {
    struct Table {
        int days[kLastYear - kFirstYear + 1];
    } t{};
    int sum = 0;
    for (int y = kFirstYear; y <= kLastYear; ++y) {
        t.days[y - kFirstYear] = sum;
        sum += (y % 4 == 0) ? 366 : 365;
    }
    return t;
}();

constexpr int kDaysBeforeMonth[2][12] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335},
};

// Within 1998..2028 every year divisible by 4 is a leap year.
bool LeapYear(int year) {
    return year % 4 == 0;
}

char* PowerFactorText(char* buf, double value, bool sign, const char* unit) {
    const double shown = value >= 0 ? value - 1 : value + 1;
    const char letter = value >= 0 ? 'L' : 'C';
    if (unit != nullptr) {
        std::snprintf(buf, kTextBufferSize, sign ? "%+4.2f%c  %s" : "%4.2f%c  %s", shown, letter,
                      unit);
    } else {
        std::snprintf(buf, kTextBufferSize, sign ? "%+4.2f%c" : "%4.2f%c", shown, letter);
    }
    return buf;
}

}  // namespace

char* ValueText(char* buf, double value, int showSign, int quantity, int rangeHint, int unit) {
    const double a = std::fabs(value);
    // NaN is no value either: it can only come from a damaged reply or file.
    if (!(a < 1e10)) {
        std::strcpy(buf, "(?)");
        return buf;
    }
    const double overload = quantity == -1 ? 100000.0 : kOverload;
    if (a == overload) {
        std::strcpy(buf, value >= 0 ? "OL  " : "LLLL");
        return buf;
    }
    const bool sign = showSign != 0;
    const char* unitText = unit >= 0 && unit < kQuantityCount ? UnitText(unit) : nullptr;
    if (quantity == kPowerFactor) return PowerFactorText(buf, value, sign, unitText);

    int width = 5;
    int decimals = 3;
    if (a > 999 || rangeHint == 0) {
        width = 4;
        decimals = 0;
    } else if (a > 99 || rangeHint == 1) {
        decimals = 1;
    } else if (a > 9 || rangeHint == 2) {
        decimals = 2;
    }
    if (quantity == kResistance) ++decimals;

    if (unitText != nullptr) {
        std::snprintf(buf, kTextBufferSize, sign ? "%+*.*f  %s" : "%*.*f  %s", width, decimals,
                      value, unitText);
    } else {
        std::snprintf(buf, kTextBufferSize, sign ? "%+*.*f" : "%*.*f", width, decimals, value);
    }
    return buf;
}

double EncodeStamp(int year, int month, int day, int hour, int minute, int second,
                   int millisecond) {
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59) {
        return -1.0;
    }
    if (year < kFirstYear) return kFirstStamp;
    if (year > kLastYear) return kLastStamp;
    const int dayNumber = kDaysBeforeYear.days[year - kFirstYear] +
                          kDaysBeforeMonth[LeapYear(year) ? 1 : 0][month - 1] + day;
    // Only the upper ends of the time are checked (as always): a time below zero, which a damaged
    // data file can carry in any size, counts back from the day and must not overflow doing so.
    const long long seconds =
        static_cast<long long>(hour) * 3600 + static_cast<long long>(minute) * 60 + second;
    return dayNumber * 86400.0 + static_cast<double>(seconds) + millisecond * 0.001;
}

char* DateText(char* buf, double stamp, bool withYear) {
    const double days = stamp / 86400.0;
    if (!(days >= 1.0 && days < kLastDay)) {  // also catches NaN
        std::strcpy(buf, "(?\?\?)");
        return buf;
    }
    int d = static_cast<int>(days);
    int year = kFirstYear;
    while (year < kLastYear && kDaysBeforeYear.days[year + 1 - kFirstYear] < d)
        ++year;
    d -= kDaysBeforeYear.days[year - kFirstYear];
    const int* months = kDaysBeforeMonth[LeapYear(year) ? 1 : 0];
    int month = 1;
    while (month < 12 && months[month] < d)
        ++month;
    const int day = d - months[month - 1];
    if (withYear) {
        std::snprintf(buf, kTextBufferSize, "%02i.%02i.%04i", day, month, year);
    } else {
        std::snprintf(buf, kTextBufferSize, "%02i.%02i.", day, month);
    }
    return buf;
}

char* TimeText(char* buf, double stamp, char separator) {
    if (!(stamp >= 0.0 && stamp < 1e15)) {
        std::strcpy(buf, "(?\?\?)");
        return buf;
    }
    // Count whole tenths once, with a margin far below a tenth: stamps carry milliseconds as
    // binary fractions (0.3 s is 0.29999...), which a plain truncation would show a tenth short.
    const auto tenths = static_cast<long long>(stamp * 10.0 + 1e-3);
    const int s = static_cast<int>((tenths / 10) % 86400);
    const int t = static_cast<int>(tenths % 10);
    if (separator != 0) {
        std::snprintf(buf, kTextBufferSize, "%02i:%02i:%02i%c%i", s / 3600, (s / 60) % 60, s % 60,
                      separator, t);
    } else {
        std::snprintf(buf, kTextBufferSize, "%02i:%02i:%02i", s / 3600, (s / 60) % 60, s % 60);
    }
    return buf;
}

char* ReplaceChar(char* text, char from, char to) {
    for (char* p = text; *p != '\0'; ++p) {
        if (*p == from) *p = to;
    }
    return text;
}

namespace {

// Collects one line's characters; shared by the FILE and the memory reader.
class LineSink {
  public:
    explicit LineSink(char* buf) : buf_(buf) {}
    void Put(char c) {
        // A CR is kept back until the next character shows whether it ends a CR LF pair.
        if (pendingCr_) Store('\r');
        pendingCr_ = c == '\r';
        if (!pendingCr_) Store(c);
    }
    bool EndLine() {
        buf_[length_] = '\0';
        return true;
    }
    bool EndFile() {
        buf_[0] = '\0';
        return false;
    }

  private:
    void Store(char c) {
        if (length_ < kLineKept) buf_[length_++] = c;
    }
    char* buf_;
    std::size_t length_ = 0;
    bool pendingCr_ = false;
};

}  // namespace

bool ReadLine(std::FILE* file, char* buf) {
    LineSink sink(buf);
    for (;;) {
        const int c = getc_unlocked(file);
        if (c == EOF) return sink.EndFile();
        if (c == '\n') return sink.EndLine();
        sink.Put(static_cast<char>(c));
    }
}

bool ReadLine(std::string_view data, std::size_t* pos, char* buf) {
    LineSink sink(buf);
    std::size_t at = *pos;
    if (at > data.size()) at = data.size();
    const void* lf = std::memchr(data.data() + at, '\n', data.size() - at);
    if (lf == nullptr) {
        *pos = data.size();
        return sink.EndFile();
    }
    const std::size_t end = static_cast<const char*>(lf) - data.data();
    for (std::size_t i = at; i < end; ++i)
        sink.Put(data[i]);
    *pos = end + 1;
    return sink.EndLine();
}

char* NextField(char* out, const char** cursor) {
    const char* p = *cursor;
    char* o = out;
    while (*p != '\0' && *p != ';')
        *o++ = *p++;
    *o = '\0';
    if (*p == ';') ++p;
    *cursor = p;
    return out;
}

}  // namespace qx

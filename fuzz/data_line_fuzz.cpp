// The data line: the parser must take from any line exactly what the C library's formatted
// input takes (files of older installations were read that way), and a line as the writers
// produce it must read back to the fields it was written from.

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "common/core/data_line.h"
#include "measure/core/text_format.h"

namespace {

constexpr const char* kFormat = "%i %i %lf %d %d.%d.%d %d:%d:%d %d";

void Check(bool ok, const char* what, std::string_view line) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s [%.*s]\n", what, static_cast<int>(line.size()),
                     line.data());
        std::abort();
    }
}

bool SameDouble(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

// The line up to its first NUL, where the C library's input ends too.
void CheckAgainstCLibrary(std::string_view input) {
    const std::string line(input.substr(0, input.find('\0')));
    qx::DataLineFields f;
    const int got = qx::ParseDataLine(line, f);
    int a = 0, c = 0, l = 0, d = 1, m = 1, y = 1998, h = 0, mi = 0, s = 0, t = 0;
    double v = 0.0;
    int scanned = std::sscanf(line.c_str(), kFormat, &a, &c, &v, &l, &d, &m, &y, &h, &mi, &s, &t);
    if (scanned < 0) scanned = 0;
    Check(got == scanned, "number of fields as the C library reads them", line);
    Check(f.address == a && f.config == c && SameDouble(f.value, v) && f.limit == l && f.day == d &&
              f.month == m && f.year == y && f.hour == h && f.minute == mi && f.second == s &&
              f.tenths == t,
          "fields as the C library reads them", line);
}

// A line written by the recorder or the download, from fields the input chooses.
void CheckWrittenLine(FuzzedDataProvider& in) {
    char valueText[qx::kTextBufferSize];
    const double value = in.ConsumeFloatingPointInRange(-99999.0, 99999.0);
    qx::ValueText(valueText, value, in.ConsumeBool() ? 1 : 0, -1, -1, -1);
    const double shown = std::strtod(valueText, nullptr);
    qx::ReplaceChar(valueText, '.', ',');
    const qx::DataLineOut out{in.ConsumeIntegralInRange(0, 255),
                              in.ConsumeIntegralInRange(0, 255),
                              valueText,
                              static_cast<char>('0' + in.ConsumeIntegralInRange(0, 2)),
                              in.ConsumeIntegralInRange(1, 31),
                              in.ConsumeIntegralInRange(1, 12),
                              in.ConsumeIntegralInRange(1998, 2027),
                              in.ConsumeIntegralInRange(0, 23),
                              in.ConsumeIntegralInRange(0, 59),
                              in.ConsumeIntegralInRange(0, 59),
                              in.ConsumeIntegralInRange(0, 9)};
    std::string line = qx::FormatDataLine(out);
    Check(line.size() > 2 && line.ends_with("\r\n"), "CR LF line end", line);
    line.resize(line.size() - 2);
    for (char& ch : line)
        ch = ch == ',' ? '.' : ch;
    qx::DataLineFields f;
    const int fields = qx::ParseDataLine(line, f);
    Check(f.address == out.address && f.config == out.config, "address and configuration", line);
    if (valueText[0] == '(') {  // no value: the reader stops at the value
        Check(fields == 2, "no value ends the line", line);
        return;
    }
    Check(fields == 11, "a written line reads whole", line);
    Check(f.value == shown && f.limit == out.limit - '0' && f.day == out.day &&
              f.month == out.month && f.year == out.year && f.hour == out.hour &&
              f.minute == out.minute && f.second == out.second && f.tenths == out.tenths,
          "a written line reads back", line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckAgainstCLibrary(std::string_view(reinterpret_cast<const char*>(data), size));
    FuzzedDataProvider in(data, size);
    CheckWrittenLine(in);
    return 0;
}

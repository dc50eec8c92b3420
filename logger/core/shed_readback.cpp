#include "logger/core/shed_readback.h"

#include <cctype>
#include <cstdio>

namespace qx {
namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, args...);
    return buf;
}

// Two decimal digits at 0-based `pos`; -1 when they are not both there.
int Decimal2(std::string_view s, std::size_t pos) {
    if (pos + 1 >= s.size()) return -1;
    const auto a = static_cast<unsigned char>(s[pos]);
    const auto b = static_cast<unsigned char>(s[pos + 1]);
    if (!std::isdigit(a) || !std::isdigit(b)) return -1;
    return (a - '0') * 10 + (b - '0');
}

int Hex1(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int Hex2(std::string_view s, std::size_t pos) {
    if (pos + 1 >= s.size()) return -1;
    const int a = Hex1(s[pos]);
    const int b = Hex1(s[pos + 1]);
    return a < 0 || b < 0 ? -1 : a * 16 + b;
}

// A pair of two-digit numbers at `pos` joined the page's way: "1:05" or "6.12.".
std::string PairText(std::string_view s, std::size_t pos, const char* format) {
    const int a = Decimal2(s, pos);
    const int b = Decimal2(s, pos + 2);
    return a < 0 || b < 0 ? std::string() : Format(format, a, b);
}

using Fields = std::vector<CheckField>;  // file and module texts of every field, in order

Fields EntryFields(std::string_view reply) {
    if (reply.empty() || reply[0] != '!') return {};
    const int config = Hex2(reply, 3);
    Fields f{{"configuration", "", config < 0 ? "" : Format("0x%02X", config)},
             {"start time", "", PairText(reply, 5, "%d:%02d")},
             {"start date", "", PairText(reply, 9, "%d.%d.")},
             {"interval", "", PairText(reply, 13, "%d:%02d")}};
    return f;
}

Fields LimitsFields(std::string_view reply) {
    if (reply.empty() || reply[0] != '!' || reply.size() < 17) return {};
    return {{"low limit", "", LimitFieldText(reply.substr(3, 5))},
            {"high limit", "", LimitFieldText(reply.substr(8, 5))},
            {"limit interval", "", PairText(reply, 13, "%d:%02d")}};
}

Fields EnableFields(std::string_view reply) {
    if (reply.empty() || reply[0] != '!') return {};
    const int rewrite = Hex2(reply, 3);
    const int mask = Hex2(reply, 5);
    if (rewrite < 0 || mask < 0) return {};
    Fields f{{"overwrite", "", rewrite & 0x80 ? "on" : "off"}};
    for (int n = 0; n < 8; ++n)
        f.push_back({"index " + std::to_string(n + 1), "", mask >> n & 1 ? "on" : "off"});
    return f;
}

// The reply up to its CR, for showing it whole.
std::string Whole(std::string_view reply) {
    return std::string(reply.substr(0, reply.find('\r')));
}

bool Readable(const Fields& fields) {
    if (fields.empty()) return false;
    for (const CheckField& f : fields) {
        if (f.module.empty()) return false;
    }
    return true;
}

// Pairs the file's decoded fields with the module's and keeps those that differ. When either
// side cannot be read field by field, the replies themselves are what differs.
void Compare(const Fields& file, const Fields& module, std::string_view expected,
             std::string_view reply, Fields& out) {
    if (!Readable(file) || !Readable(module) || file.size() != module.size()) {
        out.push_back({"reply", Whole(expected), Whole(reply)});
        return;
    }
    for (std::size_t i = 0; i < file.size(); ++i) {
        if (file[i].module != module[i].module)
            out.push_back({file[i].name, file[i].module, module[i].module});
    }
}

}  // namespace

std::string LimitFieldText(std::string_view field) {
    if (field.size() != 5) return {};
    const int flag = Hex1(field[0]);
    int magnitude = 0;
    for (std::size_t i = 1; i < 5; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(field[i]))) return {};
        magnitude = magnitude * 10 + (field[i] - '0');
    }
    const int decimals = flag / 4;
    const int sign = flag % 4;
    if (flag < 0 || decimals > 3 || sign > 2) return {};
    int scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    std::string text = sign == 2 ? "-" : sign == 1 ? "+" : "";
    text += std::to_string(magnitude / scale);
    if (decimals > 0) text += Format(".%0*d", decimals, magnitude % scale);
    return text;
}

std::vector<CheckField> IndexDifferences(std::string_view expectedEntry, std::string_view entry,
                                         std::string_view expectedLimits, std::string_view limits) {
    Fields out;
    Compare(EntryFields(expectedEntry), EntryFields(entry), expectedEntry, entry, out);
    Compare(LimitsFields(expectedLimits), LimitsFields(limits), expectedLimits, limits, out);
    return out;
}

std::vector<CheckField> EnableDifferences(std::string_view expected, std::string_view reply) {
    Fields out;
    Compare(EnableFields(expected), EnableFields(reply), expected, reply, out);
    return out;
}

std::string ClockText(const LocalTime& t) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

}  // namespace qx

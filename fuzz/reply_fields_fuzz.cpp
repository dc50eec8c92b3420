// Reply fields of the bus protocol: the value reply to #AA, the decimal and hexadecimal fields of
// the identification and configuration replies, and the checksum. The input is a reply as the
// receive buffer holds it. Beyond not crashing: a value never leaves the range of values, a
// decimal field reads as the number its digits spell (held at the limits of int), and every
// request the program builds gives its fields back through the same readers.

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "link/core/protocol.h"
#include "link/core/station.h"

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// What DecimalAt must give: the digits after blanks and a sign, as a number held at the limits.
int ExpectedDecimal(std::string_view reply, int first, int last) {
    if (first < 1 || last < first || static_cast<std::size_t>(first) > reply.size()) return 0;
    std::string_view field = reply.substr(first - 1, static_cast<std::size_t>(last - first) + 1);
    while (!field.empty() && field.front() == ' ')
        field.remove_prefix(1);
    bool negative = false;
    if (!field.empty() && (field.front() == '+' || field.front() == '-')) {
        negative = field.front() == '-';
        field.remove_prefix(1);
    }
    std::size_t digits = 0;
    while (digits < field.size() && field[digits] >= '0' && field[digits] <= '9')
        ++digits;
    while (digits > 1 && field.front() == '0')  // leading zeros add nothing
        field.remove_prefix(1), --digits;
    if (digits == 0) return 0;
    long long v = LLONG_MAX;
    if (digits <= 18) std::from_chars(field.data(), field.data() + digits, v);
    if (negative) v = -v;
    return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
}

void CheckValueReply(std::string_view reply) {
    double value = -7.0;
    int sign = -1;
    const bool parsed = qx::ParseValueReply(reply, &value, &sign);
    Check(parsed == (!reply.empty() && reply[0] == '>'), "a value reply is one that begins with >");
    if (!parsed) {
        Check(value == -7.0, "a refused reply leaves the value alone");
        return;
    }
    Check(std::isfinite(value) && std::fabs(value) <= qx::kNoValue, "value within range");
    const char s = reply.size() > 1 ? reply[1] : 0;
    Check(sign == (s == '+' ? 1 : s == '-' ? 2 : 0), "sign code follows the sign character");
}

void CheckDecimalFields(std::string_view reply) {
    const int n = static_cast<int>(reply.size());
    // The fields the program reads, and spans as long as the reply (long digit runs).
    const int spans[][2] = {{4, 7}, {8, 11}, {4, 11}, {1, n}, {2, n + 5}, {n, n}, {0, 3}, {5, 4}};
    for (const auto& span : spans) {
        Check(qx::DecimalAt(reply, span[0], span[1]) == ExpectedDecimal(reply, span[0], span[1]),
              "DecimalAt reads the number its digits spell");
    }
    for (int pos = 0; pos <= n + 1; ++pos) {
        const int pair = qx::HexPairAt(reply, pos);
        Check(pair >= -1 && pair <= 0xFF, "a hex pair is a byte or -1");
    }
}

// Requests built from the input's bytes read back field by field.
void CheckRequestFields(std::string_view in) {
    auto byte = [&](std::size_t i) { return i < in.size() ? static_cast<std::uint8_t>(in[i]) : 0; };
    const int a = byte(0), b = byte(1), c = byte(2), d = byte(3), e = byte(4);
    const std::string set = qx::ReqSetConfig(a, b, c, d, e);
    Check(qx::HexPairAt(set, 2) == a && qx::HexPairAt(set, 4) == b && qx::HexPairAt(set, 6) == c &&
              qx::HexPairAt(set, 8) == d && qx::HexPairAt(set, 10) == e,
          "configuration request fields");
    const int h = byte(5) % 100, mi = byte(6) % 100, s = byte(7) % 100, dd = byte(8) % 100,
              mo = byte(9) % 100, y = byte(10) % 100;
    const std::string clock = qx::ReqWriteClock(a, h, mi, s, dd, mo, y);
    Check(qx::HexPairAt(clock, 2) == a && qx::DecimalAt(clock, 6, 7) == h &&
              qx::DecimalAt(clock, 8, 9) == mi && qx::DecimalAt(clock, 10, 11) == s &&
              qx::DecimalAt(clock, 12, 13) == dd && qx::DecimalAt(clock, 14, 15) == mo &&
              qx::DecimalAt(clock, 16, 17) == y,
          "clock request fields");
    // A frame with its checksum always passes the receiver's check, whatever its text.
    const std::string framed = qx::Frame(in.substr(0, qx::kBufferSize), true);
    Check(qx::ReplyChecksumOk(framed), "a framed text carries its own checksum");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    CheckValueReply(reply);
    CheckDecimalFields(reply);
    (void)qx::ReplyChecksumOk(reply);
    CheckRequestFields(reply);
    return 0;
}

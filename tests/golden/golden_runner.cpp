// Walks one file of golden vectors (tests/golden/README.md): rows of inputs and the outputs a
// decoder or formatter must give for them; the file's name names the decoder. Every row is run,
// and every wrong output and every malformed line is reported as "file:line: ...".
//   golden_runner tests/golden/limit_field.txt

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "common/core/address_text.h"
#include "common/core/data_line.h"
#include "data/core/queue_record.h"
#include "data/core/table_cells.h"
#include "link/core/comm_port.h"
#include "link/core/protocol.h"
#include "logger/core/limit_field.h"
#include "logger/core/reconfigure.h"
#include "logger/core/schedule_file.h"
#include "measure/core/catalogue.h"
#include "measure/core/text_format.h"

namespace qx {
namespace {

using Cell = std::variant<bool, int, double, std::string>;
using Outputs = std::vector<Cell>;

// A line that cannot be read; the message says why, the caller adds the file and the line.
struct Malformed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A text as it would be written in a file, quoted.
std::string Escape(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const char* named = c == '\r'   ? "\\r"
                            : c == '\n' ? "\\n"
                            : c == '\t' ? "\\t"
                            : c == '\\' ? "\\\\"
                            : c == '"'  ? "\\\""
                                        : nullptr;
        char hex[8] = {c, '\0'};  // bytes from 0x80 up pass: the files hold UTF-8 as it is
        if (!named && (static_cast<unsigned char>(c) < 0x20 || c == 0x7F))
            std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
        out += named ? named : hex;
    }
    return out + '"';
}

// Splits a row into its cells, escapes resolved: blanks separate cells, "..." holds one with
// blanks or an empty one, a "#" standing alone starts a comment.
std::vector<std::string> SplitCells(std::string_view line) {
    std::vector<std::string> cells;
    std::size_t i = 0;
    const auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    const auto blank = [&](std::size_t at) {
        return at < line.size() && (line[at] == ' ' || line[at] == '\t' || line[at] == '\r');
    };
    while (true) {
        while (blank(i))
            ++i;
        if (i == line.size() || (line[i] == '#' && (i + 1 == line.size() || blank(i + 1)))) break;
        const bool quoted = line[i] == '"';
        i += quoted;
        std::string cell;
        while (quoted ? (i < line.size() && line[i] != '"') : (i < line.size() && !blank(i))) {
            const char c = line[i++];
            if (c == '"') throw Malformed("a \" inside a cell that does not start with one");
            if (c != '\\') {
                cell += c;
                continue;
            }
            const char e = i < line.size() ? line[i++] : ' ';
            unsigned byte = 0;
            if (e == 'r' || e == 'n' || e == 't' || e == '\\' || e == '"') {
                cell += e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : e;
            } else if (e == 'x' && i + 2 <= line.size() && hex(line[i]) && hex(line[i + 1])) {
                std::from_chars(&line[i], &line[i + 2], byte, 16);
                cell += static_cast<char>(byte);
                i += 2;
            } else {
                throw Malformed(std::string("unknown escape \\") + e +
                                " (known: \\r \\n \\t \\\\ \\\" \\xHH)");
            }
        }
        if (quoted) {
            if (i == line.size()) throw Malformed("a quoted cell has no closing \"");
            if (++i < line.size() && !blank(i))
                throw Malformed("a blank must follow a quoted cell");
        }
        cells.push_back(std::move(cell));
    }
    return cells;
}

// One row's cells, read as the type the decoder takes or gives.
struct Row {
    const std::vector<std::string>& cells;
    const std::vector<std::string>& names;

    [[noreturn]] void Bad(std::size_t i, const char* what) const {
        throw Malformed("column " + names[i] + ": " + Escape(cells[i]) + " is not " + what);
    }
    const std::string& S(std::size_t i) const { return cells[i]; }
    char C(std::size_t i) const {  // an empty cell is '\0'
        if (cells[i].size() > 1) Bad(i, "one character or empty");
        return cells[i].empty() ? '\0' : cells[i][0];
    }
    bool B(std::size_t i) const {
        if (cells[i] != "yes" && cells[i] != "no") Bad(i, "yes or no");
        return cells[i] == "yes";
    }
    int I(std::size_t i) const {  // decimal, or hexadecimal after "0x"
        std::string_view t = cells[i];
        const int base = t.starts_with("0x") ? 16 : 10;
        if (base == 16) t.remove_prefix(2);
        int v = 0;
        const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), v, base);
        if (t.empty() || error != std::errc() || end != t.data() + t.size()) Bad(i, "an integer");
        return v;
    }
    double D(std::size_t i) const {  // as strtod reads it: "1e10", "nan"
        char* end = nullptr;
        const double v = std::strtod(cells[i].c_str(), &end);
        if (cells[i].empty() || *end != '\0') Bad(i, "a number");
        return v;
    }
    // Whether cell `i` holds `got`; a real agrees within four units in the last place, as gtest's
    // EXPECT_DOUBLE_EQ has it, or when both are NaN.
    bool Holds(std::size_t i, const Cell& got) const {
        if (const bool* b = std::get_if<bool>(&got)) return B(i) == *b;
        if (const int* n = std::get_if<int>(&got)) return I(i) == *n;
        if (const std::string* s = std::get_if<std::string>(&got)) return S(i) == *s;
        const double a = D(i), b = std::get<double>(got);
        if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
        std::int64_t ia = 0, ib = 0;
        std::memcpy(&ia, &a, sizeof a);
        std::memcpy(&ib, &b, sizeof b);
        return a == b || (std::signbit(a) == std::signbit(b) && std::llabs(ia - ib) <= 4);
    }
};

std::string Show(const Cell& c) {
    if (const bool* b = std::get_if<bool>(&c)) return *b ? "yes" : "no";
    if (const int* i = std::get_if<int>(&c)) return std::to_string(*i);
    if (const std::string* s = std::get_if<std::string>(&c)) return Escape(*s);
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", std::get<double>(c));
    return text;
}

struct Decoder {
    const char* name;    // the file's name without ".txt"
    const char* header;  // the file's header line: inputs -> outputs
    std::function<Outputs(const Row&)> run;
};

char formatted[kTextBufferSize];  // for the formatters that write into the caller's buffer

// Every decoder and formatter with a file of vectors; a new one comes with its file.
const Decoder kDecoders[] = {
    {"reply_answers", "request reply checksum -> answers",
     [](const Row& r) -> Outputs { return {ReplyAnswers(r.S(0), r.S(1), r.B(2))}; }},
    {"reply_checksum", "reply -> ok",
     [](const Row& r) -> Outputs { return {ReplyChecksumOk(r.S(0))}; }},
    {"reply_text", "reply checksum -> text",
     [](const Row& r) -> Outputs { return {std::string(ReplyText(r.S(0), r.B(1)))}; }},
    {"reply_decimal", "reply first last -> value",
     [](const Row& r) -> Outputs { return {DecimalAt(r.S(0), r.I(1), r.I(2))}; }},
    {"reply_hex_pair", "reply pos -> value",
     [](const Row& r) -> Outputs { return {HexPairAt(r.S(0), r.I(1))}; }},
    {"value_reply", "reply -> ok value sign",
     [](const Row& r) -> Outputs {
         double value = 7;  // what a refused reply must leave alone
         int sign = -1;
         const bool ok = ParseValueReply(r.S(0), &value, &sign);
         return {ok, value, sign};
     }},
    {"queue_record", "reply -> end value sign limit stamp",
     [](const Row& r) -> Outputs {
         const QueueRecord q = DecodeQueueRecord(r.S(0));
         return {q.end, q.value, q.signCode, q.limitFlag, q.stamp};
     }},
    {"queue_fill_count", "reply -> count",
     [](const Row& r) -> Outputs { return {QueueFillCount(r.S(0))}; }},
    {"data_line",
     "line -> fields address config value limit day month year hour minute second tenths",
     [](const Row& r) -> Outputs {
         DataLineFields f;
         const int n = ParseDataLine(r.S(0), f);
         return {n,       f.address, f.config, f.value,  f.limit,  f.day,
                 f.month, f.year,    f.hour,   f.minute, f.second, f.tenths};
     }},
    {"value_text", "value sign quantity hint unit -> text",
     [](const Row& r) -> Outputs {
         return {ValueText(formatted, r.D(0), r.I(1), r.I(2), r.I(3), r.I(4))};
     }},
    {"encode_stamp", "year month day hour minute second millisecond -> stamp",
     [](const Row& r) -> Outputs {
         return {EncodeStamp(r.I(0), r.I(1), r.I(2), r.I(3), r.I(4), r.I(5), r.I(6))};
     }},
    {"date_text", "stamp year -> text",
     [](const Row& r) -> Outputs { return {DateText(formatted, r.D(0), r.B(1))}; }},
    {"time_text", "stamp separator -> text",
     [](const Row& r) -> Outputs { return {TimeText(formatted, r.D(0), r.C(1))}; }},
    {"limit_text", "value limit -> text",
     [](const Row& r) -> Outputs {
         const auto limit = static_cast<std::uint8_t>(r.I(1));
         return {LimitText({.value = r.D(0), .stamp = 86400.0, .config = 0x10, .limit = limit})};
     }},
    {"limit_field", "text -> field", [](const Row& r) -> Outputs { return {EncodeLimit(r.S(0))}; }},
    {"number_pair", "text separator -> first second",
     [](const Row& r) -> Outputs {
         const NumberPair p = ParsePair(r.S(0), r.C(1));
         return {p.first, p.second};
     }},
    {"leading_int", "field -> value", [](const Row& r) -> Outputs { return {LeadingInt(r.S(0))}; }},
    {"address_clamp", "text -> shown value",
     [](const Row& r) -> Outputs {
         const AddressInput input = ReadAddress(r.S(0));
         return {input.text, ReadAddress(input.text).value};
     }},
    {"port_error_text", "code operation -> text",
     [](const Row& r) -> Outputs { return {TCommPort::StrError(r.I(0), r.I(1))}; }},
    {"config_byte",
     "quantity range input full -> byte name decoded_quantity decoded_range decoded_input",
     [](const Row& r) -> Outputs {
         const int byte = EncodeConfig(r.I(0), r.I(1), r.I(2), r.B(3));
         const ConfigCodes c = DecodeConfig(byte, r.B(3));
         return {byte, RangeName(byte), c.quantity, c.range, c.input};
     }},
};

int Walk(const std::string& path) {
    std::string name = path.substr(path.find_last_of('/') + 1);
    name = name.substr(0, name.rfind(".txt"));
    const auto decoder = std::find_if(std::begin(kDecoders), std::end(kDecoders),
                                      [&](const Decoder& d) { return name == d.name; });
    std::ifstream in(path);
    if (decoder == std::end(kDecoders) || !in) {
        std::cerr << path << (in ? ": no decoder named " + name : ": cannot be read") << "\n";
        return 1;
    }
    std::vector<std::string> header = SplitCells(decoder->header), names;
    std::copy_if(header.begin(), header.end(), std::back_inserter(names),
                 [](const std::string& h) { return h != "->"; });
    const std::size_t inputs = std::find(header.begin(), header.end(), "->") - header.begin();

    int lineNo = 0, cases = 0, wrongCases = 0, malformed = 0;
    bool haveHeader = false;
    for (std::string line; std::getline(in, line);) {
        const std::string at = path + ":" + std::to_string(++lineNo) + ": ";
        try {
            const std::vector<std::string> cells = SplitCells(line);
            if (cells.empty()) continue;
            if (!haveHeader && cells != header) {  // rows under another header cannot be read
                std::cerr << at << "the columns must be named \"" << decoder->header << "\"\n";
                return 1;
            }
            if (!haveHeader) {
                haveHeader = true;
                continue;
            }
            if (cells.size() != names.size())
                throw Malformed(std::to_string(cells.size()) + " cells, but the header names " +
                                std::to_string(names.size()) + " columns");
            ++cases;
            const Row row{cells, names};
            const Outputs got = decoder->run(row);
            std::string wrong;
            for (std::size_t i = 0; i < got.size(); ++i) {
                if (!row.Holds(inputs + i, got[i]))
                    wrong +=
                        " " + names[inputs + i] + " is " + Show(got[i]) + ", not " +
                        (std::holds_alternative<std::string>(got[i]) ? Escape(cells[inputs + i])
                                                                     : cells[inputs + i]) +
                        ";";
            }
            if (!wrong.empty()) {
                ++wrongCases;
                std::cerr << at << "wrong:" << wrong << "\n";
            }
        } catch (const Malformed& e) {
            ++malformed;
            std::cerr << at << "malformed line: " << e.what() << "\n";
        }
    }
    std::cout << path << ": " << cases << " cases, " << wrongCases << " wrong, " << malformed
              << " malformed lines\n";
    return cases > 0 && wrongCases == 0 && malformed == 0 ? 0 : 1;
}

}  // namespace
}  // namespace qx

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: golden_runner FILE.txt\n";
        return 2;
    }
    return qx::Walk(argv[1]);
}

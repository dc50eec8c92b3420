#include "data/core/csv_export.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "data/core/queue_download.h"
#include "data/core/table_cells.h"
#include "link/core/string_format.h"
#include "measure/core/catalogue.h"
#include "measure/core/text_format.h"

namespace qx {
namespace {

constexpr const char* kHeaders[] = {"Veličina", "Jednotka", "Rozsah",
                                    "Hodnota",  "Limit",    "Datum a čas"};

std::string_view Trim(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

// One field, quoted when it holds the separator, a quote or a line end (RFC 4180).
void AppendField(std::string& out, std::string_view text, char separator) {
    bool quote = false;
    for (const char c : text) {
        if (c == separator || c == '"' || c == '\r' || c == '\n') {
            quote = true;
            break;
        }
    }
    if (!quote) {
        out += text;
        return;
    }
    out += '"';
    for (const char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

// "Proud  [A]" without its unit: the unit has a column of its own.
std::string_view QuantityName(int quantity) {
    const std::string_view text = QuantityText(quantity);
    return Trim(text.substr(0, text.find('[')));
}

// The quantity, unit and range fields with their separators are the same for every record of a
// configuration byte; they are built once per byte.
class RowPrefixes {
  public:
    explicit RowPrefixes(char separator) : separator_(separator) {}
    const std::string& Of(std::uint8_t config) {
        std::string& prefix = prefixes_[config];
        if (prefix.empty()) {
            const int q = (config >> 4) & 7;
            AppendField(prefix, QuantityName(q), separator_);
            prefix += separator_;
            AppendField(prefix, UnitText(q), separator_);
            prefix += separator_;
            AppendField(prefix, Trim(RangeName(config)), separator_);
            prefix += separator_;
        }
        return prefix;
    }

  private:
    char separator_;
    std::array<std::string, 256> prefixes_;
};

// The offset from UTC ("+01:00") that the PC's time zone gives a local date and time, so that a
// file read in another zone, or across a change to summer time, means the same instants. The
// offset changes only at the turn of an hour: it is asked for once per local hour.
class UtcOffsets {
  public:
    const std::string& Of(int year, int month, int day, int hour) {
        const long key = ((year * 13L + month) * 32L + day) * 24L + hour;
        if (key != key_) {
            key_ = key;
            std::tm t{};
            t.tm_year = year - 1900;
            t.tm_mon = month - 1;
            t.tm_mday = day;
            t.tm_hour = hour;
            t.tm_isdst = -1;  // summer time or not, as the zone has it on that day
            int minutes = 0;
            if (std::mktime(&t) != static_cast<std::time_t>(-1)) {
                minutes = static_cast<int>(t.tm_gmtoff / 60) % (24 * 60);
            }
            char text[16];
            std::snprintf(text, sizeof text, "%c%02d:%02d", minutes < 0 ? '-' : '+',
                          std::abs(minutes) / 60, std::abs(minutes) % 60);
            text_ = text;
        }
        return text_;
    }

  private:
    long key_ = -1;
    std::string text_;
};

// The fields of a row that repeat from row to row, each worked out once.
struct RowParts {
    explicit RowParts(char separator) : prefixes(separator) {}
    RowPrefixes prefixes;
    UtcOffsets offsets;
};

int Digits(const char* text, int count) {
    int n = 0;
    for (int i = 0; i < count; ++i)
        n = n * 10 + (text[i] - '0');
    return n;
}

// The table's date "dd.mm.yyyy" and time "hh:mm:ss.t" as "yyyy-mm-ddThh:mm:ss.t+hh:mm", the
// tenths after a point whatever the decimal separator, as a spreadsheet reads an ISO time, and
// the zone's offset after them. A stamp the table cannot show keeps the table's "(???)".
void AppendDateTime(std::string& out, double stamp, char separator, UtcOffsets& offsets) {
    char date[kTextBufferSize];
    char time[kTextBufferSize];
    DateText(date, stamp, true);
    TimeText(time, stamp, '.');
    if (std::strlen(date) != 10 || std::strlen(time) != 10) {
        AppendField(out, "(?\?\?)", separator);
        return;
    }
    const std::string& offset =
        offsets.Of(Digits(date + 6, 4), Digits(date + 3, 2), Digits(date, 2), Digits(time, 2));
    char iso[32] = {date[6], date[7], date[8], date[9], '-',     date[3], date[4],
                    '-',     date[0], date[1], 'T',     time[0], time[1], ':',
                    time[3], time[4], ':',     time[6], time[7], time[8], time[9]};
    constexpr std::size_t kIsoTime = 21;  // characters up to the tenths
    offset.copy(iso + kIsoTime, offset.size());
    AppendField(out, std::string_view(iso, kIsoTime + offset.size()), separator);
}

void AppendRow(std::string& out, const DataRecord& r, const CsvOptions& o, RowParts& parts) {
    out += parts.prefixes.Of(r.config);
    char text[kTextBufferSize];
    const int q = r.Quantity();
    // The table's value text without its unit; its point becomes the chosen separator.
    ValueText(text, r.value, 0, q, -1, -1);
    if (o.decimal != '.') ReplaceChar(text, '.', o.decimal);
    AppendField(out, Trim(text), o.separator);
    out += o.separator;
    AppendField(out, LimitText(r), o.separator);
    out += o.separator;
    AppendDateTime(out, r.stamp, o.separator, parts.offsets);
    out += o.lineEnd;
}

// --- the file ---------------------------------------------------------------------------------

// A temporary file beside the target, created afresh (never one that exists), with the mode a new
// file gets or the mode of the file it will replace.
int CreateTemporary(const std::filesystem::path& target, std::string& tempPath) {
    static std::atomic<unsigned> serial{0};
    const std::filesystem::path dir = target.has_parent_path() ? target.parent_path() : ".";
    struct stat old {};
    const bool replaces = ::stat(target.c_str(), &old) == 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = "." + target.filename().string() + "." +
                                 std::to_string(::getpid()) + "-" + std::to_string(serial++) +
                                 ".tmp";
        tempPath = (dir / name).string();
        const int fd =
            ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0) {
            if (replaces) (void)::fchmod(fd, old.st_mode & 07777);
            return fd;
        }
        if (errno != EEXIST) break;
    }
    tempPath.clear();
    return -1;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

CsvExportResult Failed(std::string error) {
    CsvExportResult result;
    result.status = CsvExportResult::Status::Failed;
    result.error = std::move(error);
    return result;
}

}  // namespace

void AppendCsvHeader(std::string& out, const CsvOptions& options) {
    for (std::size_t i = 0; i < std::size(kHeaders); ++i) {
        if (i > 0) out += options.separator;
        AppendField(out, kHeaders[i], options.separator);
    }
    out += options.lineEnd;
}

void AppendCsvRow(std::string& out, const DataRecord& record, const CsvOptions& options) {
    RowParts parts(options.separator);
    AppendRow(out, record, options, parts);
}

std::string CopyRowsText(std::span<const DataRecord> records, std::span<const int> indices,
                         const CsvOptions& options) {
    std::string out;
    AppendCsvHeader(out, options);
    RowParts parts(options.separator);
    for (const int i : indices) {
        if (i >= 0 && static_cast<std::size_t>(i) < records.size())
            AppendRow(out, records[static_cast<std::size_t>(i)], options, parts);
    }
    return out;
}

CsvExportResult ExportCsv(const std::string& path, std::span<const DataRecord> records,
                          int quantity, const CsvOptions& options, Progress& progress) {
    std::filesystem::path target(path);
    std::error_code ec;
    // Through a link the file it names is replaced, not the link.
    if (std::filesystem::is_symlink(target, ec)) {
        target = std::filesystem::weakly_canonical(target, ec);
        if (ec) return Failed(CreateErrorText(path));
    }
    // Only a regular file is replaced: a folder, a device or a pipe of that name is no CSV file.
    const auto status = std::filesystem::status(target, ec);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        return Failed(CreateErrorText(path));
    }
    std::string tempPath;
    const int fd = CreateTemporary(target, tempPath);
    if (fd < 0) return Failed(CreateErrorText(path));

    int total = 0;
    for (const DataRecord& r : records)
        total += quantity == kAllQuantities || r.Quantity() == quantity;
    const bool report = total >= options.progressFrom;
    if (report) progress.Open("Zápis hodnot do souboru CSV", total);

    constexpr std::size_t kChunk = 1 << 18;  // bytes handed to the system at once
    constexpr int kStep = 4096;              // rows between progress steps
    std::string out;
    out.reserve(kChunk + 1024);
    if (options.byteOrderMark) out += "\xEF\xBB\xBF";
    AppendCsvHeader(out, options);
    RowParts parts(options.separator);
    CsvExportResult result;
    result.status = CsvExportResult::Status::Written;
    bool ok = true;
    int n = 0;
    for (const DataRecord& r : records) {
        if (quantity != kAllQuantities && r.Quantity() != quantity) continue;
        AppendRow(out, r, options, parts);
        ++n;
        if (out.size() >= kChunk) {
            ok = WriteAll(fd, out);
            out.clear();
            if (!ok) break;
        }
        if (report && n % kStep == 0) {
            if (progress.Cancelled()) {
                result.status = CsvExportResult::Status::Cancelled;
                break;
            }
            progress.Move(n);
        }
    }
    if (result.Written()) {
        ok = ok && WriteAll(fd, out);
        ok = ok && ::fsync(fd) == 0;  // the rename must not overtake the data on disk
    }
    ok = ::close(fd) == 0 && ok;
    if (result.Written() && ok) {
        std::filesystem::rename(tempPath, target, ec);
        ok = !ec;
    }
    if (!result.Written() || !ok) std::filesystem::remove(tempPath, ec);
    if (report) {
        progress.AddLine(Format("Celkem %i  záznamů ", n), n);
        progress.Finish(false);
    }
    if (result.Written() && !ok) return Failed(WriteErrorText(path));
    result.rows = n;
    return result;
}

}  // namespace qx

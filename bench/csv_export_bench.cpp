// Exports 1,000,000 records to CSV and prints the time against writing rows of the same fields and
// length with a plain fprintf loop, the least a CSV writer can cost, and the file sizes.
//
// Usage: csv_export_bench [records] [runs] [folder]

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/quiet_progress.h"
#include "data/core/csv_export.h"
#include "measure/core/catalogue.h"
#include "measure/core/text_format.h"

using qx::bench::Ms;

namespace {

// Civil date of a day count from 1 January 1998 (day 1), for the baseline's own date fields.
void CivilDate(int day, int& year, int& month, int& dayOfMonth) {
    // Days since 1970-01-01 of 1998-01-01 is 10227; then the usual civil-from-days.
    long z = 10227 + day - 1 + 719468;
    const long era = z / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    dayOfMonth = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

double Baseline(const std::vector<qx::DataRecord>& records, const std::string& path) {
    const auto start = std::chrono::steady_clock::now();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fprintf(f, "\xEF\xBB\xBFVeličina;Jednotka;Rozsah;Hodnota;Limit;Datum a čas\r\n");
    for (const qx::DataRecord& r : records) {
        const int q = r.Quantity();
        const double a = std::fabs(r.value);
        const int decimals = a > 999 ? 0 : a > 99 ? 1 : a > 9 ? 2 : 3;
        const long long tenths = static_cast<long long>(r.stamp * 10.0 + 1e-3);
        const int s = static_cast<int>((tenths / 10) % 86400);
        int year, month, day;
        CivilDate(static_cast<int>(r.stamp / 86400.0), year, month, day);
        std::fprintf(f, "%s;%s;%s;%.*f;%s;%04d-%02d-%02dT%02d:%02d:%02d.%d\r\n", "Napětí",
                     qx::UnitText(q), qx::RangeName(r.config), decimals, r.value,
                     r.limit == 1   ? "High"
                     : r.limit == 2 ? "Low"
                                    : "",
                     year, month, day, s / 3600, (s / 60) % 60, s % 60,
                     static_cast<int>(tenths % 10));
    }
    std::fclose(f);
    return Ms(std::chrono::steady_clock::now() - start);
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const std::filesystem::path dir = argc > 3 ? argv[3] : std::filesystem::temp_directory_path();
    std::vector<qx::DataRecord> records(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        qx::DataRecord& r = records[static_cast<std::size_t>(i)];
        r.config = 0x12;
        r.stamp = qx::EncodeStamp(2026, 12, 9, 0, 0, 0, 0) + i * 0.7;
        r.value = 230 + 20 * std::sin(i * 0.001);
        r.limit = r.value > 245 ? 1 : r.value < 215 ? 2 : 0;
    }
    const std::string csv = (dir / "csv_export_bench.csv").string();
    const std::string plain = (dir / "csv_export_bench.txt").string();
    std::vector<double> exports, baselines;
    for (int run = 0; run < runs; ++run) {
        qx::bench::QuietProgress progress;
        const auto start = std::chrono::steady_clock::now();
        const qx::CsvExportResult result =
            qx::ExportCsv(csv, records, qx::kAllQuantities, qx::CsvOptions{}, progress);
        exports.push_back(Ms(std::chrono::steady_clock::now() - start));
        if (!result.Written()) {
            std::fprintf(stderr, "export failed: %s\n", result.error.c_str());
            return 1;
        }
        baselines.push_back(Baseline(records, plain));
    }
    std::sort(exports.begin(), exports.end());
    std::sort(baselines.begin(), baselines.end());
    const double e = exports[exports.size() / 2], b = baselines[baselines.size() / 2];
    std::printf("records %d, CSV %ju bytes, fprintf rows %ju bytes\n", count,
                static_cast<std::uintmax_t>(std::filesystem::file_size(csv)),
                static_cast<std::uintmax_t>(std::filesystem::file_size(plain)));
    std::printf("CSV export:    median %.3f s of %d (through a temporary file, synced, renamed)\n",
                e / 1000, runs);
    std::printf("fprintf loop:  median %.3f s\n", b / 1000);
    std::printf("ratio:         %.2f (goal <= 1.5)\n", e / b);
    std::filesystem::remove(csv);
    std::filesystem::remove(plain);
    return 0;
}

// Symbols per second of GetBarQr against libqrencode in the same run: the
// same data at the same version and level, and both write the module-matrix
// file and the BMP to tmpfs with the same writer. Prints the ratio table
// at the end.
#include "kzbarqr.h"
#include "symbolfiles.h"

#include <benchmark/benchmark.h>
#include <qrencode.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <unistd.h>

namespace {

struct Row {
    const char *name;
    bool micro;
    int version; // expected of both
    std::string data;
};

std::string text(size_t n)
{
    // Mixed shop-floor text: upper and lower case, digits, punctuation.
    static const std::string unit = "Lot 2024-0715/A line3 qty=0042 weight 12.5kg operator: Sato; batch#77 ";
    std::string s;
    while (s.size() < n)
        s += unit;
    return s.substr(0, n);
}

const Row kRows[] = {
    {"Model 2 version 1-M", false, 1, "LOT A1234 QTY 50"},
    {"Model 2 version 10-M", false, 10, text(200)},
    {"Model 2 version 40-M", false, 40, text(2300)},
    {"Micro QR M4-M", true, 4, "LOT A1234 QTY50"},
};

std::string outputDir() { return access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp"; }

struct Rate {
    double ours = 0;
    double reference = 0;
};
std::map<int, Rate> rates;

void record(benchmark::State &state, int row, bool ours, std::chrono::steady_clock::time_point start)
{
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double perSecond = static_cast<double>(state.iterations()) / seconds;
    (ours ? rates[row].ours : rates[row].reference) = perSecond;
    state.counters["symbols/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void ours(benchmark::State &state)
{
    const Row &row = kRows[state.range(0)];
    const std::string src = "MA," + row.data;
    const std::string matrix = outputDir() + "/kzbarqr-bench-ours.dat";
    char path[256];
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        std::memcpy(path, matrix.c_str(), matrix.size() + 1);
        const int rc = GetBarQr(path, src.c_str(), row.micro ? "3" : "2");
        if (rc != 0) {
            state.SkipWithError("GetBarQr failed");
            return;
        }
    }
    record(state, static_cast<int>(state.range(0)), true, start);
    // The version we made must be the row's.
    FILE *f = std::fopen(matrix.c_str(), "rb");
    unsigned char header[6] = {};
    if (f) {
        if (std::fread(header, 1, 6, f) != 6)
            header[2] = 0;
        std::fclose(f);
    }
    const int size = row.micro ? 2 * row.version + 9 : 4 * row.version + 17;
    if (header[2] != size)
        state.SkipWithError("unexpected version");
}

void libqrencode(benchmark::State &state)
{
    const Row &row = kRows[state.range(0)];
    const std::string base = outputDir() + "/kzbarqr-bench-qrencode";
    static kzbarqr::BitMatrix matrix;
    static uint8_t file[kzbarqr::kMaxBmpFileSize];
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        QRcode *code = row.micro ? QRcode_encodeStringMQR(row.data.c_str(), row.version, QR_ECLEVEL_M, QR_MODE_8, 1)
                                 : QRcode_encodeString(row.data.c_str(), row.version, QR_ECLEVEL_M, QR_MODE_8, 1);
        if (code == nullptr || code->version != row.version) {
            state.SkipWithError("libqrencode: unexpected version");
            return;
        }
        // Same files, same writer as the library's.
        matrix.clear(code->width);
        for (int y = 0; y < code->width; ++y) {
            for (int x = 0; x < code->width; ++x) {
                if (code->data[y * code->width + x] & 1)
                    matrix.set(x, y, true);
            }
        }
        QRcode_free(code);
        int n = kzbarqr::matrixFileImage(matrix, file);
        kzbarqr::writeWholeFile((base + ".dat").c_str(), file, static_cast<size_t>(n));
        n = kzbarqr::bmpFileImage(matrix, file);
        kzbarqr::writeWholeFile((base + ".bmp").c_str(), file, static_cast<size_t>(n));
    }
    record(state, static_cast<int>(state.range(0)), false, start);
}

BENCHMARK(ours)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(libqrencode)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\n| symbol | GetBarQr symbols/s | libqrencode symbols/s | ratio "
                "|\n|---|---:|---:|---:|\n");
    for (const auto &[index, rate] : rates) {
        if (rate.ours > 0 && rate.reference > 0)
            std::printf("| %s | %.0f | %.0f | %.2f |\n", kRows[index].name, rate.ours, rate.reference,
                        rate.ours / rate.reference);
    }
    for (const char *name : {"ours.dat", "ours.bmp", "qrencode.dat", "qrencode.bmp"})
        std::remove((outputDir() + "/kzbarqr-bench-" + name).c_str());
    return 0;
}

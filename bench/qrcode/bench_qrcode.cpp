// GetBarQr against libqrencode, Nayuki's qrcodegen (C and C++) and zint in
// one run: the same data at the same version and level. Rows come three
// ways: encoding only with the mask chosen, encoding only with the mask
// fixed (the mask search and the encoding seen apart), and the whole call
// with both files written to tmpfs (the others through our writer). The
// libraries run interleaved in repeated batches; the table gives the median
// of the per-batch ratios. Every library's symbol of a row is read back once
// with zxing first, so that all of them encode the same data.
//
//   bench_qrcode [--batches N] [--only TEXT]
//   bench_qrcode --repeat ROW LIBRARY COUNT   (one row and library, for callgrind)
#include "encoder.h"
#include "kzbarqr.h"
#include "symbolfiles.h"

#include <ZXing/ReadBarcode.h>
#include <qrcodegen/qrcodegen.h>
#include <qrcodegen/qrcodegen.hpp>
#include <qrencode.h>
#include <zint.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

// Exported by libqrencode but missing from its header: the encoder with the
// mask given, and the splitter QRcode_encodeString uses.
extern "C" {
QRcode *QRcode_encodeMask(QRinput *input, int mask);
QRcode *QRcode_encodeMaskMQR(QRinput *input, int mask);
int Split_splitStringToQRinput(const char *string, QRinput *input, QRencodeMode hint, int casesensitive);
}

namespace {

using kzbarqr::BitMatrix;

enum class Kind { Encode, FixedMask, Files };

struct Row {
    std::string name;
    bool micro;
    int version;
    bool levelL; // else M
    std::string data;
    Kind kind;
    int mask; // for FixedMask
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

std::vector<Row> makeRows()
{
    struct Symbol {
        const char *name;
        bool micro;
        int version;
        bool levelL;
        std::string data;
        int mask;
    };
    const Symbol symbols[] = {
        {"M1-L", true, 1, true, "12345", 1},
        {"M2-M", true, 2, false, "AB123", 2},
        {"M3-M", true, 3, false, "LOT A1234", 1},
        {"M4-M", true, 4, false, "LOT A1234 QTY50", 3},
        {"1-M", false, 1, false, "LOT A1234 QTY 50", 5},
        {"10-M", false, 10, false, text(200), 2},
        {"40-M", false, 40, false, text(2300), 6},
    };
    std::vector<Row> rows;
    for (const Symbol &s : symbols) {
        rows.push_back({std::string(s.name) + " encode", s.micro, s.version, s.levelL, s.data, Kind::Encode, -1});
        rows.push_back({std::string(s.name) + " mask " + std::to_string(s.mask), s.micro, s.version, s.levelL, s.data,
                        Kind::FixedMask, s.mask});
        rows.push_back({std::string(s.name) + " files", s.micro, s.version, s.levelL, s.data, Kind::Files, -1});
    }
    return rows;
}

std::string outputDir() { return access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp"; }

int sizeOf(const Row &r) { return r.micro ? 2 * r.version + 9 : 4 * r.version + 17; }

// Both files of a symbol through our writer.
void writeFiles(const BitMatrix &m, const std::string &base)
{
    static uint8_t file[kzbarqr::kMaxBmpFileSize];
    int n = kzbarqr::matrixFileImage(m, file);
    kzbarqr::writeWholeFile((base + ".dat").c_str(), file, static_cast<size_t>(n));
    n = kzbarqr::bmpFileImage(m, file);
    kzbarqr::writeWholeFile((base + ".bmp").c_str(), file, static_cast<size_t>(n));
}

// Rows 0..d-1 of `m` from a module getter, word by word.
template <typename Get> void fillMatrix(BitMatrix &m, int d, Get dark)
{
    m.size = d;
    for (int y = 0; y < d; ++y) {
        for (int w = 0; w < BitMatrix::kWords; ++w) {
            uint64_t word = 0;
            for (int x = w * 64; x < d && x < w * 64 + 64; ++x)
                word |= uint64_t{dark(x, y)} << (x & 63);
            m.row[y][w] = word;
        }
    }
}

// One library: runs a row once; fills `out` when given (the files rows
// and the check always do).
struct Library {
    const char *name;
    bool micro; // offers Micro QR
    bool (*run)(const Row &, BitMatrix *out);
};

// --- ours -----------------------------------------------------------------

kzbarqr::Workspace workspace;

std::string command(const Row &r)
{
    std::string s = r.levelL ? "L" : "M";
    if (r.kind == Kind::FixedMask)
        s += std::to_string(r.mask);
    return s + "A," + r.data;
}

bool runOurs(const Row &r, BitMatrix *out)
{
    static std::string src;
    static const Row *last = nullptr;
    if (last != &r) {
        src = command(r);
        last = &r;
    }
    const char *type = r.micro ? "3" : "2";
    if (r.kind == Kind::Files) {
        static const std::string matrix = outputDir() + "/kzbarqr-bench-ours.dat";
        char path[256];
        std::memcpy(path, matrix.c_str(), matrix.size() + 1);
        if (GetBarQr(path, src.c_str(), type) != 0)
            return false;
    } else if (kzbarqr::encodeSymbol(workspace, src.c_str(), r.micro ? 3 : 2) != 0) {
        return false;
    }
    if (out) {
        // GetBarQr's own workspace is not reachable: encode the same again.
        if (r.kind == Kind::Files && kzbarqr::encodeSymbol(workspace, src.c_str(), r.micro ? 3 : 2) != 0)
            return false;
        *out = workspace.symbol;
    }
    return true;
}

// --- libqrencode ------------------------------------------------------------

bool runQrencode(const Row &r, BitMatrix *out)
{
    const QRecLevel level = r.levelL ? QR_ECLEVEL_L : QR_ECLEVEL_M;
    QRcode *code = nullptr;
    if (r.kind == Kind::FixedMask) {
        QRinput *input = r.micro ? QRinput_newMQR(r.version, level) : QRinput_new2(r.version, level);
        if (input == nullptr)
            return false;
        if (Split_splitStringToQRinput(r.data.c_str(), input, QR_MODE_8, 1) == 0)
            code = r.micro ? QRcode_encodeMaskMQR(input, r.mask) : QRcode_encodeMask(input, r.mask);
        QRinput_free(input);
    } else {
        code = r.micro ? QRcode_encodeStringMQR(r.data.c_str(), r.version, level, QR_MODE_8, 1)
                       : QRcode_encodeString(r.data.c_str(), r.version, level, QR_MODE_8, 1);
    }
    if (code == nullptr)
        return false;
    const bool ok = code->version == r.version;
    static BitMatrix files;
    BitMatrix *m = out ? out : r.kind == Kind::Files ? &files : nullptr;
    if (ok && m) {
        const int w = code->width;
        const unsigned char *data = code->data;
        fillMatrix(*m, w, [data, w](int x, int y) { return data[y * w + x] & 1u; });
    }
    QRcode_free(code);
    if (ok && r.kind == Kind::Files)
        writeFiles(*m, outputDir() + "/kzbarqr-bench-qrencode");
    return ok;
}

// --- Nayuki qrcodegen, C ------------------------------------------------------

bool runNayukiC(const Row &r, BitMatrix *out)
{
    static uint8_t code[qrcodegen_BUFFER_LEN_MAX];
    static uint8_t temp[qrcodegen_BUFFER_LEN_MAX];
    const auto mask = r.kind == Kind::FixedMask ? static_cast<qrcodegen_Mask>(r.mask) : qrcodegen_Mask_AUTO;
    if (!qrcodegen_encodeText(r.data.c_str(), temp, code, r.levelL ? qrcodegen_Ecc_LOW : qrcodegen_Ecc_MEDIUM,
                              r.version, r.version, mask, false))
        return false;
    static BitMatrix files;
    BitMatrix *m = out ? out : r.kind == Kind::Files ? &files : nullptr;
    if (m) {
        // The modules as qrcodegen packs them, row after row, low bit first;
        // the check compares this with qrcodegen_getModule.
        const int d = qrcodegen_getSize(code);
        fillMatrix(*m, d, [d](int x, int y) {
            const int i = y * d + x;
            return (code[1 + (i >> 3)] >> (i & 7)) & 1u;
        });
        if (out) {
            for (int y = 0; y < d; ++y)
                for (int x = 0; x < d; ++x)
                    if (out->get(x, y) != qrcodegen_getModule(code, x, y))
                        return false;
        }
    }
    if (r.kind == Kind::Files)
        writeFiles(*m, outputDir() + "/kzbarqr-bench-nayukic");
    return true;
}

// --- Nayuki qrcodegen, C++ ----------------------------------------------------

bool runNayukiCpp(const Row &r, BitMatrix *out)
{
    using qrcodegen::QrCode;
    const int mask = r.kind == Kind::FixedMask ? r.mask : -1;
    const QrCode code =
        QrCode::encodeSegments(qrcodegen::QrSegment::makeSegments(r.data.c_str()),
                               r.levelL ? QrCode::Ecc::LOW : QrCode::Ecc::MEDIUM, r.version, r.version, mask, false);
    static BitMatrix files;
    BitMatrix *m = out ? out : r.kind == Kind::Files ? &files : nullptr;
    if (m)
        fillMatrix(*m, code.getSize(), [&code](int x, int y) { return code.getModule(x, y) ? 1u : 0u; });
    if (r.kind == Kind::Files)
        writeFiles(*m, outputDir() + "/kzbarqr-bench-nayukicpp");
    return code.getVersion() == r.version;
}

// --- zint ---------------------------------------------------------------------

bool runZint(const Row &r, BitMatrix *out)
{
    static zint_symbol *symbol = ZBarcode_Create();
    ZBarcode_Clear(symbol);
    symbol->symbology = r.micro ? BARCODE_MICROQR : BARCODE_QRCODE;
    symbol->option_1 = r.levelL ? 1 : 2;
    symbol->option_2 = r.version;
    symbol->option_3 = r.kind == Kind::FixedMask ? (r.mask + 1) << 8 : 0;
    symbol->input_mode = DATA_MODE;
    if (ZBarcode_Encode(symbol, reinterpret_cast<const unsigned char *>(r.data.data()),
                        static_cast<int>(r.data.size())) >= ZINT_ERROR)
        return false;
    const int d = symbol->width;
    static BitMatrix files;
    BitMatrix *m = out ? out : r.kind == Kind::Files ? &files : nullptr;
    if (m) {
        fillMatrix(*m, d, [](int x, int y) { return (symbol->encoded_data[y][x >> 3] >> (x & 7)) & 1u; });
    }
    if (r.kind == Kind::Files)
        writeFiles(*m, outputDir() + "/kzbarqr-bench-zint");
    return d == sizeOf(r);
}

const Library kLibraries[] = {
    {"GetBarQr", true, runOurs},
    {"libqrencode", true, runQrencode},
    {"qrcodegen C", false, runNayukiC},
    {"qrcodegen C++", false, runNayukiCpp},
    {"zint", true, runZint},
};
constexpr int kLibraryCount = sizeof kLibraries / sizeof kLibraries[0];

// --- check ----------------------------------------------------------------------

std::string decode(const BitMatrix &m, bool micro)
{
    const int quiet = micro ? 2 : 4;
    const int scale = 3;
    const int side = (m.size + 2 * quiet) * scale;
    std::vector<uint8_t> image(static_cast<size_t>(side * side), 0xFF);
    for (int y = 0; y < m.size; ++y)
        for (int x = 0; x < m.size; ++x)
            if (m.get(x, y))
                for (int dy = 0; dy < scale; ++dy)
                    std::memset(&image[static_cast<size_t>(((y + quiet) * scale + dy) * side + (x + quiet) * scale)], 0,
                                scale);
    ZXing::DecodeHints hints;
    hints.setFormats(micro ? ZXing::BarcodeFormat::MicroQRCode : ZXing::BarcodeFormat::QRCode);
    hints.setIsPure(true);
    const ZXing::Result res =
        ZXing::ReadBarcode(ZXing::ImageView(image.data(), side, side, ZXing::ImageFormat::Lum), hints);
    if (!res.isValid())
        return "\x01unreadable";
    return {res.bytes().begin(), res.bytes().end()};
}

// The format information of the symbol: the same version, level and mask
// give the same modules, whoever made them.
std::string formatModules(const BitMatrix &m, bool micro)
{
    std::string s;
    for (int k = 0; k <= 8; ++k)
        s += m.get(8, k) ? '1' : '0';
    for (int k = 0; k <= 8; ++k)
        s += m.get(k, 8) ? '1' : '0';
    if (!micro) {
        for (int k = 1; k <= 8; ++k)
            s += m.get(m.size - k, 8) ? '1' : '0';
    }
    return s;
}

// Empty when every library that offers the row reads back the data (and,
// with the mask fixed, shows our format modules); else what failed.
std::string check(const Row &r)
{
    static BitMatrix ours;
    static BitMatrix theirs;
    std::string failed;
    for (const Library &lib : kLibraries) {
        if (r.micro && !lib.micro)
            continue;
        BitMatrix &m = &lib == &kLibraries[0] ? ours : theirs;
        if (!lib.run(r, &m) || m.size != sizeOf(r)) {
            failed += std::string(" ") + lib.name + ": no symbol of the version;";
            continue;
        }
        if (decode(m, r.micro) != r.data)
            failed += std::string(" ") + lib.name + ": reads back other data;";
        else if (r.kind == Kind::FixedMask && &m != &ours && formatModules(m, r.micro) != formatModules(ours, r.micro))
            failed += std::string(" ") + lib.name + ": another mask;";
    }
    return failed;
}

// --- timing ---------------------------------------------------------------------

double secondsFor(const Library &lib, const Row &r, long count)
{
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < count; ++i)
        lib.run(r, nullptr);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Symbols for a batch of about `target` seconds.
long batchCount(const Library &lib, const Row &r, double target)
{
    long n = 1;
    for (;;) {
        const double t = secondsFor(lib, r, n);
        if (t >= target / 4 || n >= (1L << 24))
            return std::max(1L, static_cast<long>(static_cast<double>(n) * target / std::max(t, 1e-9)));
        n *= 4;
    }
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char **argv)
{
    const std::vector<Row> rows = makeRows();
    int batches = 15;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--batches" && i + 1 < argc) {
            batches = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--only" && i + 1 < argc) {
            only = argv[++i];
        } else if (a == "--repeat" && i + 3 < argc) {
            const int row = std::atoi(argv[i + 1]);
            const std::string name = argv[i + 2];
            const long count = std::atol(argv[i + 3]);
            for (const Library &lib : kLibraries) {
                if (row >= 0 && row < static_cast<int>(rows.size()) && name == lib.name) {
                    secondsFor(lib, rows[static_cast<size_t>(row)], count);
                    return 0;
                }
            }
            std::fprintf(stderr, "no such row or library\n");
            return 2;
        } else {
            std::fprintf(stderr, "usage: %s [--batches N] [--only TEXT] | --repeat ROW LIBRARY COUNT\nrows:\n",
                         argv[0]);
            for (size_t r = 0; r < rows.size(); ++r)
                std::fprintf(stderr, "  %zu %s\n", r, rows[r].name.c_str());
            return 2;
        }
    }

    std::printf("Median of %d interleaved batches (about 5 ms each) of the speed ratio GetBarQr : library "
                "(above 1: GetBarQr faster).\n\n",
                batches);
    std::printf("| symbol | GetBarQr symbols/s |");
    for (int l = 1; l < kLibraryCount; ++l)
        std::printf(" %s |", kLibraries[l].name);
    std::printf(" best other | check |\n|---|---:|");
    for (int l = 1; l < kLibraryCount; ++l)
        std::printf("---:|");
    std::printf("---:|---|\n");
    std::fflush(stdout);

    for (const Row &r : rows) {
        if (!only.empty() && r.name.find(only) == std::string::npos)
            continue;
        const std::string failed = check(r);
        bool offered[kLibraryCount];
        long counts[kLibraryCount];
        for (int l = 0; l < kLibraryCount; ++l) {
            offered[l] = !r.micro || kLibraries[l].micro;
            counts[l] = offered[l] ? batchCount(kLibraries[l], r, 0.005) : 0;
        }
        std::vector<double> ratios[kLibraryCount];
        std::vector<double> rates;
        for (int b = 0; b < batches; ++b) {
            double perSymbol[kLibraryCount] = {};
            // A new order each batch, so no library always follows another.
            for (int k = 0; k < kLibraryCount; ++k) {
                const int l = (k + b) % kLibraryCount;
                if (offered[l])
                    perSymbol[l] = secondsFor(kLibraries[l], r, counts[l]) / static_cast<double>(counts[l]);
            }
            rates.push_back(1.0 / perSymbol[0]);
            for (int l = 1; l < kLibraryCount; ++l) {
                if (offered[l])
                    ratios[l].push_back(perSymbol[l] / perSymbol[0]);
            }
        }
        std::printf("| %s | %.0f |", r.name.c_str(), median(rates));
        double best = 1e300;
        for (int l = 1; l < kLibraryCount; ++l) {
            if (!offered[l]) {
                std::printf(" – |");
                continue;
            }
            const double m = median(ratios[l]);
            best = std::min(best, m);
            std::printf(" %.2f |", m);
        }
        std::printf(" %.2f | %s |\n", best, failed.empty() ? "same data" : failed.c_str());
        std::fflush(stdout);
    }
    // The files rows are bounded by the kernel: every library's symbol goes
    // through the same writer, whose open, write and close cost the same
    // for all. This is that floor.
    std::printf("\n| symbol | GetBarQr with files, us | the two files alone, us | left for encoding, us |\n"
                "|---|---:|---:|---:|\n");
    for (const Row &r : rows) {
        if (r.kind != Kind::Files || (!only.empty() && r.name.find(only) == std::string::npos))
            continue;
        BitMatrix m;
        if (!runOurs(r, &m))
            continue;
        const long n = batchCount(kLibraries[0], r, 0.005);
        std::vector<double> ours;
        std::vector<double> floor;
        for (int b = 0; b < batches; ++b) {
            ours.push_back(secondsFor(kLibraries[0], r, n) / static_cast<double>(n));
            const auto start = std::chrono::steady_clock::now();
            for (long i = 0; i < n; ++i)
                writeFiles(m, outputDir() + "/kzbarqr-bench-floor");
            floor.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
                            static_cast<double>(n));
        }
        const double o = median(ours) * 1e6;
        const double f = median(floor) * 1e6;
        std::printf("| %s | %.2f | %.2f | %.2f |\n", r.name.c_str(), o, f, o - f);
    }
    for (const char *name : {"ours", "qrencode", "nayukic", "nayukicpp", "zint", "floor"}) {
        for (const char *ext : {".dat", ".bmp"})
            std::remove((outputDir() + "/kzbarqr-bench-" + name + ext).c_str());
    }
    return 0;
}

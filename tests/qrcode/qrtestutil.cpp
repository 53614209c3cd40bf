#include "qrtestutil.h"

#include <ZXing/ReadBarcode.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace qrtest {

Decoded decode(const BitMatrix &m, bool micro)
{
    const int quiet = micro ? 2 : 4;
    const int scale = 3;
    const int side = (m.size + 2 * quiet) * scale;
    std::vector<uint8_t> image(static_cast<size_t>(side * side), 0xFF);
    for (int y = 0; y < m.size; ++y) {
        for (int x = 0; x < m.size; ++x) {
            if (!m.get(x, y))
                continue;
            for (int dy = 0; dy < scale; ++dy) {
                for (int dx = 0; dx < scale; ++dx)
                    image[static_cast<size_t>(((y + quiet) * scale + dy) * side + (x + quiet) * scale + dx)] = 0;
            }
        }
    }
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode | ZXing::BarcodeFormat::MicroQRCode);
    hints.setIsPure(true);
    hints.setTryRotate(false);
    const ZXing::Result r =
        ZXing::ReadBarcode(ZXing::ImageView(image.data(), side, side, ZXing::ImageFormat::Lum), hints);
    Decoded d;
    d.valid = r.isValid();
    if (!d.valid)
        return d;
    d.micro = r.format() == ZXing::BarcodeFormat::MicroQRCode;
    const ZXing::ByteArray &bytes = r.bytes();
    d.bytes.assign(bytes.begin(), bytes.end());
    const auto level = r.ecLevel();
    d.ecLevel.assign(level.begin(), level.end());
    d.sequenceIndex = r.sequenceIndex();
    d.sequenceSize = r.sequenceSize();
    d.sequenceId = r.sequenceId();
    return d;
}

std::vector<std::string> rowsOf(const BitMatrix &m)
{
    std::vector<std::string> rows;
    for (int y = 0; y < m.size; ++y) {
        std::string row;
        for (int x = 0; x < m.size; ++x)
            row += m.get(x, y) ? '1' : '0';
        rows.push_back(row);
    }
    return rows;
}

std::vector<uint8_t> readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string makeTempDir()
{
    const char *base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/kzbarqr-test-XXXXXX";
    char *dir = mkdtemp(pattern.data());
    return dir ? std::string(dir) : std::string();
}

} // namespace qrtest

#include "encoder.h"

#include "masking.h"
#include "placement.h"
#include "reedsolomon.h"

#include <cstdio>
#include <cstring>

namespace kzbarqr {

namespace {

constexpr int kMaxPasses = 4;

// Automatic segmentation, repeated with the version it leads to until the
// count-field widths no longer change, at most kMaxPasses times; the first
// pass assumes the smallest version (M2 for Micro QR). Too many segments
// or no version that holds the data end it at once, except that Micro QR
// tries M4's widths before giving up.
int segmentAutomatically(Workspace &ws, const Command &cmd, SymbolType type, int &version)
{
    const int largest = maxVersion(type);
    int assumed = type == SymbolType::Micro ? 2 : 1;
    for (int pass = 1;; ++pass) {
        if (!segmentAutomatic(type, assumed, cmd.data, cmd.length, ws.segments))
            return kTooManySegments;
        version = chooseVersion(type, cmd.level, ws.segments, cmd.header);
        if (version == 0) {
            if (type != SymbolType::Micro || assumed == largest)
                return kDataTooLong;
            assumed = largest;
            continue;
        }
        if (versionGroup(type, version) == versionGroup(type, assumed) || pass >= kMaxPasses)
            return kOk;
        assumed = version;
    }
}

// Splits the data into blocks, adds their check codewords and writes the
// final sequence; returns its length. Model 2 interleaves, Model 1 and
// Micro QR put the blocks one after the other.
int assembleCodewords(Workspace &ws, const BlockLayout &layout)
{
    const int blocks = layout.blocks1 + layout.blocks2;
    const int ecLen = layout.ecPerBlock;
    const uint8_t *data = ws.data;
    uint8_t *out = ws.codewords;
    int start = 0;
    for (int b = 0; b < blocks; ++b) {
        const int len = b < layout.blocks1 ? layout.data1 : layout.data1 + 1;
        reedSolomon(data + start, len, ecLen, ws.ec + b * ecLen);
        start += len;
    }
    int n = 0;
    if (ws.type == SymbolType::Model2) {
        for (int i = 0; i <= layout.data1; ++i) {
            for (int b = 0; b < blocks; ++b) {
                const bool longBlock = b >= layout.blocks1;
                if (i < layout.data1 || longBlock) {
                    const int offset = b < layout.blocks1
                                           ? b * layout.data1
                                           : layout.blocks1 * layout.data1 + (b - layout.blocks1) * (layout.data1 + 1);
                    out[n++] = data[offset + i];
                }
            }
        }
        for (int i = 0; i < ecLen; ++i) {
            for (int b = 0; b < blocks; ++b)
                out[n++] = ws.ec[b * ecLen + i];
        }
        return n;
    }
    std::memcpy(out, data, static_cast<size_t>(layout.dataCodewords));
    n = layout.dataCodewords;
    std::memcpy(out + n, ws.ec, static_cast<size_t>(blocks * ecLen));
    n += blocks * ecLen;
    // Model 1 remainder codewords are light.
    std::memset(out + n, 0, static_cast<size_t>(layout.totalCodewords - n));
    return layout.totalCodewords;
}

} // namespace

void buildSymbol(Workspace &ws, SymbolType type, int version, Level level, const AppendHeader &header, int maskDigit)
{
    ws.type = type;
    ws.level = level;
    ws.version = version;
    BlockLayout layout;
    blockLayout(type, version, level, layout);
    encodeData(type, version, layout, ws.segments, header, ws.data);
    const int count = assembleCodewords(ws, layout);
    ws.codewords[count] = 0; // remainder bits

    drawFunctionPatterns(type, version, ws.modules, ws.function);
    const bool shortLast = type == SymbolType::Micro && layout.dataBits % 8 != 0;
    placeCodewords(type, version, ws.codewords, count, shortLast ? layout.dataCodewords - 1 : -1, ws.function,
                   ws.modules);

    // A digit that names no mask of the type leaves the choice automatic.
    if (maskDigit >= 0 && maskDigit < maskCount(type)) {
        ws.mask = maskDigit;
        applyMask(type, level, version, ws.mask, ws.modules, ws.function, ws.symbol);
    } else {
        ws.mask = chooseMask(type, level, version, ws.modules, ws.function, ws.symbol, ws.scratch);
    }
}

int encodeSymbol(Workspace &ws, const char *src, int typeNumber)
{
    if (typeNumber < 1 || typeNumber > 3)
        return kBadType;
    if (src == nullptr)
        return kDataTooLong;
    const SymbolType type = static_cast<SymbolType>(typeNumber);
    const size_t length = strnlen(src, kWorkBufferSize);
    if (length >= kWorkBufferSize)
        return kDataTooLong; // no room for the terminator in the work buffer
    std::memcpy(ws.command, src, length + 1);
    const auto *text = reinterpret_cast<const uint8_t *>(ws.command);

    Command cmd;
    int rc = parseCommand(text, static_cast<int>(length), type, cmd);
    if (rc != kOk)
        return rc;

    int version = 0;
    if (cmd.manual) {
        rc = parseManualSegments(cmd.data, cmd.length, ws.segments);
        if (rc != kOk)
            return rc;
        int total = 0;
        for (int i = 0; i < ws.segments.count; ++i)
            total += ws.segments.items[i].length;
        if (total > kMaxDataCharacters)
            return kDataTooLong;
        version = chooseVersion(type, cmd.level, ws.segments, cmd.header);
        if (version == 0)
            return kDataTooLong;
    } else {
        if (cmd.length > kMaxDataCharacters)
            return kDataTooLong;
        rc = segmentAutomatically(ws, cmd, type, version);
        if (rc != kOk)
            return rc;
    }

    buildSymbol(ws, type, version, cmd.level, cmd.header, cmd.maskDigit);
    return kOk;
}

int generateSymbolFiles(Workspace &ws, char *path, const char *src, const char *type)
{
    const int typeNumber = parseTypeNumber(type);
    if (typeNumber < 1 || typeNumber > 3)
        return kBadType;
    if (path == nullptr)
        return kDataTooLong; // nowhere to write: refuse before any work
    const int rc = encodeSymbol(ws, src, typeNumber);
    if (rc != kOk)
        return rc;

    int length = matrixFileImage(ws.symbol, ws.file);
    const bool matrixWritten = writeWholeFile(path, ws.file, static_cast<size_t>(length));
    if (!matrixWritten) {
        std::printf("  cannot write open %s ! \n", path);
        std::fflush(stdout);
    }
    toBmpPath(path);
    length = bmpFileImage(ws.symbol, ws.file);
    const bool bmpWritten = writeWholeFile(path, ws.file, static_cast<size_t>(length));
    if (!bmpWritten) {
        std::printf("  cannot write open %s ! \n", path);
        std::fflush(stdout);
    }
    return matrixWritten && bmpWritten ? kOk : kWriteFailed;
}

} // namespace kzbarqr

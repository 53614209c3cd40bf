#include "symboltables.h"

namespace kzbarqr {

namespace {

// Model 2 per version and level L, M, Q, H: EC codewords per block, blocks
// of the first group, their data codewords, blocks of the second group.
struct Model2Blocks {
    uint8_t ec, blocks1, data1, blocks2;
};

constexpr Model2Blocks kModel2[40][4] = {
    {{7, 1, 19, 0}, {10, 1, 16, 0}, {13, 1, 13, 0}, {17, 1, 9, 0}},
    {{10, 1, 34, 0}, {16, 1, 28, 0}, {22, 1, 22, 0}, {28, 1, 16, 0}},
    {{15, 1, 55, 0}, {26, 1, 44, 0}, {18, 2, 17, 0}, {22, 2, 13, 0}},
    {{20, 1, 80, 0}, {18, 2, 32, 0}, {26, 2, 24, 0}, {16, 4, 9, 0}},
    {{26, 1, 108, 0}, {24, 2, 43, 0}, {18, 2, 15, 2}, {22, 2, 11, 2}},
    {{18, 2, 68, 0}, {16, 4, 27, 0}, {24, 4, 19, 0}, {28, 4, 15, 0}},
    {{20, 2, 78, 0}, {18, 4, 31, 0}, {18, 2, 14, 4}, {26, 4, 13, 1}},
    {{24, 2, 97, 0}, {22, 2, 38, 2}, {22, 4, 18, 2}, {26, 4, 14, 2}},
    {{30, 2, 116, 0}, {22, 3, 36, 2}, {20, 4, 16, 4}, {24, 4, 12, 4}},
    {{18, 2, 68, 2}, {26, 4, 43, 1}, {24, 6, 19, 2}, {28, 6, 15, 2}},
    {{20, 4, 81, 0}, {30, 1, 50, 4}, {28, 4, 22, 4}, {24, 3, 12, 8}},
    {{24, 2, 92, 2}, {22, 6, 36, 2}, {26, 4, 20, 6}, {28, 7, 14, 4}},
    {{26, 4, 107, 0}, {22, 8, 37, 1}, {24, 8, 20, 4}, {22, 12, 11, 4}},
    {{30, 3, 115, 1}, {24, 4, 40, 5}, {20, 11, 16, 5}, {24, 11, 12, 5}},
    {{22, 5, 87, 1}, {24, 5, 41, 5}, {30, 5, 24, 7}, {24, 11, 12, 7}},
    {{24, 5, 98, 1}, {28, 7, 45, 3}, {24, 15, 19, 2}, {30, 3, 15, 13}},
    {{28, 1, 107, 5}, {28, 10, 46, 1}, {28, 1, 22, 15}, {28, 2, 14, 17}},
    {{30, 5, 120, 1}, {26, 9, 43, 4}, {28, 17, 22, 1}, {28, 2, 14, 19}},
    {{28, 3, 113, 4}, {26, 3, 44, 11}, {26, 17, 21, 4}, {26, 9, 13, 16}},
    {{28, 3, 107, 5}, {26, 3, 41, 13}, {30, 15, 24, 5}, {28, 15, 15, 10}},
    {{28, 4, 116, 4}, {26, 17, 42, 0}, {28, 17, 22, 6}, {30, 19, 16, 6}},
    {{28, 2, 111, 7}, {28, 17, 46, 0}, {30, 7, 24, 16}, {24, 34, 13, 0}},
    {{30, 4, 121, 5}, {28, 4, 47, 14}, {30, 11, 24, 14}, {30, 16, 15, 14}},
    {{30, 6, 117, 4}, {28, 6, 45, 14}, {30, 11, 24, 16}, {30, 30, 16, 2}},
    {{26, 8, 106, 4}, {28, 8, 47, 13}, {30, 7, 24, 22}, {30, 22, 15, 13}},
    {{28, 10, 114, 2}, {28, 19, 46, 4}, {28, 28, 22, 6}, {30, 33, 16, 4}},
    {{30, 8, 122, 4}, {28, 22, 45, 3}, {30, 8, 23, 26}, {30, 12, 15, 28}},
    {{30, 3, 117, 10}, {28, 3, 45, 23}, {30, 4, 24, 31}, {30, 11, 15, 31}},
    {{30, 7, 116, 7}, {28, 21, 45, 7}, {30, 1, 23, 37}, {30, 19, 15, 26}},
    {{30, 5, 115, 10}, {28, 19, 47, 10}, {30, 15, 24, 25}, {30, 23, 15, 25}},
    {{30, 13, 115, 3}, {28, 2, 46, 29}, {30, 42, 24, 1}, {30, 23, 15, 28}},
    {{30, 17, 115, 0}, {28, 10, 46, 23}, {30, 10, 24, 35}, {30, 19, 15, 35}},
    {{30, 17, 115, 1}, {28, 14, 46, 21}, {30, 29, 24, 19}, {30, 11, 15, 46}},
    {{30, 13, 115, 6}, {28, 14, 46, 23}, {30, 44, 24, 7}, {30, 59, 16, 1}},
    {{30, 12, 121, 7}, {28, 12, 47, 26}, {30, 39, 24, 14}, {30, 22, 15, 41}},
    {{30, 6, 121, 14}, {28, 6, 47, 34}, {30, 46, 24, 10}, {30, 2, 15, 64}},
    {{30, 17, 122, 4}, {28, 29, 46, 14}, {30, 49, 24, 10}, {30, 24, 15, 46}},
    {{30, 4, 122, 18}, {28, 13, 46, 32}, {30, 48, 24, 14}, {30, 42, 15, 32}},
    {{30, 20, 117, 4}, {28, 40, 47, 7}, {30, 43, 24, 22}, {30, 10, 15, 67}},
    {{30, 19, 118, 6}, {28, 18, 47, 31}, {30, 34, 24, 34}, {30, 20, 15, 61}},
};

// Second alignment centre of each Model 2 version (0: none); the others
// follow at equal steps up to size - 7.
constexpr uint8_t kAlignSecond[41] = {
    0,  0,  18, 22, 26, 30, 34, 22, 24, 26, 28, 30, 32, 34, 26, 26, 26, 30, 30, 30, 34,
    28, 26, 30, 28, 32, 30, 34, 26, 30, 26, 30, 34, 30, 34, 30, 24, 28, 32, 26, 30,
};

// Model 1 per version and level: blocks, data and EC codewords per block.
// Blocks are all alike; codewords the blocks leave over are remainder.
struct Model1Blocks {
    uint8_t blocks, data, ec;
};

constexpr Model1Blocks kModel1[14][4] = {
    {{1, 19, 7}, {1, 16, 10}, {1, 13, 13}, {1, 9, 17}},    {{1, 36, 10}, {1, 30, 16}, {1, 24, 22}, {1, 16, 30}},
    {{1, 57, 15}, {1, 44, 28}, {1, 36, 36}, {1, 24, 48}},  {{1, 80, 20}, {1, 60, 40}, {1, 50, 50}, {1, 34, 66}},
    {{1, 108, 26}, {1, 82, 52}, {1, 68, 66}, {2, 23, 44}}, {{1, 136, 34}, {2, 53, 32}, {2, 43, 42}, {2, 29, 56}},
    {{1, 170, 42}, {2, 66, 40}, {2, 54, 52}, {3, 24, 46}}, {{2, 104, 24}, {2, 80, 48}, {2, 64, 64}, {3, 29, 56}},
    {{2, 123, 30}, {2, 93, 60}, {3, 52, 50}, {3, 34, 68}}, {{2, 145, 34}, {2, 111, 68}, {3, 61, 58}, {4, 31, 58}},
    {{2, 168, 40}, {4, 64, 40}, {4, 52, 52}, {5, 29, 54}}, {{2, 192, 46}, {4, 73, 46}, {4, 61, 58}, {5, 33, 62}},
    {{3, 144, 36}, {4, 83, 52}, {4, 69, 66}, {6, 32, 58}}, {{3, 163, 40}, {4, 92, 60}, {5, 62, 60}, {6, 35, 66}},
};

// Micro QR per version and level L, M, Q: data bits and EC codewords
// (0 bits: level not available).
struct MicroLayout {
    uint8_t dataBits, ec;
};

constexpr MicroLayout kMicro[4][3] = {
    {{20, 2}, {0, 0}, {0, 0}},
    {{40, 5}, {32, 6}, {0, 0}},
    {{84, 6}, {68, 8}, {0, 0}},
    {{128, 8}, {112, 10}, {80, 14}},
};
constexpr int kMicroTotal[4] = {5, 10, 17, 24};

// Count-field widths of Model 1/2 by version group, in mode order.
constexpr uint8_t kCountBits[3][4] = {{10, 9, 8, 8}, {12, 11, 16, 10}, {14, 13, 16, 12}};
// Micro QR by version M1..M4 (0: mode not available).
constexpr uint8_t kMicroCountBits[4][4] = {{3, 0, 0, 0}, {4, 3, 0, 0}, {5, 4, 4, 3}, {6, 5, 5, 4}};

int model1TotalCodewords(int v) { return 2 * v * v + 16 * v + 8 - 2 * (v / 2); }

// Remainder of value * x^shift divided by the generator (BCH codes).
constexpr uint32_t bchCheck(uint32_t value, int shift, uint32_t generator, int degree)
{
    uint32_t r = value << shift;
    for (int bit = shift + 31 - __builtin_clz(value | 1); bit >= degree; --bit) {
        if (r & (1u << bit))
            r ^= generator << (bit - degree);
    }
    return r;
}

} // namespace

int maxVersion(SymbolType type)
{
    switch (type) {
    case SymbolType::Model1:
        return 14;
    case SymbolType::Model2:
        return 40;
    case SymbolType::Micro:
        return 4;
    }
    return 0;
}

int symbolSize(SymbolType type, int version) { return type == SymbolType::Micro ? 2 * version + 9 : 4 * version + 17; }

bool blockLayout(SymbolType type, int version, Level level, BlockLayout &out)
{
    const int lv = static_cast<int>(level);
    if (version < 1 || version > maxVersion(type))
        return false;
    out = BlockLayout{};
    switch (type) {
    case SymbolType::Model2: {
        const Model2Blocks &b = kModel2[version - 1][lv];
        out.blocks1 = b.blocks1;
        out.data1 = b.data1;
        out.blocks2 = b.blocks2;
        out.ecPerBlock = b.ec;
        out.dataCodewords = b.blocks1 * b.data1 + b.blocks2 * (b.data1 + 1);
        out.dataBits = 8 * out.dataCodewords;
        out.totalCodewords = out.dataCodewords + (b.blocks1 + b.blocks2) * b.ec;
        return true;
    }
    case SymbolType::Model1: {
        const Model1Blocks &b = kModel1[version - 1][lv];
        out.blocks1 = b.blocks;
        out.data1 = b.data;
        out.ecPerBlock = b.ec;
        out.dataCodewords = b.blocks * b.data;
        out.dataBits = 8 * out.dataCodewords - 4; // the first nibble is always zero
        out.totalCodewords = model1TotalCodewords(version);
        return true;
    }
    case SymbolType::Micro: {
        if (lv > 2)
            return false;
        const MicroLayout &m = kMicro[version - 1][lv];
        if (m.dataBits == 0)
            return false;
        out.blocks1 = 1;
        out.dataBits = m.dataBits;
        out.dataCodewords = (m.dataBits + 7) / 8;
        out.data1 = out.dataCodewords;
        out.ecPerBlock = m.ec;
        out.totalCodewords = kMicroTotal[version - 1];
        return true;
    }
    }
    return false;
}

int versionGroup(SymbolType type, int version)
{
    if (type == SymbolType::Micro)
        return version;
    return version <= 9 ? 0 : version <= 26 ? 1 : 2;
}

int countBits(SymbolType type, int version, Mode mode)
{
    const int m = static_cast<int>(mode);
    if (type == SymbolType::Micro)
        return kMicroCountBits[version - 1][m];
    return kCountBits[versionGroup(type, version)][m];
}

int modeIndicatorBits(SymbolType type, int version) { return type == SymbolType::Micro ? version - 1 : 4; }

int modeIndicator(SymbolType type, int version, Mode mode)
{
    (void)version;
    if (type == SymbolType::Micro)
        return static_cast<int>(mode);
    static constexpr int kIndicator[4] = {1, 2, 4, 8};
    return kIndicator[static_cast<int>(mode)];
}

int terminatorBits(SymbolType type, int version) { return type == SymbolType::Micro ? 2 * version + 1 : 4; }

int microSymbolNumber(int version, Level level)
{
    static constexpr int kFirst[4] = {0, 1, 3, 5};
    return kFirst[version - 1] + static_cast<int>(level);
}

int alignmentCentres(int version, int out[7])
{
    if (version < 2)
        return 0;
    const int count = version / 7 + 2;
    const int last = 4 * version + 10;
    out[0] = 6;
    if (count == 2) {
        out[1] = last;
        return 2;
    }
    const int step = (last - kAlignSecond[version]) / (count - 2);
    for (int i = count - 1; i >= 1; --i)
        out[i] = last - step * (count - 1 - i);
    return count;
}

uint16_t formatWord(SymbolType type, Level level, int version, int mask)
{
    uint32_t data;
    uint32_t xorMask;
    if (type == SymbolType::Micro) {
        data = static_cast<uint32_t>(microSymbolNumber(version, level) << 2 | (mask & 3));
        xorMask = 0x4445;
    } else {
        // Level indicators L 01, M 00, Q 11, H 10.
        static constexpr uint32_t kIndicator[4] = {1, 0, 3, 2};
        data = kIndicator[static_cast<int>(level)] << 3 | static_cast<uint32_t>(mask & 7);
        xorMask = type == SymbolType::Model1 ? 0x2825 : 0x5412;
    }
    return static_cast<uint16_t>(((data << 10) | bchCheck(data, 10, 0x537, 10)) ^ xorMask);
}

uint32_t versionWord(int version)
{
    const auto v = static_cast<uint32_t>(version);
    return (v << 12) | bchCheck(v, 12, 0x1F25, 12);
}

} // namespace kzbarqr

// Fixed values of the standard: field arithmetic, check codewords, format
// and version words, codeword counts and the geometry of the three types.
#include "masking.h"
#include "placement.h"
#include "reedsolomon.h"
#include "symboltables.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kzbarqr;

namespace {

// Carry-less multiplication reduced by 0x11D, independent of the tables.
uint8_t slowMultiply(uint8_t a, uint8_t b)
{
    unsigned r = 0;
    for (int i = 0; i < 8; ++i) {
        if (b & (1 << i))
            r ^= static_cast<unsigned>(a) << i;
    }
    for (int bit = 15; bit >= 8; --bit) {
        if (r & (1u << bit))
            r ^= 0x11Du << (bit - 8);
    }
    return static_cast<uint8_t>(r);
}

// Check codewords by long division with a generator built step by step.
std::vector<uint8_t> slowReedSolomon(const std::vector<uint8_t> &data, int n)
{
    std::vector<uint8_t> g{1}; // highest power first
    uint8_t root = 1;
    for (int i = 0; i < n; ++i) {
        std::vector<uint8_t> next(g.size() + 1, 0);
        for (size_t k = 0; k < g.size(); ++k) {
            next[k] ^= g[k];
            next[k + 1] ^= slowMultiply(g[k], root);
        }
        g = next;
        root = slowMultiply(root, 2);
    }
    std::vector<uint8_t> rem(data);
    rem.resize(data.size() + static_cast<size_t>(n), 0);
    for (size_t i = 0; i < data.size(); ++i) {
        const uint8_t f = rem[i];
        for (size_t k = 0; k < g.size(); ++k)
            rem[i + k] ^= slowMultiply(g[k], f);
    }
    return {rem.end() - n, rem.end()};
}

uint8_t logOf(uint8_t v)
{
    uint8_t x = 1;
    for (int e = 0; e < 255; ++e, x = slowMultiply(x, 2)) {
        if (x == v)
            return static_cast<uint8_t>(e);
    }
    return 0xFF;
}

} // namespace

TEST(ReedSolomon, StandardWorkedExample)
{
    const uint8_t data[] = {0x10, 0x20, 0x0C, 0x56, 0x61, 0x80, 0xEC, 0x11,
                            0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11};
    uint8_t ec[10];
    reedSolomon(data, 16, 10, ec);
    const uint8_t expected[] = {0xA5, 0x24, 0xD4, 0xC1, 0xED, 0x36, 0xC7, 0x87, 0x2C, 0x55};
    EXPECT_EQ(std::vector<uint8_t>(ec, ec + 10), std::vector<uint8_t>(expected, expected + 10));
}

TEST(ReedSolomon, GeneratorPolynomialsMatchTheStandard)
{
    // Dividing x^n by g leaves g's lower coefficients: their logarithms are
    // the standard's generator exponents.
    const std::vector<std::vector<int>> expected = {
        {7, 87, 229, 146, 149, 238, 102, 21},
        {13, 74, 152, 176, 100, 86, 100, 106, 104, 130, 218, 206, 140, 78},
        {24,  229, 121, 135, 48,  211, 117, 251, 126, 159, 180, 169, 152,
         192, 226, 228, 218, 111, 0,   117, 232, 87,  96,  227, 21},
        {30,  41, 173, 145, 152, 216, 31,  179, 182, 50,  48,  110, 86, 239, 96, 222,
         125, 42, 173, 226, 193, 224, 130, 156, 37,  251, 216, 238, 40, 192, 180},
    };
    for (const auto &row : expected) {
        const int n = row[0];
        const uint8_t one = 1;
        std::vector<uint8_t> ec(static_cast<size_t>(n));
        reedSolomon(&one, 1, n, ec.data());
        for (int i = 0; i < n; ++i)
            EXPECT_EQ(logOf(ec[static_cast<size_t>(i)]), row[static_cast<size_t>(i) + 1]) << n << ' ' << i;
    }
}

TEST(ReedSolomon, EveryBlockLengthAgreesWithLongDivision)
{
    std::vector<uint8_t> data;
    for (int i = 0; i < 123; ++i)
        data.push_back(static_cast<uint8_t>(i * 37 + 11));
    for (int n = 1; n <= kMaxEcPerBlock; ++n) {
        std::vector<uint8_t> ec(static_cast<size_t>(n));
        reedSolomon(data.data(), static_cast<int>(data.size()), n, ec.data());
        EXPECT_EQ(ec, slowReedSolomon(data, n)) << n;
    }
    for (int a = 0; a < 256; a += 7) {
        for (int b = 0; b < 256; b += 3)
            ASSERT_EQ(gfMultiply(uint8_t(a), uint8_t(b)), slowMultiply(uint8_t(a), uint8_t(b)));
    }
}

TEST(FormatInformation, AllWordsOfTheThreeTypes)
{
    const uint16_t model2[4][8] = {{0x77C4, 0x72F3, 0x7DAA, 0x789D, 0x662F, 0x6318, 0x6C41, 0x6976},
                                   {0x5412, 0x5125, 0x5E7C, 0x5B4B, 0x45F9, 0x40CE, 0x4F97, 0x4AA0},
                                   {0x355F, 0x3068, 0x3F31, 0x3A06, 0x24B4, 0x2183, 0x2EDA, 0x2BED},
                                   {0x1689, 0x13BE, 0x1CE7, 0x19D0, 0x0762, 0x0255, 0x0D0C, 0x083B}};
    const uint16_t model1[4][8] = {{0x0BF3, 0x0EC4, 0x019D, 0x04AA, 0x1A18, 0x1F2F, 0x1076, 0x1541},
                                   {0x2825, 0x2D12, 0x224B, 0x277C, 0x39CE, 0x3CF9, 0x33A0, 0x3697},
                                   {0x4968, 0x4C5F, 0x4306, 0x4631, 0x5883, 0x5DB4, 0x52ED, 0x57DA},
                                   {0x6ABE, 0x6F89, 0x60D0, 0x65E7, 0x7B55, 0x7E62, 0x713B, 0x740C}};
    for (int lv = 0; lv < 4; ++lv) {
        for (int mask = 0; mask < 8; ++mask) {
            EXPECT_EQ(formatWord(SymbolType::Model2, Level(lv), 1, mask), model2[lv][mask]);
            EXPECT_EQ(formatWord(SymbolType::Model1, Level(lv), 1, mask), model1[lv][mask]);
        }
    }
    // Micro QR by symbol number: M1, M2-L, M2-M, M3-L, M3-M, M4-L, M4-M, M4-Q.
    const uint16_t micro[8][4] = {{0x4445, 0x4172, 0x4E2B, 0x4B1C}, {0x55AE, 0x5099, 0x5FC0, 0x5AF7},
                                  {0x6793, 0x62A4, 0x6DFD, 0x68CA}, {0x7678, 0x734F, 0x7C16, 0x7921},
                                  {0x06DE, 0x03E9, 0x0CB0, 0x0987}, {0x1735, 0x1202, 0x1D5B, 0x186C},
                                  {0x2508, 0x203F, 0x2F66, 0x2A51}, {0x34E3, 0x31D4, 0x3E8D, 0x3BBA}};
    const struct {
        int version;
        Level level;
    } symbols[8] = {{1, Level::L}, {2, Level::L}, {2, Level::M}, {3, Level::L},
                    {3, Level::M}, {4, Level::L}, {4, Level::M}, {4, Level::Q}};
    for (int s = 0; s < 8; ++s) {
        for (int mask = 0; mask < 4; ++mask)
            EXPECT_EQ(formatWord(SymbolType::Micro, symbols[s].level, symbols[s].version, mask), micro[s][mask]);
    }
}

TEST(VersionInformation, WordsOfVersions7To40)
{
    const uint32_t words[34] = {0x07C94, 0x085BC, 0x09A99, 0x0A4D3, 0x0BBF6, 0x0C762, 0x0D847, 0x0E60D, 0x0F928,
                                0x10B78, 0x1145D, 0x12A17, 0x13532, 0x149A6, 0x15683, 0x168C9, 0x177EC, 0x18EC4,
                                0x191E1, 0x1AFAB, 0x1B08E, 0x1CC1A, 0x1D33F, 0x1ED75, 0x1F250, 0x209D5, 0x216F0,
                                0x228BA, 0x2379F, 0x24B0B, 0x2542E, 0x26A64, 0x27541, 0x28C69};
    for (int v = 7; v <= 40; ++v)
        EXPECT_EQ(versionWord(v), words[v - 7]) << v;
}

TEST(Model2Layout, CodewordsRemainderBitsAndAlignment)
{
    const int total[40] = {26,   44,   70,   100,  134,  172,  196,  242,  292,  346,  404,  466,  532,  581,
                           655,  733,  815,  901,  991,  1085, 1156, 1258, 1364, 1474, 1588, 1706, 1828, 1921,
                           2051, 2185, 2323, 2465, 2611, 2761, 2876, 3034, 3196, 3362, 3532, 3706};
    const int remainder[40] = {0, 7, 7, 7, 7, 7, 0, 0, 0, 0, 0, 0, 0, 3, 3, 3, 3, 3, 3, 3,
                               4, 4, 4, 4, 4, 4, 4, 3, 3, 3, 3, 3, 3, 3, 0, 0, 0, 0, 0, 0};
    static BitMatrix modules, function;
    for (int v = 1; v <= 40; ++v) {
        EXPECT_EQ(symbolSize(SymbolType::Model2, v), 17 + 4 * v);
        for (int lv = 0; lv < 4; ++lv) {
            BlockLayout b;
            ASSERT_TRUE(blockLayout(SymbolType::Model2, v, Level(lv), b));
            EXPECT_EQ(b.totalCodewords, total[v - 1]) << v << ' ' << lv;
        }
        // The free modules hold exactly the codewords and the remainder bits.
        drawFunctionPatterns(SymbolType::Model2, v, modules, function);
        int free = 0;
        for (int y = 0; y < modules.size; ++y) {
            for (int x = 0; x < modules.size; ++x)
                free += !function.get(x, y);
        }
        EXPECT_EQ(free, 8 * total[v - 1] + remainder[v - 1]) << v;
    }
    int c[7];
    ASSERT_EQ(alignmentCentres(1, c), 0);
    ASSERT_EQ(alignmentCentres(2, c), 2);
    EXPECT_EQ(c[1], 18);
    ASSERT_EQ(alignmentCentres(32, c), 6);
    EXPECT_EQ(std::vector<int>(c, c + 6), (std::vector<int>{6, 34, 60, 86, 112, 138}));
    ASSERT_EQ(alignmentCentres(36, c), 7);
    EXPECT_EQ(std::vector<int>(c, c + 7), (std::vector<int>{6, 24, 50, 76, 102, 128, 154}));
    ASSERT_EQ(alignmentCentres(40, c), 7);
    EXPECT_EQ(std::vector<int>(c, c + 7), (std::vector<int>{6, 30, 58, 86, 114, 142, 170}));
}

TEST(MicroLayout, SizesCapacitiesAndFreeModules)
{
    // Version, level, data bits, EC codewords; levels that do not exist fail.
    const struct {
        int version;
        Level level;
        int dataBits, ec;
    } rows[] = {{1, Level::L, 20, 2}, {2, Level::L, 40, 5},  {2, Level::M, 32, 6},   {3, Level::L, 84, 6},
                {3, Level::M, 68, 8}, {4, Level::L, 128, 8}, {4, Level::M, 112, 10}, {4, Level::Q, 80, 14}};
    static BitMatrix modules, function;
    for (const auto &r : rows) {
        BlockLayout b;
        ASSERT_TRUE(blockLayout(SymbolType::Micro, r.version, r.level, b));
        EXPECT_EQ(b.dataBits, r.dataBits);
        EXPECT_EQ(b.ecPerBlock, r.ec);
        drawFunctionPatterns(SymbolType::Micro, r.version, modules, function);
        EXPECT_EQ(modules.size, 2 * r.version + 9);
        int free = 0;
        for (int y = 0; y < modules.size; ++y) {
            for (int x = 0; x < modules.size; ++x)
                free += !function.get(x, y);
        }
        EXPECT_EQ(free, r.dataBits + 8 * r.ec); // Micro QR has no remainder bits
    }
    BlockLayout b;
    EXPECT_FALSE(blockLayout(SymbolType::Micro, 1, Level::M, b));
    EXPECT_FALSE(blockLayout(SymbolType::Micro, 3, Level::Q, b));
    EXPECT_FALSE(blockLayout(SymbolType::Micro, 4, Level::H, b));
}

// Model 1 cannot be read by the decoder at hand: its facts are checked
// against values worked out from the tables.
TEST(Model1Layout, SlotsTileTheFreeModulesExactly)
{
    const int geometricTotal[14] = {26, 46, 72, 100, 134, 170, 212, 256, 306, 358, 416, 476, 542, 610};
    static BitMatrix modules, function, covered;
    static Slot slots[610];
    for (int v = 1; v <= 14; ++v) {
        drawFunctionPatterns(SymbolType::Model1, v, modules, function);
        const int d = modules.size;
        ASSERT_EQ(d, 4 * v + 17);
        const int n = model1Slots(v, slots);
        ASSERT_EQ(n, geometricTotal[v - 1]) << v;
        covered.clear(d);
        for (int s = 0; s < n; ++s) {
            for (int k = s == 0 ? 4 : 0; k < 8; ++k) {
                const int x = slots[s].vertical ? slots[s].x - (k & 1) : slots[s].x - (k & 3);
                const int y = slots[s].vertical ? slots[s].y - (k >> 1) : slots[s].y - (k >> 2);
                ASSERT_FALSE(function.get(x, y)) << v << " slot " << s;
                ASSERT_FALSE(covered.get(x, y)) << v << " slot " << s;
                covered.set(x, y, true);
            }
        }
        for (int y = 0; y < d; ++y) {
            for (int x = 0; x < d; ++x)
                ASSERT_TRUE(function.get(x, y) || covered.get(x, y)) << v << ' ' << x << ',' << y;
        }
        // Extension pieces: light inside, dark on the edge; the corner piece.
        for (int k = 1; k <= v / 2; ++k) {
            const int from = d - 4 - 8 * k;
            EXPECT_TRUE(modules.get(d - 1, from) && !modules.get(d - 2, from + 3));
            EXPECT_TRUE(modules.get(from + 3, d - 1) && !modules.get(from, d - 2));
        }
        EXPECT_TRUE(modules.get(d - 1, d - 1));
        EXPECT_FALSE(modules.get(d - 2, d - 1) || modules.get(d - 1, d - 2) || modules.get(d - 2, d - 2));
        EXPECT_TRUE(modules.get(8, d - 8)); // dark module
    }
}

TEST(Model1Layout, BlocksAndDataCapacity)
{
    // Blocks, data codewords per block and remainder codewords worked out
    // from the block table for a few versions with several blocks.
    const struct {
        int version;
        Level level;
        int blocks, data, ec, remainder;
    } rows[] = {{1, Level::M, 1, 16, 10, 0},  {5, Level::H, 2, 23, 44, 0},   {7, Level::H, 3, 24, 46, 2},
                {10, Level::H, 4, 31, 58, 2}, {13, Level::L, 3, 144, 36, 2}, {14, Level::H, 6, 35, 66, 4},
                {14, Level::L, 3, 163, 40, 1}};
    for (const auto &r : rows) {
        BlockLayout b;
        ASSERT_TRUE(blockLayout(SymbolType::Model1, r.version, r.level, b));
        EXPECT_EQ(b.blocks1, r.blocks);
        EXPECT_EQ(b.blocks2, 0);
        EXPECT_EQ(b.data1, r.data);
        EXPECT_EQ(b.ecPerBlock, r.ec);
        EXPECT_EQ(b.totalCodewords - r.blocks * (r.data + r.ec), r.remainder);
        EXPECT_EQ(b.dataBits, 8 * r.blocks * r.data - 4); // the leading zero nibble
    }
}

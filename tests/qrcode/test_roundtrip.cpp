// Symbols read back by a real decoder (zxing reads Model 2 and Micro QR).
#include "qrtestutil.h"

#include <gtest/gtest.h>

#include <string>

using namespace kzbarqr;
using qrtest::decode;

namespace {

// Largest number of digits per Model 2 version at L, M, Q, H (a single
// numeric segment), as the standard's capacity table lists them.
constexpr int kNumericCapacity[40][4] = {
    {41, 34, 27, 17},         {77, 63, 48, 34},         {127, 101, 77, 58},       {187, 149, 111, 82},
    {255, 202, 144, 106},     {322, 255, 178, 139},     {370, 293, 207, 154},     {461, 365, 259, 202},
    {552, 432, 312, 235},     {652, 513, 364, 288},     {772, 604, 427, 331},     {883, 691, 489, 374},
    {1022, 796, 580, 427},    {1101, 871, 621, 468},    {1250, 991, 703, 530},    {1408, 1082, 775, 602},
    {1548, 1212, 876, 674},   {1725, 1346, 948, 746},   {1903, 1500, 1063, 813},  {2061, 1600, 1159, 919},
    {2232, 1708, 1224, 969},  {2409, 1872, 1358, 1056}, {2620, 2059, 1468, 1108}, {2812, 2188, 1588, 1228},
    {3057, 2395, 1718, 1286}, {3283, 2544, 1804, 1425}, {3517, 2701, 1933, 1501}, {3669, 2857, 2085, 1581},
    {3909, 3035, 2181, 1677}, {4158, 3289, 2358, 1782}, {4417, 3486, 2473, 1897}, {4686, 3693, 2670, 2022},
    {4965, 3909, 2805, 2157}, {5253, 4134, 2949, 2301}, {5529, 4343, 3081, 2361}, {5836, 4588, 3244, 2524},
    {6153, 4775, 3417, 2625}, {6479, 5039, 3599, 2735}, {6743, 5313, 3791, 2927}, {7089, 5596, 3993, 3057},
};

const char kLevelLetters[] = "LMQH";

std::string digits(int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += static_cast<char>('0' + (i * 7 + i / 10) % 10);
    return s;
}

struct Made {
    int rc;
    int version;
    int mask;
    qrtest::Decoded read;
};

Made makeAndRead(const std::string &src, SymbolType type)
{
    auto ws = qrtest::makeWorkspace();
    Made m{encodeSymbol(*ws, src.c_str(), static_cast<int>(type)), 0, -1, {}};
    if (m.rc == kOk) {
        m.version = ws->version;
        m.mask = ws->mask;
        m.read = decode(ws->symbol, type == SymbolType::Micro);
    }
    return m;
}

// Shift-JIS text: 漢字テスト, and the two characters of the standard's Kanji example.
const std::string kKanji = "\x8A\xBF\x8E\x9A\x83\x65\x83\x58\x83\x67\x93\x5F\xE4\xAA";

} // namespace

TEST(RoundTrip, EveryModel2VersionAndLevelAtFullNumericCapacity)
{
    for (int v = 1; v <= 40; ++v) {
        for (int lv = 0; lv < 4; ++lv) {
            const int capacity = kNumericCapacity[v - 1][lv];
            const std::string data = digits(capacity);
            const std::string prefix = std::string(1, kLevelLetters[lv]) + "A,";
            const Made full = makeAndRead(prefix + data, SymbolType::Model2);
            ASSERT_EQ(full.rc, kOk) << v << kLevelLetters[lv];
            EXPECT_EQ(full.version, v) << kLevelLetters[lv];
            ASSERT_TRUE(full.read.valid) << v << kLevelLetters[lv];
            EXPECT_EQ(full.read.bytes, data) << v << kLevelLetters[lv];
            EXPECT_EQ(full.read.ecLevel, std::string(1, kLevelLetters[lv]));
            // One digit more needs the next version (or fits nowhere).
            const Made over = makeAndRead(prefix + data + "7", SymbolType::Model2);
            if (v < 40) {
                EXPECT_EQ(over.version, v + 1) << v << kLevelLetters[lv];
            } else {
                EXPECT_EQ(over.rc, kDataTooLong);
            }
        }
    }
}

TEST(RoundTrip, ModesAndMixedDataInModel2)
{
    std::string high; // bytes above 0x7F that pair into no Kanji character
    for (int c = 0xA1; c <= 0xDF; ++c)
        high += static_cast<char>(c);
    const struct {
        std::string src;
        std::string expected;
    } cases[] = {
        {"MA,0123456789", "0123456789"},
        {"QA,HELLO WORLD $%*+-./:", "HELLO WORLD $%*+-./:"},
        {"LA,hello, world! \x01\x7F", "hello, world! \x01\x7F"},
        {"HA," + high, high},
        {"MA," + kKanji, kKanji},
        {"MA,ABC123abc" + kKanji + "0123456789012345XYZ\xB1\xB2", "ABC123abc" + kKanji + "0123456789012345XYZ\xB1\xB2"},
        // Manual: numeric, 5 bytes holding the separator, alphanumeric, Kanji.
        {"QM,N0123456789,B0005ab,cd,AHELLO,K" + kKanji, "0123456789ab,cdHELLO" + kKanji},
        // Byte segments take any byte, separators and line ends included.
        {"MM,B0006\xFF\x80,\r\n\x81,N42", "\xFF\x80,\r\n\x81"
                                          "42"},
        // A manual segment whose characters do not fit its letter still reads back.
        {"MM,N12ab,Kxyz,Aabc", "12abxyzabc"},
    };
    for (const auto &c : cases) {
        const Made m = makeAndRead(c.src, SymbolType::Model2);
        ASSERT_EQ(m.rc, kOk) << c.src;
        ASSERT_TRUE(m.read.valid) << c.src;
        EXPECT_EQ(m.read.bytes, c.expected) << c.src;
    }
}

TEST(RoundTrip, NearCapacityMixedDataAcrossVersions)
{
    // Mixed text grown until the version changes: the last size that still
    // fits each version is read back whole.
    std::string unit = "Lot 2024-07 " + kKanji + " 0123456789 abcXYZ ";
    for (int lv = 0; lv < 4; ++lv) {
        std::string data;
        int lastVersion = 0;
        std::string lastData;
        while (data.size() < 3000) {
            data += unit.substr(0, 7);
            unit = unit.substr(7) + unit.substr(0, 7);
            const Made m = makeAndRead(std::string(1, kLevelLetters[lv]) + "A," + data, SymbolType::Model2);
            if (m.rc == kDataTooLong) {
                EXPECT_EQ(lastVersion, 40); // only when 40 is full
                break;
            }
            ASSERT_EQ(m.rc, kOk);
            if (m.version != lastVersion && !lastData.empty()) {
                const Made prev = makeAndRead(std::string(1, kLevelLetters[lv]) + "A," + lastData, SymbolType::Model2);
                ASSERT_TRUE(prev.read.valid) << lastData.size() << kLevelLetters[lv];
                EXPECT_EQ(prev.read.bytes, lastData);
            }
            lastVersion = m.version;
            lastData = data;
        }
    }
}

TEST(RoundTrip, EveryForcedMaskReads)
{
    for (int mask = 0; mask < 8; ++mask) {
        const std::string src = "H" + std::to_string(mask) + "A,MASK TEST " + digits(40);
        const Made m = makeAndRead(src, SymbolType::Model2);
        ASSERT_EQ(m.rc, kOk);
        EXPECT_EQ(m.mask, mask);
        ASSERT_TRUE(m.read.valid) << mask;
        EXPECT_EQ(m.read.bytes, "MASK TEST " + digits(40));
    }
    for (int mask = 0; mask < 4; ++mask) {
        const Made m = makeAndRead("L" + std::to_string(mask) + "A,abc", SymbolType::Micro);
        ASSERT_EQ(m.rc, kOk);
        EXPECT_EQ(m.mask, mask);
        ASSERT_TRUE(m.read.valid) << mask;
        EXPECT_EQ(m.read.bytes, "abc");
    }
}

TEST(RoundTrip, MaskDigitsThatNameNoMaskChooseAutomatically)
{
    const Made autoQr = makeAndRead("MA,MASK DIGIT", SymbolType::Model2);
    for (const char *src : {"M8A,MASK DIGIT", "M9A,MASK DIGIT"}) {
        const Made m = makeAndRead(src, SymbolType::Model2);
        ASSERT_TRUE(m.read.valid);
        EXPECT_EQ(m.mask, autoQr.mask);
    }
    const Made autoMicro = makeAndRead("MA,MICRO", SymbolType::Micro);
    for (int digit = 4; digit <= 9; ++digit) {
        const Made m = makeAndRead("M" + std::to_string(digit) + "A,MICRO", SymbolType::Micro);
        ASSERT_TRUE(m.read.valid) << digit;
        EXPECT_EQ(m.mask, autoMicro.mask);
    }
}

TEST(RoundTrip, MicroQrEveryVersionLevelAndMode)
{
    const struct {
        std::string src;
        int version;
        std::string level; // as the decoder reports it
        std::string expected;
    } cases[] = {
        {"LA,12345", 1, "", "12345"},
        {"MA,12345", 2, "M", "12345"}, // M1 has no level M
        {"LA,123456", 2, "L", "123456"},
        {"LA,ABC12", 2, "L", "ABC12"},
        {"MA,ABCDE", 2, "M", "ABCDE"},
        {"LA,abc", 3, "L", "abc"},
        {"MA," + digits(18), 3, "M", digits(18)},
        {"LA," + digits(23), 3, "L", digits(23)},
        {"LA,\x8A\xBF\x8E\x9A", 3, "L", "\x8A\xBF\x8E\x9A"},
        {"LA," + digits(35), 4, "L", digits(35)},
        {"MA," + digits(30), 4, "M", digits(30)},
        {"QA," + digits(21), 4, "Q", digits(21)},
        {"LA,abcdefghijklmno", 4, "L", "abcdefghijklmno"},
        {"QA,ABCDEFGHIJKLM", 4, "Q", "ABCDEFGHIJKLM"},
        {"LA,AB12ab" + kKanji.substr(0, 4), 3, "L", "AB12ab" + kKanji.substr(0, 4)},
        {"LM,N123,Aabc,K\x8A\xBF", 3, "L", "123abc\x8A\xBF"},
    };
    for (const auto &c : cases) {
        const Made m = makeAndRead(c.src, SymbolType::Micro);
        ASSERT_EQ(m.rc, kOk) << c.src;
        EXPECT_EQ(m.version, c.version) << c.src;
        ASSERT_TRUE(m.read.valid) << c.src;
        EXPECT_TRUE(m.read.micro);
        EXPECT_EQ(m.read.bytes, c.expected) << c.src;
        if (!c.level.empty()) {
            EXPECT_EQ(m.read.ecLevel, c.level) << c.src;
        }
    }
    // Beyond M4, and levels Micro QR does not have.
    EXPECT_EQ(makeAndRead("LA," + digits(36), SymbolType::Micro).rc, kDataTooLong);
    EXPECT_EQ(makeAndRead("HA,1", SymbolType::Micro).rc, kDataTooLong);
    EXPECT_EQ(makeAndRead("QA," + digits(22), SymbolType::Micro).rc, kDataTooLong);
}

TEST(RoundTrip, StructuredAppendSequenceReadsAsOneMessage)
{
    // The standard's example: 60 characters in four symbols, parity 0x01.
    const char *parts[] = {"ABCDEFGHIJKLMN", "OPQRSTUVWXYZ0123", "456789ABCDEFGHIJ", "KLMNOPQRSTUVWXYZ"};
    std::string whole;
    for (int i = 0; i < 4; ++i) {
        const std::string src = "D0" + std::to_string(i + 1) + "0401,MA," + parts[i];
        const Made m = makeAndRead(src, SymbolType::Model2);
        ASSERT_EQ(m.rc, kOk) << src;
        EXPECT_EQ(m.version, 1);
        ASSERT_TRUE(m.read.valid) << src;
        EXPECT_EQ(m.read.sequenceIndex, i);
        EXPECT_EQ(m.read.sequenceSize, 4);
        EXPECT_EQ(m.read.sequenceId, "1");
        whole += m.read.bytes;
    }
    EXPECT_EQ(whole, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ");

    // Sixteen symbols, single-digit notation and lower-case parity.
    const Made last = makeAndRead("d1616ff,LA,end", SymbolType::Model2);
    ASSERT_TRUE(last.read.valid);
    EXPECT_EQ(last.read.sequenceIndex, 15);
    EXPECT_EQ(last.read.sequenceSize, 16);
    EXPECT_EQ(last.read.sequenceId, "255");
    const Made single = makeAndRead("D23A5;QA,two of three", SymbolType::Model2);
    ASSERT_TRUE(single.read.valid);
    EXPECT_EQ(single.read.sequenceIndex, 1);
    EXPECT_EQ(single.read.sequenceSize, 3);
    EXPECT_EQ(single.read.bytes, "two of three");
}

TEST(RoundTrip, LongestInputInLargestSymbol)
{
    // 7366 characters is the data limit; digits fit 40-L only up to 7089.
    const Made fits = makeAndRead("LA," + digits(7089), SymbolType::Model2);
    ASSERT_TRUE(fits.read.valid);
    EXPECT_EQ(fits.read.bytes, digits(7089));
    EXPECT_EQ(makeAndRead("LA," + digits(7366), SymbolType::Model2).rc, kDataTooLong);
    EXPECT_EQ(makeAndRead("LA," + digits(7367), SymbolType::Model2).rc, kDataTooLong);
    // Near-capacity bytes of every kind: 2953 bytes fit 40-L.
    std::string bytes;
    for (int i = 0; bytes.size() < 2953; ++i)
        bytes += static_cast<char>(0xA1 + i % 0x3F);
    const Made big = makeAndRead("LA," + bytes, SymbolType::Model2);
    ASSERT_EQ(big.rc, kOk);
    EXPECT_EQ(big.version, 40);
    ASSERT_TRUE(big.read.valid);
    EXPECT_EQ(big.read.bytes, bytes);
}

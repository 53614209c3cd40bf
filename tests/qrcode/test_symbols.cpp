// Published example symbols, codeword for codeword and module for module.
#include "qrtestutil.h"
#include "referencesymbols.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>
#include <string>
#include <vector>

using namespace kzbarqr;

namespace {

std::vector<uint8_t> hex(const std::string &text)
{
    std::vector<uint8_t> out;
    std::istringstream in(text);
    std::string byte;
    while (in >> byte)
        out.push_back(static_cast<uint8_t>(std::stoi(byte, nullptr, 16)));
    return out;
}

template <size_t N> std::vector<std::string> rows(const char *const (&m)[N])
{
    return std::vector<std::string>(std::begin(m), std::end(m));
}

std::vector<uint8_t> dataCodewords(const Workspace &ws)
{
    BlockLayout b;
    blockLayout(ws.type, ws.version, ws.level, b);
    return {ws.data, ws.data + b.dataCodewords};
}

// The check codewords as the final sequence holds them after the data
// (block after block for Model 1 and Micro QR).
std::vector<uint8_t> ecCodewords(const Workspace &ws)
{
    BlockLayout b;
    blockLayout(ws.type, ws.version, ws.level, b);
    const int ec = (b.blocks1 + b.blocks2) * b.ecPerBlock;
    return {ws.codewords + b.dataCodewords, ws.codewords + b.dataCodewords + ec};
}

std::vector<uint8_t> finalSequence(const Workspace &ws)
{
    BlockLayout b;
    blockLayout(ws.type, ws.version, ws.level, b);
    return {ws.codewords, ws.codewords + b.totalCodewords};
}

struct Example {
    const char *src;
    SymbolType type;
    int version;
    const char *data;
    const char *ec;
    int mask; // -1: not checked
};

// A symbol of forced version from one segment (automatic choice would pick
// a smaller one).
void buildOneSegment(Workspace &ws, SymbolType type, int version, Level level, Mode mode, const char *text, int mask)
{
    ws.segments.count = 1;
    ws.segments.items[0] =
        Segment{mode, static_cast<int>(std::char_traits<char>::length(text)), reinterpret_cast<const uint8_t *>(text)};
    buildSymbol(ws, type, version, level, AppendHeader{}, mask);
}

} // namespace

TEST(ExampleSymbols, CodewordsOfModel2AndMicroExamples)
{
    const Example examples[] = {
        {"M2A,01234567", SymbolType::Model2, 1, "10 20 0C 56 61 80 EC 11 EC 11 EC 11 EC 11 EC 11",
         "A5 24 D4 C1 ED 36 C7 87 2C 55", 2},
        {"QA,HELLO WORLD", SymbolType::Model2, 1, "20 5B 0B 78 D1 72 DC 4D 43 40 EC 11 EC",
         "A8 48 16 52 D9 36 9C 00 2E 0F B4 7A 10", -1},
        {"MA,HELLO WORLD", SymbolType::Model2, 1, "20 5B 0B 78 D1 72 DC 4D 43 40 EC 11 EC 11 EC 11",
         "C4 23 27 77 EB D7 E7 E2 5D 17", -1},
        {"LM,B0013Hello, world!", SymbolType::Model2, 1, "40 D4 86 56 C6 C6 F2 C2 07 76 F7 26 C6 42 10 EC 11 EC 11",
         "F5 13 98 BA DB 72 2D", -1},
        {"HM,K\x93\x5F\xE4\xAA", SymbolType::Model2, 1, "80 26 CF EA A8 00 EC 11 EC",
         "12 4B 37 F1 4B 8C 15 75 AE F2 DD F3 57 C7 7B 32 A9", -1},
        {"M5M,B0014QR Code Symbol", SymbolType::Model2, 1, "40 E5 15 22 04 36 F6 46 52 05 37 96 D6 26 F6 C0",
         "84 C8 66 58 21 63 2C 20 25 39", 5},
        {"MM,N123,AABC", SymbolType::Model2, 1, "10 0C 7B 20 19 CD 30 00 EC 11 EC 11 EC 11 EC 11",
         "39 D1 AA 0A EF A5 63 C0 A6 A4", -1},
        // Structured append, the standard's four symbols of one message.
        {"D010401,M0A,ABCDEFGHIJKLMN", SymbolType::Model2, 1, "30 30 12 07 1C D4 52 A1 57 0B 3D 73 2F D4 00 EC",
         "6A 52 6C 91 F3 82 56 4D 46 C2", 0},
        {"D020401,M7M,AOPQRSTUVWXYZ0123", SymbolType::Model2, 1, "31 30 12 08 45 19 5B 42 6B 2D C1 C3 A0 04 2E 80",
         "89 38 52 6B 55 10 07 51 98 13", 7},
        {"D030401,M7M,A456789ABCDEFGHIJ", SymbolType::Model2, 1, "32 30 12 08 0B 92 2A 5C 4E 6A 29 50 AB 85 9E 80",
         "9B D2 AF 51 72 34 B1 5A A3 23", 7},
        {"D040401,M3A,KLMNOPQRSTUVWXYZ", SymbolType::Model2, 1, "33 30 12 08 39 97 EB 14 65 6D 09 AC B7 07 0E 80",
         "9D E0 D5 65 95 99 37 AE 66 E5", 3},
        // Micro QR; masks without a digit are the automatic choice.
        {"L1A,01234567", SymbolType::Micro, 2, "40 18 AC C3 00", "86 0D 22 AE 30", 1},
        {"M0A,12345", SymbolType::Micro, 2, "28 F6 B4 00", "17 CB 6D 30 2F C4", 0},
        {"LA,12345", SymbolType::Micro, 1, "A3 DA D0", "6E C7", 2},
        {"QA,ABC", SymbolType::Micro, 4, "23 39 A6 00 00 EC 11 EC 11 EC", "42 50 53 0F 39 BF 58 E8 23 C2 DF 96 33 B3",
         2},
        {"MM,B0002AB", SymbolType::Micro, 3, "89 05 08 00 EC 11 EC 11 00", "71 75 91 6C 0B 9D D5 3E", 2},
        // Model 1: a zero nibble first, blocks one after the other.
        {"M1A,01234567", SymbolType::Model1, 1, "01 02 00 C5 66 18 00 EC 11 EC 11 EC 11 EC 11 EC",
         "8E 11 33 8B D6 AC E9 BE 93 CD", 1},
    };
    auto ws = qrtest::makeWorkspace();
    for (const Example &e : examples) {
        ASSERT_EQ(encodeSymbol(*ws, e.src, static_cast<int>(e.type)), kOk) << e.src;
        EXPECT_EQ(ws->version, e.version) << e.src;
        EXPECT_EQ(dataCodewords(*ws), hex(e.data)) << e.src;
        EXPECT_EQ(ecCodewords(*ws), hex(e.ec)) << e.src;
        if (e.mask >= 0) {
            EXPECT_EQ(ws->mask, e.mask) << e.src;
        }
    }
}

TEST(ExampleSymbols, ModuleMatricesOfSmallSymbols)
{
    const struct {
        const char *src;
        SymbolType type;
        std::vector<std::string> expected;
    } examples[] = {
        {"M2A,01234567", SymbolType::Model2, rows(refsym::k01234567M2)},
        {"L1A,01234567", SymbolType::Micro, rows(refsym::kMicro01234567)},
        {"M0A,12345", SymbolType::Micro, rows(refsym::kMicro12345M2M)},
        {"LA,12345", SymbolType::Micro, rows(refsym::kMicroM1)},
        {"M1A,01234567", SymbolType::Model1, rows(refsym::kModel1V1)},
        {"M5M,B0016QR Code Model 1 ", SymbolType::Model1, rows(refsym::kModel1V2)},
    };
    auto ws = qrtest::makeWorkspace();
    for (const auto &e : examples) {
        ASSERT_EQ(encodeSymbol(*ws, e.src, static_cast<int>(e.type)), kOk) << e.src;
        EXPECT_EQ(qrtest::rowsOf(ws->symbol), e.expected) << e.src;
    }
}

TEST(ExampleSymbols, MicroM3WithItsShortLastCodeword)
{
    auto ws = qrtest::makeWorkspace();
    buildOneSegment(*ws, SymbolType::Micro, 3, Level::L, Mode::Numeric, "123", 0);
    EXPECT_EQ(dataCodewords(*ws), hex("06 3D 80 EC 11 EC 11 EC 11 EC 00"));
    EXPECT_EQ(ecCodewords(*ws), hex("BA 0A 27 32 83 8C"));
    EXPECT_EQ(qrtest::rowsOf(ws->symbol), rows(refsym::kMicroM3L));
}

TEST(ExampleSymbols, Model2Version7InterleavesUnequalBlocks)
{
    auto ws = qrtest::makeWorkspace();
    const std::string digits = "01234567890123456789012345678901234567890123456789";
    buildOneSegment(*ws, SymbolType::Model2, 7, Level::Q, Mode::Numeric, digits.c_str(), 0);
    EXPECT_EQ(finalSequence(*ws),
              hex("10 40 EC 11 EC 11 C8 C5 11 EC 11 EC 0C 66 EC 11 EC 11 56 A6 11 EC 11 EC 6A E1 EC "
                  "11 EC 11 6E 4E 11 EC 11 EC 14 A8 EC 11 EC 11 EA DE 11 EC 11 EC 8D C8 EC 11 EC 11 "
                  "F7 00 11 EC 11 EC A1 EC EC 11 EC 11 ED 11 11 EC 11 EC C8 EC EC 11 EC 11 C5 11 11 "
                  "EC 11 EC EC 11 EC 11 2F 62 25 08 25 08 22 FB 9C 7F 9C 7F F3 FF 06 3A 06 3A 5E 9F "
                  "EA D5 EA D5 46 26 C2 45 C2 45 F0 D5 08 56 08 56 BA 89 C5 D1 C5 D1 8B 9C 9F 22 9F "
                  "22 3C EF F7 04 F7 04 91 50 D4 CE D4 CE 37 0F A4 4B A4 4B D1 3F BE E5 BE E5 83 BC "
                  "7F 52 7F 52 D9 35 EF 75 EF 75 72 7C 9D F5 9D F5 96 E2 EB FD EB FD 89 72 D0 DF D0 "
                  "DF 18 A1 DB 00 DB 00"));
    EXPECT_EQ(qrtest::rowsOf(ws->symbol), rows(refsym::kVersion7Q));
}

TEST(ExampleSymbols, Model2Version4StructuredMessageInTwoBlocks)
{
    auto ws = qrtest::makeWorkspace();
    ASSERT_EQ(encodeSymbol(*ws, "MA,ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ", 2), kOk);
    EXPECT_EQ(ws->version, 4);
    EXPECT_EQ(finalSequence(*ws),
              hex("21 CF F1 5C CD CB 45 F5 2A 8A 15 32 70 B6 B3 84 D7 D6 32 5B FD 83 62 87 8C 40 AD "
                  "EC A1 11 35 EC 96 11 E0 EC E1 11 D0 EC 02 11 17 EC 45 11 C9 EC 15 11 2E EC 27 11 "
                  "35 EC 14 11 A8 EC 55 11 C2 EC E5 A2 F5 28 2A E1 99 5E A2 97 97 32 A0 DA AB B4 FB "
                  "9C 89 FE 4A 3E 3C 3F 67 2F 3A 1C C6 67 2A 99 37 4E A8 E1"));
}

TEST(ExampleSymbols, Model1Version7KeepsRemainderCodewordsLight)
{
    auto ws = qrtest::makeWorkspace();
    buildOneSegment(*ws, SymbolType::Model1, 7, Level::H, Mode::Alphanumeric, "MODEL 1", 4);
    const std::vector<uint8_t> seq = finalSequence(*ws);
    ASSERT_EQ(seq.size(), 212u);
    EXPECT_EQ(std::vector<uint8_t>(seq.begin(), seq.begin() + 8), hex("02 03 BF 64 AE F5 41 00"));
    // Three blocks of 46 check codewords, then two remainder codewords.
    EXPECT_EQ(std::vector<uint8_t>(seq.begin() + 72, seq.begin() + 82), hex("B8 38 A8 D3 83 25 8C F6 04 68"));
    EXPECT_EQ(std::vector<uint8_t>(seq.end() - 8, seq.end()), hex("BD 26 D9 32 7A F6 00 00"));
}

TEST(ExampleSymbols, Model1TwoBlocksOneAfterTheOther)
{
    // A real Model 1 symbol of version 5-H; its 267 bits would also fit 4-H.
    auto ws = qrtest::makeWorkspace();
    static const char data[] = "AN023X-3431800-V034PG03X-3436010-A,N1125032918310706";
    ASSERT_EQ(parseManualSegments(reinterpret_cast<const uint8_t *>(data), sizeof data - 1, ws->segments), kOk);
    ASSERT_EQ(ws->segments.count, 2);
    buildSymbol(*ws, SymbolType::Model1, 5, Level::H, AppendHeader{}, 7);
    EXPECT_EQ(dataCodewords(*ws),
              hex("02 10 C0 B0 BB 7D 84 58 88 2D 00 A6 B9 88 B8 EA 00 EF B0 8B 11 A0 04 14 94 20 80 "
                  "E0 FB A4 79 F8 8C C0 EC 11 EC 11 EC 11 EC 11 EC 11 EC 11"));
    EXPECT_EQ(ecCodewords(*ws), hex("52 D1 EF 15 E4 EF 3C CA F5 E2 A1 93 FA F1 49 D5 EF 31 D1 FD 1A F4 6B AE 6D BA 9F "
                                    "0A 51 F4 CE 60 2E 08 55 23 2B 5B 90 B4 7A F6 D8 8F E7 E1 69 FA D1 8C 2B 26 60 C4 "
                                    "43 51 9F DB 9D 42 1C CF B1 B1 72 EA BD D1 2A 1B EF A2 43 CC 0C 86 D5 D6 3C 28 7E "
                                    "7A 11 F4 4F C6 D5 4E"));
}

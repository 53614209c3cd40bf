// The command string, manual segments and the automatic segmentation.
#include "qrtestutil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace kzbarqr;

namespace {

struct Parsed {
    int rc;
    Command cmd;
    std::string data;
};

Parsed parse(const std::string &src, SymbolType type = SymbolType::Model2)
{
    static std::string keep; // the command points into the text
    keep = src;
    Parsed p{};
    p.rc = parseCommand(reinterpret_cast<const uint8_t *>(keep.data()), static_cast<int>(keep.size()), type, p.cmd);
    if (p.rc == kOk)
        p.data.assign(reinterpret_cast<const char *>(p.cmd.data), static_cast<size_t>(p.cmd.length));
    return p;
}

struct Seg {
    Mode mode;
    std::string text;
    bool operator==(const Seg &o) const { return mode == o.mode && text == o.text; }
};

std::vector<Seg> segmentsOf(const SegmentList &list)
{
    std::vector<Seg> out;
    for (int i = 0; i < list.count; ++i) {
        const Segment &s = list.items[i];
        out.push_back({s.mode, std::string(reinterpret_cast<const char *>(s.data), static_cast<size_t>(s.length))});
    }
    return out;
}

std::vector<Seg> manual(const std::string &data, int *rc = nullptr)
{
    static std::string keep;
    static SegmentList list;
    keep = data;
    const int r =
        parseManualSegments(reinterpret_cast<const uint8_t *>(keep.data()), static_cast<int>(keep.size()), list);
    if (rc)
        *rc = r;
    return segmentsOf(list);
}

std::vector<Seg> automatic(const std::string &data, int version = 1, SymbolType type = SymbolType::Model2,
                           bool *fits = nullptr)
{
    static std::string keep;
    static SegmentList list;
    keep = data;
    const bool ok = segmentAutomatic(type, version, reinterpret_cast<const uint8_t *>(keep.data()),
                                     static_cast<int>(keep.size()), list);
    if (fits)
        *fits = ok;
    return segmentsOf(list);
}

std::string repeat(const std::string &unit, int times)
{
    std::string s;
    for (int i = 0; i < times; ++i)
        s += unit;
    return s;
}

constexpr Mode N = Mode::Numeric, A = Mode::Alphanumeric, B = Mode::Byte, K = Mode::Kanji;

} // namespace

TEST(CommandString, LevelMaskModeAndSeparator)
{
    const struct {
        const char *src;
        Level level;
        int mask;
        bool manual;
        const char *data;
    } cases[] = {
        {"MA,0123456789ABCD", Level::M, -1, false, "0123456789ABCD"},
        {"qm,N1", Level::Q, -1, true, "N1"},
        {"L3A,x", Level::L, 3, false, "x"},
        {"h9M;B0001z", Level::H, 9, true, "B0001z"},
        {"H,data", Level::H, -1, false, "data"},  // the comma is the separator
        {"X,data", Level::M, -1, false, ",data"}, // X: level M, X itself the separator
        {"A,data", Level::M, -1, false, "data"},  // no level letter: M, not consumed
        {"7M,d", Level::M, 7, true, "d"},         // digit right after the (absent) level
        {"", Level::M, -1, false, ""},
        {"L", Level::L, -1, false, ""},
        {"LA", Level::L, -1, false, ""}, // no separator, no data
        {"LM", Level::L, -1, true, ""},
    };
    for (const auto &c : cases) {
        const Parsed p = parse(c.src);
        ASSERT_EQ(p.rc, kOk) << c.src;
        EXPECT_EQ(p.cmd.level, c.level) << c.src;
        EXPECT_EQ(p.cmd.maskDigit, c.mask) << c.src;
        EXPECT_EQ(p.cmd.manual, c.manual) << c.src;
        EXPECT_EQ(p.data, c.data) << c.src;
        EXPECT_FALSE(p.cmd.header.present) << c.src;
    }
}

TEST(CommandString, StructuredAppendHeader)
{
    const struct {
        const char *src;
        uint8_t symbol, parity;
        const char *rest;
    } good[] = {
        {"D0103C5,HA,data", 0x02, 0xC5, "data"}, {"d0216ff;LA,x", 0x1F, 0xFF, "x"},
        {"D1616A0,MA,x", 0xFF, 0xA0, "x"},       {"D2300,MA,x", 0x12, 0x00, "x"}, // single digits 2..9
        {"D0209aB MA,x", 0x18, 0xAB, "x"},
    };
    for (const auto &c : good) {
        const Parsed p = parse(c.src);
        ASSERT_EQ(p.rc, kOk) << c.src;
        EXPECT_TRUE(p.cmd.header.present);
        EXPECT_EQ(p.cmd.header.symbol, c.symbol) << c.src;
        EXPECT_EQ(p.cmd.header.parity, c.parity) << c.src;
        EXPECT_EQ(p.data, c.rest) << c.src;
    }
    const char *bad[] = {
        "D0302C5,MA,abc", // position 3 of 2
        "D0101C5,MA,abc", // a total of 1
        "D0017C5,MA,abc", // position 0, total 17
        "D0117C5,MA,abc", // total 17
        "D1C5,MA,abc",    // one-digit 1 is no number
        "D0103G5,MA,abc", // parity not hex
        "D0103C",         // cut short
        "D0103C5",        // separator missing
        "D",
        "Dx",
    };
    for (const char *src : bad)
        EXPECT_EQ(parse(src).rc, kBadAppendHeader) << src;
    EXPECT_EQ(parse("D0103C5,MA,abc", SymbolType::Micro).rc, kBadAppendHeader);
    EXPECT_EQ(parse("D0103C5,MA,abc", SymbolType::Model1).rc, kOk);
}

TEST(ManualSegments, ModesSeparatorsAndByteCounts)
{
    EXPECT_EQ(manual("N0123456789,B0005ab,cd,AHELLO"),
              (std::vector<Seg>{{N, "0123456789"}, {B, "ab,cd"}, {A, "HELLO"}}));
    // CR ends a segment and a LF after it is skipped; a byte segment skips
    // through the next comma or LF.
    EXPECT_EQ(manual("n12\r\nkQR\r\nb0002xyJUNK\nHELLO"),
              (std::vector<Seg>{{N, "12"}, {B, "QR"}, {B, "xy"}, {A, "HELLO"}}));
    // A byte segment takes fewer bytes when the string ends.
    EXPECT_EQ(manual("B0009abc"), (std::vector<Seg>{{B, "abc"}}));
    EXPECT_EQ(manual("B0000,N5"), (std::vector<Seg>{{B, ""}, {N, "5"}}));
    // Other first characters belong to an alphanumeric segment.
    EXPECT_EQ(manual("12AB,$%"), (std::vector<Seg>{{A, "12AB"}, {A, "$%"}}));
    EXPECT_EQ(manual("K\x93\x5F\xE4\xAA"), (std::vector<Seg>{{K, "\x93\x5F\xE4\xAA"}}));
    // Characters outside the letter's set widen the segment, data unchanged.
    EXPECT_EQ(manual("N12AB,N1a,Khi,K\x93,Aabc"),
              (std::vector<Seg>{{A, "12AB"}, {B, "1a"}, {B, "hi"}, {B, "\x93"}, {B, "abc"}}));
    int rc = 0;
    for (const char *bad : {"B", "B12", "B000", "N1,B000", "Bx001abc", "B00-1abc"}) {
        manual(bad, &rc);
        EXPECT_EQ(rc, kDataTooLong) << bad;
    }
    manual("B0001", &rc); // count complete, no bytes
    EXPECT_EQ(rc, kOk);
}

TEST(ManualSegments, TextAfterTheTwoHundredthSegmentIsIgnored)
{
    std::string data;
    for (int i = 0; i < 205; ++i)
        data += "N" + std::to_string(i % 10) + ",";
    const std::vector<Seg> segs = manual(data);
    ASSERT_EQ(segs.size(), 200u);
    EXPECT_EQ(segs[199].text, "9");

    // The same through the library: 200 digits come back.
    auto ws = qrtest::makeWorkspace();
    ASSERT_EQ(encodeSymbol(*ws, ("MM," + data).c_str(), 2), kOk);
    const qrtest::Decoded d = qrtest::decode(ws->symbol, false);
    ASSERT_TRUE(d.valid);
    std::string expected;
    for (int i = 0; i < 200; ++i)
        expected += static_cast<char>('0' + i % 10);
    EXPECT_EQ(d.bytes, expected);
}

TEST(AutomaticSegmentation, MergesWhenItCostsNoMoreBits)
{
    EXPECT_EQ(automatic("0123456789"), (std::vector<Seg>{{N, "0123456789"}}));
    // Short runs inside another class cost more apart than merged.
    EXPECT_EQ(automatic("AB12CD"), (std::vector<Seg>{{A, "AB12CD"}}));
    EXPECT_EQ(automatic("a12345b"), (std::vector<Seg>{{B, "a12345b"}}));
    // Six digits between bytes pay for their own segment in versions 1-9,
    EXPECT_EQ(automatic("a123456b"), (std::vector<Seg>{{B, "a"}, {N, "123456"}, {B, "b"}}));
    // but not with the longer count fields of versions 10 and up.
    EXPECT_EQ(automatic("a123456b", 10), (std::vector<Seg>{{B, "a123456b"}}));
    EXPECT_EQ(automatic("HELLO 0123456789012345 WORLD"),
              (std::vector<Seg>{{A, "HELLO "}, {N, "0123456789012345"}, {A, " WORLD"}}));
    // Kanji stays Kanji in runs; next to other classes it becomes bytes.
    const std::string kanji = "\x8A\xBF\x8E\x9A\x83\x65\x83\x58\x83\x67";
    EXPECT_EQ(automatic(kanji), (std::vector<Seg>{{K, kanji}}));
    EXPECT_EQ(automatic("\x8A\xBF"
                        "A"),
              (std::vector<Seg>{{B, "\x8A\xBF"
                                    "A"}}));
    EXPECT_EQ(automatic(kanji + "0123456789012"), (std::vector<Seg>{{K, kanji}, {N, "0123456789012"}}));
    // Bytes that pair into no Kanji character: 0xEB with a high trail, 0x7F trail.
    EXPECT_EQ(automatic("\xEB\xC0\x81\x7F"), (std::vector<Seg>{{B, "\xEB\xC0\x81\x7F"}}));
    EXPECT_EQ(automatic("\xEB\xBF"), (std::vector<Seg>{{K, "\xEB\xBF"}}));
    EXPECT_EQ(automatic(""), std::vector<Seg>{});
}

TEST(AutomaticSegmentation, MoreThanTwoHundredSegmentsAreRefused)
{
    // Nine digits between single bytes stay apart at every count width.
    const std::string data = repeat("a123456789", 101);
    bool fits = true;
    EXPECT_EQ(automatic(data, 1, SymbolType::Model2, &fits).size(), 202u);
    EXPECT_FALSE(fits);
    automatic(data, 40, SymbolType::Model2, &fits);
    EXPECT_FALSE(fits);
    auto ws = qrtest::makeWorkspace();
    EXPECT_EQ(encodeSymbol(*ws, ("LA," + data).c_str(), 2), kTooManySegments);
    EXPECT_EQ(encodeSymbol(*ws, ("LA," + repeat("a123456789", 100)).c_str(), 2), kOk);
}

TEST(AutomaticSegmentation, RepeatsWithTheVersionItLeadsTo)
{
    // With version 1 widths the digits stay apart; the data needs a version
    // of 10 or more, whose widths merge everything into bytes.
    const std::string data = repeat("ba123456", 40) + "ba";
    EXPECT_GT(automatic(data, 1).size(), 1u);
    auto ws = qrtest::makeWorkspace();
    ASSERT_EQ(encodeSymbol(*ws, ("MA," + data).c_str(), 2), kOk);
    EXPECT_GE(ws->version, 10);
    ASSERT_EQ(ws->segments.count, 1);
    EXPECT_EQ(ws->segments.items[0].mode, Mode::Byte);
    const qrtest::Decoded d = qrtest::decode(ws->symbol, false);
    ASSERT_TRUE(d.valid);
    EXPECT_EQ(d.bytes, data);
}

TEST(AutomaticSegmentation, TheFirstPassDecidesTheLimits)
{
    // Each data merges enough at the largest widths, but not at those of
    // the first pass; only Micro QR goes on to M4's.
    const std::string kanji = "\x8A\xBF";
    const struct {
        const char *name;
        std::string data;
        SymbolType type;
        Level level;
        int rc;
    } cases[] = {
        {"14-digit runs: 202 segments at version 1", repeat("A12345678901234", 101), SymbolType::Model2, Level::M,
         kTooManySegments},
        {"Micro QR, 5-digit runs: 202 segments at M2", repeat("A12345", 101), SymbolType::Micro, Level::M,
         kTooManySegments},
        {"199 segments: too long at version 1 widths", repeat("a123456", 99) + std::string(2200, 'b'),
         SymbolType::Model2, Level::L, kDataTooLong},
        {"Micro QR: no fit at M2 widths, fits at M4", kanji + kanji + "A" + kanji + "1" + kanji + "A",
         SymbolType::Micro, Level::M, kOk},
    };
    auto ws = qrtest::makeWorkspace();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        bool fits = false;
        automatic(c.data, maxVersion(c.type), c.type, &fits);
        ASSERT_TRUE(fits);
        const std::string src = std::string(c.level == Level::L ? "LA," : "MA,") + c.data;
        EXPECT_EQ(encodeSymbol(*ws, src.c_str(), static_cast<int>(c.type)), c.rc);
    }
}

TEST(AutomaticSegmentation, PartEdgeCasesThroughTheEncoder)
{
    auto ws = qrtest::makeWorkspace();
    ASSERT_EQ(encodeSymbol(*ws, "MA,0123456789", 2), kOk);
    EXPECT_EQ(ws->version, 1);
    EXPECT_EQ(ws->symbol.size, 21);
    ASSERT_EQ(encodeSymbol(*ws, "MA,0123456789", 3), kOk);
    EXPECT_EQ(ws->type, SymbolType::Micro);
    EXPECT_EQ(ws->symbol.size, 15); // M3-M: M2-M holds 8 digits
    ASSERT_EQ(encodeSymbol(*ws, "MA,0123456789", 1), kOk);
    EXPECT_EQ(ws->symbol.size, 21);
    for (int type : {0, 4, -1, 99})
        EXPECT_EQ(encodeSymbol(*ws, "MA,0123456789", type), kBadType);
}

// The unit-setting printer's frames as bytes, and the decoding of the
// printer's data frames, which are outside input.
#include "unit/unitwire.h"

#include "base/cp932.h"
#include "comm/receiveframing.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

using namespace unit;

namespace {

// DC3, the body, NUL.
QByteArray frame(const QByteArray &body) { return kDc3 + body + kNul; }
QList<QByteArray> frames(std::initializer_list<const char *> bodies)
{
    QList<QByteArray> list;
    for (const char *b : bodies)
        list << frame(b);
    return list;
}
QByteArray sj(const QString &s) { return cp932::encode(s); }
const char kEscape = 0x1B;

} // namespace

// What the register frames below do not show.
TEST(UnitWire, ValuesOnTheWire)
{
    EXPECT_EQ(nameValue(QStringLiteral("ABCDEFGH")), QByteArray("ABCDEFGH"));
    EXPECT_EQ(nameValue(QStringLiteral("重量")), sj(QStringLiteral("重量"))); // double-byte: no padding
    // Padding counts the characters of the box, a code among them.
    EXPECT_EQ(nameValue(QStringLiteral("&1BA")), kEscape + QByteArray("A   "));

    EXPECT_EQ(rateValue(QStringLiteral("99")), QByteArray("99"));
    EXPECT_EQ(rateValue(QStringLiteral("100")), std::nullopt);
    EXPECT_EQ(compareValue(QString()), QByteArray("000000"));
    EXPECT_EQ(compareValue(QStringLiteral("1234567")), std::nullopt);
    EXPECT_EQ(compareValue(QStringLiteral("１２")), std::nullopt); // full-width digits
    EXPECT_EQ(unitValue(QStringLiteral("重量値")), sj(QStringLiteral("重量")) + ' ');
    EXPECT_EQ(decimalPointValue(Model::Ux, QStringLiteral(".1234567890")), QByteArray("A"));
    EXPECT_EQ(decimalPointValue(Model::Vux, QStringLiteral("12.345")), std::nullopt);
    EXPECT_EQ(indicatorValue(QString()), QByteArray("0"));
    EXPECT_EQ(indicatorValue(QStringLiteral("MV")), std::nullopt);
}

TEST(UnitWire, ReadRequestsAndAcknowledgesInOrder)
{
    const struct {
        Model model;
        int channel;
        QList<QByteArray> requests;
        QList<QByteArray> acks;
    } cases[] = {
        {Model::Vux, 1, frames({"D1", "L1", "K1", "M1", "N1"}), frames({"b10", "g10", "f10", "h10", "i10"})},
        // Channel 3 has no comparison value.
        {Model::Vux, 3, frames({"D3", "L3", "K3", "M3"}), frames({"b30", "g30", "f30", "h30"})},
        // The channel is not asked: the UX items have their own.
        {Model::Ux, 7, frames({"L2", "L1", "K1", "O1"}), frames({"g20", "g10", "f10", "j10"})},
        {Model::Vux, 9, {}, {}},
        {Model::None, 1, {}, {}},
    };
    for (const auto &c : cases) {
        QList<QByteArray> requests, acks;
        for (const ItemRef &ref : itemsOf(c.model, c.channel)) {
            requests << requestFrame(ref);
            acks << acknowledgeFrame(ref);
        }
        EXPECT_EQ(requests, c.requests) << c.channel;
        EXPECT_EQ(acks, c.acks) << c.channel;
    }
}

TEST(UnitWire, RegisterFrames)
{
    UnitSettings s;
    VuxChannel &ch = s.vux.channel(1);
    ch.name = QStringLiteral("A^B");
    ch.decimalPoint = QStringLiteral("12.3456");
    ch.unit = QStringLiteral("kg");
    ch.rate = QStringLiteral("7");
    s.vux.compare = {QStringLiteral("123"), QStringLiteral("55")};
    s.ux.unit = QStringLiteral("ｇ");
    s.ux.indicator = QStringLiteral("HKR-600/730");
    const struct {
        Model model;
        int channel;
        QList<QByteArray> frames;
        QList<QByteArray> replies;
    } cases[] = {
        {Model::Vux, 1, frames({"B1A B    ", "G14", "F1kg   ", "H107", "I1000123"}),
         frames({"b10", "g10", "f10", "h10", "i10"})},
        // Empty name as 7 spaces, the default pattern, rate 1 as "01", no comparison value.
        {Model::Vux, 3, frames({"B3       ", "G30", "F3     ", "H301"}), frames({"b30", "g30", "f30", "h30"})},
        {Model::Ux,
         1,
         {frame("G22"), frame("G11"), frame("F1" + sj(QStringLiteral("ｇ")) + "   "), frame("J12")},
         frames({"g20", "g10", "f10", "j10"})},
    };
    for (const auto &c : cases) {
        const auto steps = registerSteps(c.model, c.channel, s);
        ASSERT_TRUE(steps);
        QList<QByteArray> sent, replies;
        for (const RegisterStep &step : *steps) {
            EXPECT_EQ(step.head.size(), 3); // then DSR, then the value and NUL
            sent << step.frame();
            replies << step.expectedReply;
        }
        EXPECT_EQ(sent, c.frames) << c.channel;
        EXPECT_EQ(replies, c.replies) << c.channel;
    }
}

TEST(UnitWire, UncheckedSettingsGiveNoFrames)
{
    UnitSettings s;
    s.vux.compare[1] = QStringLiteral("x");
    s.ux.indicator = QStringLiteral("unknown");
    EXPECT_FALSE(registerSteps(Model::Vux, 2, s));
    EXPECT_TRUE(registerSteps(Model::Vux, 3, s)); // channel 3 sends no comparison value
    EXPECT_FALSE(registerSteps(Model::Ux, 1, s));
    EXPECT_FALSE(registerSteps(Model::Vux, 9, s));
    EXPECT_FALSE(registerSteps(Model::None, 1, s));
}

TEST(UnitWire, DataFrameOfChannel8IsFiledUnderColumn0x38AndReadFromThere)
{
    ReceiveState rx;
    framing::feed(rx, UnitStates::Reading, frame("d8WEIGHT") + kDc3);
    ASSERT_TRUE(rx.replyComplete);
    EXPECT_EQ(recordColumn(8), 0x38);
    const QByteArray column = rx.records.columnUpTo(recordColumn(8), 0);
    EXPECT_EQ(column + '\0', frame("d8WEIGHT"));
    UnitSettings s;
    ASSERT_TRUE(storeFrame({Model::Vux, Item::Name, 8}, rx.bytes, s));
    EXPECT_EQ(s.vux.channel(8).name, QStringLiteral("WEIGHT"));
    ASSERT_TRUE(storeFrame({Model::Vux, Item::Name, 8}, column, s));
    EXPECT_EQ(s.vux.channel(8).name, QStringLiteral("WEIGHT"));
}

TEST(UnitWire, DecodingDataFrames)
{
    const auto data = [](const char *letterAndChannel, const QByteArray &value) {
        return frame(letterAndChannel + value);
    };
    const struct {
        const char *what;
        ItemRef ref;
        QByteArray frame;
        std::optional<QString> value;
    } cases[] = {
        {"name in display form", {Model::Vux, Item::Name, 1}, data("d1", "AB   "), QStringLiteral("AB^^^")},
        {"name with a control byte", {Model::Vux, Item::Name, 1}, data("d1", "\x07X"), QStringLiteral("&07X")},
        {"any letter", {Model::Vux, Item::Name, 2}, data("?2", "Z"), QStringLiteral("Z")},
        {"VUX pattern 4", {Model::Vux, Item::DecimalPoint, 1}, data("l1", "4"), QStringLiteral("12.3456")},
        {"VUX pattern 6", {Model::Vux, Item::DecimalPoint, 1}, data("l1", "6"), std::nullopt},
        {"VUX pattern A", {Model::Vux, Item::DecimalPoint, 1}, data("l1", "A"), std::nullopt},
        {"UX pattern A", {Model::Ux, Item::DecimalPoint, 2}, data("l2", "A"), QStringLiteral(".1234567890")},
        {"UX pattern B", {Model::Ux, Item::DecimalPoint, 2}, data("l2", "B"), std::nullopt},
        {"two codes", {Model::Ux, Item::DecimalPoint, 1}, data("l1", "12"), std::nullopt},
        {"no code", {Model::Ux, Item::DecimalPoint, 1}, data("l1", ""), std::nullopt},
        {"unit", {Model::Vux, Item::Unit, 3}, data("k3", "kg   "), QStringLiteral("kg")},
        {"unit inner blank kept", {Model::Vux, Item::Unit, 3}, data("k3", "k g  "), QStringLiteral("k g")},
        {"unit too long", {Model::Ux, Item::Unit, 1}, data("k1", QByteArray(300, 'x')), QStringLiteral("xxxxx")},
        {"unit cut between characters",
         {Model::Vux, Item::Unit, 3},
         data("k3", sj(QStringLiteral("重量値"))),
         QStringLiteral("重量")},
        {"0xFF ends the value", {Model::Vux, Item::Unit, 3}, data("k3", "kg\xFFzz"), QStringLiteral("kg")},
        {"rate 05", {Model::Vux, Item::Rate, 4}, data("m4", "05"), QStringLiteral("5")},
        {"rate 10", {Model::Vux, Item::Rate, 4}, data("m4", "10"), QStringLiteral("10")},
        {"rate 3 digits", {Model::Vux, Item::Rate, 4}, data("m4", "123"), std::nullopt},
        {"rate letter", {Model::Vux, Item::Rate, 4}, data("m4", "x5"), std::nullopt},
        {"rate 0", {Model::Vux, Item::Rate, 4}, data("m4", "0"), std::nullopt},
        {"rate 00", {Model::Vux, Item::Rate, 4}, data("m4", "00"), std::nullopt},
        {"rate 01", {Model::Vux, Item::Rate, 4}, data("m4", "01"), QStringLiteral("1")},
        {"comparison", {Model::Vux, Item::Compare, 2}, data("n2", "000123"), QStringLiteral("123")},
        {"comparison zero", {Model::Vux, Item::Compare, 2}, data("n2", "000000"), QStringLiteral("0")},
        {"comparison 7 digits", {Model::Vux, Item::Compare, 2}, data("n2", "1234567"), std::nullopt},
        {"comparison of channel 3", {Model::Vux, Item::Compare, 3}, data("n3", "000123"), std::nullopt},
        {"indicator", {Model::Ux, Item::Indicator, 1}, data("o1", "2"), QStringLiteral("HKR-600/730")},
        {"indicator 4", {Model::Ux, Item::Indicator, 1}, data("o1", "4"), std::nullopt},
        {"other channel", {Model::Vux, Item::Rate, 3}, data("m4", "05"), std::nullopt},
        {"bytes after the NUL", {Model::Vux, Item::Rate, 1}, data("m1", "07") + "99", QStringLiteral("7")},
        {"too short", {Model::Vux, Item::Rate, 1}, QByteArray("\x13m"), std::nullopt},
        {"nothing", {Model::Vux, Item::Rate, 1}, QByteArray(), std::nullopt},
        {"channel 9", {Model::Vux, Item::Rate, 9}, data("m9", "05"), std::nullopt},
        {"indicator on a VUX", {Model::Vux, Item::Indicator, 1}, data("o1", "1"), std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(decodeValue(c.ref, c.frame), c.value) << c.what;
}

TEST(UnitWire, ARefusedFrameLeavesTheSettingsAlone)
{
    UnitSettings s;
    s.vux.channel(3).rate = QStringLiteral("12");
    const UnitSettings before = s;
    EXPECT_FALSE(storeFrame({Model::Vux, Item::Rate, 3}, frame("m3zz"), s));
    EXPECT_FALSE(storeFrame({Model::Vux, Item::Rate, 3}, frame("m405"), s));
    EXPECT_EQ(s, before);
}

TEST(UnitWire, GarbageFramesNeverCrashAndStayBounded)
{
    QRandomGenerator rng(350);
    QList<ItemRef> refs = itemsOf(Model::Vux, 1) + itemsOf(Model::Ux, 1);
    refs << ItemRef{Model::Vux, Item::Compare, 3} << ItemRef{Model::Ux, Item::Rate, 1};
    for (int i = 0; i < 4000; ++i) {
        QByteArray f(int(rng.bounded(600)), '\0');
        for (char &b : f)
            b = char(rng.bounded(256));
        if (f.size() > 2 && rng.bounded(2))
            f[2] = '1'; // often the right channel, so values get decoded
        for (const ItemRef &ref : refs) {
            UnitSettings s;
            const auto v = decodeValue(ref, f);
            storeFrame(ref, f, s);
            if (v && ref.item == Item::Unit) {
                EXPECT_LE(cp932::byteCount(*v), kUnitBytes);
            }
            if (v && ref.item == Item::Name) {
                EXPECT_LT(cp932::byteCount(*v), 510);
            }
        }
    }
}

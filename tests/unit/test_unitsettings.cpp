// The check before save and register, the unit cut and the selection
// dialog's rules.
#include "unit/unitselection.h"
#include "unit/unitsettings.h"

#include "base/cp932.h"

#include <gtest/gtest.h>

#include <functional>

using namespace unit;

TEST(UnitCheck, VuxChannelFaultsComeInOrderWithTheirBox)
{
    const struct {
        const char *what;
        std::function<void(VuxSettings &)> edit;
        int channel;
        int code;
        Field field;
        int caret;
    } cases[] = {
        {"defaults pass", [](VuxSettings &) {}, 3, 0, Field::None, -1},
        {"code above 7F", [](VuxSettings &s) { s.channel(3).name = QStringLiteral("ab&80"); }, 3, 104, Field::Name, 2},
        {"code in range", [](VuxSettings &s) { s.channel(3).name = QStringLiteral("&1B&7F"); }, 3, 0, Field::None, -1},
        {"pattern not in list", [](VuxSettings &s) { s.channel(2).decimalPoint = QStringLiteral("12.345"); }, 2, 821,
         Field::DecimalPoint, -1},
        {"rate 0", [](VuxSettings &s) { s.channel(4).rate = QStringLiteral("0"); }, 4, 822, Field::Rate, -1},
        {"rate 100", [](VuxSettings &s) { s.channel(4).rate = QStringLiteral("100"); }, 4, 822, Field::Rate, -1},
        {"rate 99", [](VuxSettings &s) { s.channel(4).rate = QStringLiteral("99"); }, 4, 0, Field::None, -1},
        {"rate not a number", [](VuxSettings &s) { s.channel(4).rate = QStringLiteral("5a"); }, 4, 822, Field::Rate,
         -1},
        {"rate with a point", [](VuxSettings &s) { s.channel(4).rate = QStringLiteral("5.0"); }, 4, 822, Field::Rate,
         -1},
        {"comparison with a letter", [](VuxSettings &s) { s.compare[1] = QStringLiteral("12a"); }, 2, 823,
         Field::Compare, -1},
        {"comparison of 7 digits", [](VuxSettings &s) { s.compare[0] = QStringLiteral("1234567"); }, 1, 823,
         Field::Compare, -1},
        {"name before rate",
         [](VuxSettings &s) {
             s.channel(1).name = QStringLiteral("&G0");
             s.channel(1).rate = QStringLiteral("0");
         },
         1, 104, Field::Name, 0},
        {"pattern before rate",
         [](VuxSettings &s) {
             s.channel(1).decimalPoint = QStringLiteral("x");
             s.channel(1).rate = QStringLiteral("0");
         },
         1, 821, Field::DecimalPoint, -1},
        {"rate before comparison",
         [](VuxSettings &s) {
             s.channel(1).rate = QStringLiteral("0");
             s.compare[0] = QStringLiteral("x");
         },
         1, 822, Field::Rate, -1},
        {"channel 9", [](VuxSettings &) {}, 9, 630, Field::None, -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        VuxSettings s;
        c.edit(s);
        const Fault f = checkVuxChannel(s, c.channel);
        EXPECT_EQ(f.code, c.code);
        EXPECT_EQ(f.field, c.field);
        if (c.code != 0) {
            EXPECT_EQ(f.channel, c.channel);
        }
        EXPECT_EQ(f.caret, c.caret);
    }
}

TEST(UnitCheck, EmptyBoxesTakeTheirDefaultsAndTheUnitIsCut)
{
    VuxSettings s;
    VuxChannel &ch = s.channel(2);
    ch.decimalPoint.clear();
    ch.rate.clear();
    ch.unit = QStringLiteral("kilogram");
    s.compare[1] = QStringLiteral(" 42 ");
    ASSERT_TRUE(checkVuxChannel(s, 2).ok());
    EXPECT_EQ(ch.decimalPoint, QStringLiteral(" 123456"));
    EXPECT_EQ(ch.rate, QStringLiteral("1"));
    EXPECT_EQ(ch.unit, QStringLiteral("kilog"));
    EXPECT_EQ(s.compare[1], QStringLiteral("42"));

    ch.rate = QStringLiteral("07");
    ASSERT_TRUE(checkVuxChannel(s, 2).ok());
    EXPECT_EQ(ch.rate, QStringLiteral("7"));

    // All channels: the first faulty one.
    s.channel(5).rate = QStringLiteral("0");
    s.channel(7).decimalPoint = QStringLiteral("bad");
    EXPECT_EQ(checkVux(s).channel, 5);
}

TEST(UnitCheck, UnitKeepsWhatFitsInFiveBytes)
{
    const struct {
        QString in;
        QString out;
    } cases[] = {
        {QStringLiteral("kg"), QStringLiteral("kg")},
        {QStringLiteral("重量値"), QStringLiteral("重量")}, // three double-byte characters keep two
        {QStringLiteral("ab重量"), QStringLiteral("ab重")},
        {QStringLiteral("ｷﾛｸﾞﾗﾑ"), QStringLiteral("ｷﾛｸﾞﾗ")}, // half-width kana are single bytes
    };
    for (const auto &c : cases) {
        const QString cut = cutToBytes(c.in, kUnitBytes);
        EXPECT_EQ(cut, c.out) << c.in.toStdString();
        EXPECT_LE(cp932::byteCount(cut), kUnitBytes);
    }
}

TEST(UnitCheck, UxFaults)
{
    const struct {
        const char *what;
        std::function<void(UxSettings &)> edit;
        int code;
        Field field;
        int channel;
    } cases[] = {
        {"defaults pass", [](UxSettings &) {}, 0, Field::None, 0},
        {"pattern 1", [](UxSettings &s) { s.decimalPoint1 = QStringLiteral("1.23456"); }, 821, Field::DecimalPoint, 1},
        {"pattern 2", [](UxSettings &s) { s.decimalPoint2 = QStringLiteral("x"); }, 821, Field::DecimalPoint, 2},
        {"typed indicator", [](UxSettings &s) { s.indicator = QStringLiteral("MV-418"); }, 824, Field::Indicator, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        UxSettings s;
        c.edit(s);
        const Fault f = checkUx(s);
        EXPECT_EQ(f.code, c.code);
        EXPECT_EQ(f.field, c.field);
        EXPECT_EQ(f.channel, c.channel);
    }
    UnitSettings s;
    EXPECT_EQ(checkModel(Model::None, s).code, 825);
    s.ux.decimalPoint1.clear();
    ASSERT_TRUE(checkModel(Model::Ux, s).ok());
    EXPECT_EQ(s.ux.decimalPoint1, QStringLiteral(" 1234567890"));
}

TEST(UnitSelection, ModelFirstThenTheNumberRange)
{
    const struct {
        Model model;
        const char *number;
        Purpose purpose;
        int code;
        int chosen;
    } cases[] = {
        {Model::None, "5", Purpose::File, 825, 0}, // no model, even with a number
        {Model::None, "", Purpose::Printer, 825, 0}, {Model::Vux, "25", Purpose::File, 0, 25},
        {Model::Vux, "26", Purpose::File, 630, 0},   {Model::Ux, "26", Purpose::File, 630, 0},
        {Model::Vux, "0", Purpose::File, 630, 0},    {Model::Vux, "", Purpose::File, 630, 0},
        {Model::Vux, "1a", Purpose::File, 630, 0},   {Model::Vux, "-1", Purpose::File, 630, 0},
        {Model::Vux, "8", Purpose::Printer, 0, 8},   {Model::Vux, "9", Purpose::Printer, 630, 0},
        {Model::Ux, "", Purpose::Printer, 0, 1}, // a UX-350Q asks no channel
        {Model::Ux, "9", Purpose::Printer, 0, 1},
    };
    for (const auto &c : cases) {
        const Selection s = checkSelection(c.model, QString::fromLatin1(c.number), c.purpose);
        EXPECT_EQ(s.code, c.code) << c.number;
        EXPECT_EQ(s.number, c.chosen) << c.number;
    }
}

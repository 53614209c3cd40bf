// The unit-setting tool's printer operations against the emulated
// unit-setting printer: every item of both models read and registered, a
// reply with every fault, a printer that falls silent halfway.
#include "support/printercontext.h"
#include "support/replyfaults.h"

#include "base/catalogcodes.h"
#include "unit/unittransfer.h"
#include "unitprinter.h"

#include <gtest/gtest.h>

using namespace unit;

namespace {

constexpr int kWaitMs = 200;

struct Rig {
    explicit Rig(sim::UnitPrinter::Model model = sim::UnitPrinter::Model::Vux) : pc(QStringLiteral("unit"))
    {
        ChannelTimes t;
        t.replyMs = kWaitMs;
        t.replyLongMs = kWaitMs;
        t.dsrMs = kWaitMs;
        pc.ctx->channel().setTimes(t);
        pc.ctx->state.output.replyWait = kWaitMs;
        pc.ctx->state.toolState = UnitStates::Idle;
        EXPECT_TRUE(pc.ctx->channel().openSerialPort());
        printer = pc.printer<sim::UnitPrinter>();
        printer->setModel(model);
        tr.choose = [this]() -> std::optional<Chosen> { return chosen; };
    }
    PrinterContext pc;
    sim::UnitPrinter *printer = nullptr;
    UnitTransfer tr{*pc.ctx};
    std::optional<Chosen> chosen;
};

struct VuxRow {
    int channel;
    QString name, decimalPoint, unit, rate, compare;
    // What the printer holds afterwards.
    QByteArray wireName;
    char wireDecimal;
    QByteArray wireUnit, wireRate, wireCompare;
    // What the window shows when it is read back.
    QString readName, readRate, readCompare;
};

const QList<VuxRow> kVux = {
    {1, "", " 123456", "kg", "7", "123", "       ", '0', "kg   ", "07", "000123", "^^^^^^^", "7", "123"},
    {2, "AB", "12345.6", "t", "99", "0", "AB     ", '1', "t    ", "99", "000000", "AB^^^^^", "99", "0"},
    {3, "ABCDEFG", "1234.56", "kgf", "10", "", "ABCDEFG", '2', "kgf  ", "10", "000000", "ABCDEFG", "10", ""},
    {4, "^X", "123.456", "", "1", "", " X     ", '3', "     ", "01", "000000", "^X^^^^^", "1", ""},
    {5, "重量", "12.3456", "ｇ", "50", "", "\x8f\x64\x97\xca", '4', "\x82\x87   ", "50", "000000", "重量", "50", ""},
    // Padded by its shown characters, so the code's three count.
    {6, "L&0C", "1.23456", "単位", "2", "", "L\x0c   ", '5', "\x92\x50\x88\xca ", "02", "000000", "L&0C^^^", "2", ""},
    {7, "CH7", " 123456", "lb", "33", "", "CH7    ", '0', "lb   ", "33", "000000", "CH7^^^^", "33", ""},
    {8, "CH8", "1.23456", "kg", "8", "", "CH8    ", '5', "kg   ", "08", "000000", "CH8^^^^", "8", ""},
};

} // namespace

TEST(UnitTransfer, EveryVuxItemRegistersAndReadsBack)
{
    for (const VuxRow &r : kVux) {
        const std::string label = "CH." + std::to_string(r.channel);
        Rig rig;
        UnitSettings s;
        VuxChannel &c = s.vux.channel(r.channel);
        c = {r.name, r.decimalPoint, r.unit, r.rate};
        if (hasCompare(r.channel))
            s.vux.compare[size_t(r.channel - 1)] = r.compare;
        rig.chosen = Chosen{Model::Vux, r.channel};
        ASSERT_TRUE(rig.tr.registerChannel(s)) << label;
        EXPECT_EQ(rig.pc.prompter->codes(), QList<int>{msg::UnitRegistered}) << label;
        const auto &held = rig.printer->channel(r.channel);
        EXPECT_EQ(held.name, r.wireName) << label;
        EXPECT_EQ(held.decimalPoint, r.wireDecimal) << label;
        EXPECT_EQ(held.unit, r.wireUnit) << label;
        EXPECT_EQ(held.rate, r.wireRate) << label;
        EXPECT_EQ(held.compare, r.wireCompare) << label;
        // Nothing else changed.
        for (int other = 1; other <= 8; ++other) {
            if (other != r.channel) {
                EXPECT_EQ(rig.printer->channel(other).rate, "01") << label;
            }
        }

        UnitSettings back;
        rig.pc.prompter->clear();
        ASSERT_TRUE(rig.tr.read(back)) << label;
        EXPECT_EQ(rig.pc.prompter->codes(), QList<int>{msg::UnitRead}) << label;
        const VuxChannel &b = back.vux.channel(r.channel);
        EXPECT_EQ(b.name, r.readName) << label;
        EXPECT_EQ(b.decimalPoint, r.decimalPoint) << label;
        EXPECT_EQ(b.unit, cutToBytes(r.unit, kUnitBytes)) << label;
        EXPECT_EQ(b.rate, r.readRate) << label;
        if (hasCompare(r.channel)) {
            EXPECT_EQ(back.vux.compare[size_t(r.channel - 1)],
                      r.compare.isEmpty() ? QStringLiteral("0") : r.readCompare)
                << label;
        }
        EXPECT_EQ(rig.printer->awaitingAck(), 0) << label << ": every data frame acknowledged";
        EXPECT_EQ(rig.pc.ctx->state.toolState, UnitStates::Idle);
    }
}

TEST(UnitTransfer, EveryUxItemRegistersAndReadsBack)
{
    const struct {
        QString dp1, dp2, unit, indicator;
        char wire1, wire2, wireIndicator;
        bool asks;
    } rows[] = {
        {" 1234567890", ".1234567890", "kg", "", '0', 'A', '0', false},
        {"12.34567890", "1.234567890", "t", "指定なし", '8', '9', '0', false},
        {"123456.7890", "12345678.90", "", "標準RS-232C", '4', '2', '1', true},
        {"123456789.0", "1234.567890", "kgf", "HKR-600/730", '1', '6', '2', true},
        {"1234567.890", "123.4567890", "lb", "MV-417KT", '3', '7', '3', true},
    };
    for (const auto &r : rows) {
        const std::string label = r.dp1.toStdString() + " / " + r.indicator.toStdString();
        Rig rig(sim::UnitPrinter::Model::Ux);
        UnitSettings s;
        s.ux = {r.dp1, r.dp2, r.unit, r.indicator};
        rig.chosen = Chosen{Model::Ux, 1};
        if (r.asks)
            rig.pc.prompter->script({Answer::Yes});
        ASSERT_TRUE(rig.tr.registerChannel(s)) << label;
        EXPECT_EQ(rig.pc.prompter->codes().size(), r.asks ? 2 : 1) << label;
        EXPECT_EQ(rig.pc.prompter->codes().last(), msg::UnitRegistered) << label;
        EXPECT_EQ(rig.printer->channel(1).decimalPoint, r.wire1) << label;
        EXPECT_EQ(rig.printer->channel(2).decimalPoint, r.wire2) << label;
        EXPECT_EQ(rig.printer->channel(1).unit, cutToBytes(r.unit, 5).toLatin1().leftJustified(5, ' ')) << label;
        EXPECT_EQ(rig.printer->channel(1).indicator, r.wireIndicator) << label;

        UnitSettings back;
        ASSERT_TRUE(rig.tr.read(back)) << label;
        EXPECT_EQ(back.ux.decimalPoint1, r.dp1) << label;
        EXPECT_EQ(back.ux.decimalPoint2, r.dp2) << label;
        EXPECT_EQ(back.ux.unit, r.unit) << label;
        EXPECT_EQ(back.ux.indicator, r.indicator.isEmpty() ? indicators().first() : r.indicator) << label;
    }
}

TEST(UnitTransfer, IndicatorQuestionAnsweredNoRegistersNothing)
{
    Rig rig(sim::UnitPrinter::Model::Ux);
    UnitSettings s;
    s.ux.indicator = indicators().at(3);
    rig.chosen = Chosen{Model::Ux, 1};
    rig.pc.prompter->script({Answer::No});
    EXPECT_FALSE(rig.tr.registerChannel(s));
    ASSERT_EQ(rig.pc.prompter->requests.size(), 1);
    EXPECT_EQ(rig.pc.prompter->requests[0].title, kIndicatorQuestionTitle);
    EXPECT_EQ(rig.printer->channel(1).indicator, '0');
}

TEST(UnitTransfer, RegisterCheckFailsBeforeAnythingIsSent)
{
    const struct {
        QString rate, compare;
        int code;
        Field field;
    } rows[] = {{"0", "", msg::BadRate, Field::Rate},
                {"100", "", msg::BadRate, Field::Rate},
                {"5", "12a", msg::BadComparison, Field::Compare}};
    for (const auto &r : rows) {
        Rig rig;
        UnitSettings s;
        s.vux.channel(1).rate = r.rate;
        s.vux.compare[0] = r.compare;
        rig.chosen = Chosen{Model::Vux, 1};
        Fault f;
        EXPECT_FALSE(rig.tr.registerChannel(s, &f));
        EXPECT_EQ(rig.pc.prompter->codes(), QList<int>{r.code});
        EXPECT_EQ(f.field, r.field);
        EXPECT_EQ(rig.printer->channel(1).name, QByteArray(7, ' ')) << "nothing registered";
    }
}

// The rate's reply of channel 3 with every fault; the items before it are
// registered, those after it are not tried.
TEST(UnitTransfer, RegisterReplyFaults)
{
    const QByteArray good("\x13h30\0", 5);
    for (const ReplyFault &f : replyFaults(good)) {
        const std::string label = f.label.toStdString();
        Rig rig;
        rig.printer->answerFilter = [&](const QByteArray &answer) -> std::optional<QByteArray> {
            if (answer != good)
                return answer;
            if (f.inPieces) {
                rig.pc.line->sendToHost(good.left(2), kWaitMs / 3);
                rig.pc.line->sendToHost(good.mid(2), kWaitMs * 2 / 3);
                return std::nullopt;
            }
            return f.reply;
        };
        UnitSettings s;
        s.vux.channel(3) = {"N", "1234.56", "kg", "42"};
        rig.chosen = Chosen{Model::Vux, 3};
        EXPECT_EQ(rig.tr.registerChannel(s), f.ok) << label;
        EXPECT_EQ(rig.pc.prompter->codes(), QList<int>{f.ok ? msg::UnitRegistered : msg::RegisterUnconfirmed}) << label;
        EXPECT_EQ(rig.printer->channel(3).unit, "kg   ") << label;
        EXPECT_EQ(rig.printer->channel(3).rate, "42") << label << ": the printer took it, whatever it answered";
        EXPECT_EQ(rig.pc.ctx->state.toolState, UnitStates::Idle) << label;
    }
}

TEST(UnitTransfer, TestPrintAndResetJudgeTheirReplies)
{
    struct Op {
        const char *name;
        QByteArray good;
        std::function<bool(UnitTransfer &)> run;
        QList<int> okCodes, failCodes;
    };
    const QList<Op> ops = {
        {"test print",
         kTestPrintReply,
         [](UnitTransfer &t) { return t.testPrint(); },
         {msg::UnitPrinted},
         {msg::PrintUnconfirmed}},
        {"reset",
         kResetTotalsReply,
         [](UnitTransfer &t) { return t.resetTotals(); },
         {msg::AskResetTotals, msg::TotalsReset},
         {msg::AskResetTotals, msg::ResetUnconfirmed}},
    };
    for (const Op &op : ops) {
        for (const ReplyFault &f : replyFaults(op.good)) {
            const std::string label = std::string(op.name) + ": " + f.label.toStdString();
            Rig rig;
            rig.printer->answerFilter = [&](const QByteArray &answer) -> std::optional<QByteArray> {
                if (f.inPieces) {
                    rig.pc.line->sendToHost(answer.left(2), kWaitMs / 3);
                    rig.pc.line->sendToHost(answer.mid(2), kWaitMs * 2 / 3);
                    return std::nullopt;
                }
                return f.reply;
            };
            rig.pc.prompter->script({Answer::Yes});
            // The test print's framing looks for the DC3 and compares three
            // bytes: noise before the reply and a longer reply pass.
            const bool testPrint = op.good == kTestPrintReply;
            const bool ok =
                f.ok || (testPrint && f.reply && (f.reply->startsWith(op.good.left(3)) || f.reply->endsWith(op.good)));
            EXPECT_EQ(op.run(rig.tr), ok) << label;
            EXPECT_EQ(rig.pc.prompter->codes(), ok ? op.okCodes : op.failCodes) << label;
        }
    }
}

TEST(UnitTransfer, ReadStopsAtTheFirstSilenceAndKeepsWhatCame)
{
    Rig rig;
    auto &c = rig.printer->channel(2);
    c.name = "SCALE2 ";
    c.decimalPoint = '3';
    c.unit = "kg   ";
    c.rate = "12";
    c.compare = "000500";
    // Silent from the rate on.
    rig.printer->answerFilter = [](const QByteArray &a) -> std::optional<QByteArray> {
        if (a.size() > 1 && a[1] == 'M')
            return std::nullopt;
        return a;
    };
    UnitSettings s;
    s.vux.channel(2).rate = QStringLiteral("77");
    s.vux.compare[1] = QStringLiteral("9");
    rig.chosen = Chosen{Model::Vux, 2};
    EXPECT_FALSE(rig.tr.read(s));
    EXPECT_EQ(rig.pc.prompter->codes(), QList<int>{msg::ReadFailed});
    EXPECT_EQ(s.vux.channel(2).name, QStringLiteral("SCALE2^"));
    EXPECT_EQ(s.vux.channel(2).decimalPoint, QStringLiteral("123.456"));
    EXPECT_EQ(s.vux.channel(2).unit, QStringLiteral("kg"));
    EXPECT_EQ(s.vux.channel(2).rate, QStringLiteral("77")) << "not read: kept";
    EXPECT_EQ(s.vux.compare[1], QStringLiteral("9")) << "never asked: kept";
    EXPECT_EQ(rig.pc.ctx->state.toolState, UnitStates::Idle);
}

TEST(UnitTransfer, ReadRefusesAFrameOfAnotherChannelOrAnUnknownCode)
{
    const QList<QByteArray> bad = {QByteArray("\x13L4\x33\0", 5), QByteArray("\x13L3\x39\0", 5),
                                   QByteArray("\x13L", 3)};
    for (const QByteArray &frame : bad) {
        Rig rig;
        rig.printer->answerFilter = [&](const QByteArray &a) -> std::optional<QByteArray> {
            return a.size() > 1 && a[1] == 'L' ? std::optional(frame) : std::optional(a);
        };
        UnitSettings s;
        rig.chosen = Chosen{Model::Vux, 3};
        EXPECT_FALSE(rig.tr.read(s)) << frame.toHex().constData();
        EXPECT_EQ(rig.pc.prompter->codes(), QList<int>{msg::ReadFailed});
        EXPECT_EQ(s.vux.channel(3).decimalPoint, vuxPatterns().first());
    }
}

TEST(UnitTransfer, CancelledSelectionSendsNothing)
{
    Rig rig;
    rig.chosen = std::nullopt;
    UnitSettings s;
    EXPECT_FALSE(rig.tr.read(s));
    EXPECT_FALSE(rig.tr.registerChannel(s));
    EXPECT_TRUE(rig.pc.prompter->codes().isEmpty());
    EXPECT_EQ(rig.pc.ctx->state.toolState, UnitStates::Idle);
}

TEST(UnitTransfer, DsrLostBeforeAValueEndsWithoutTheFailureMessage)
{
    Rig rig;
    // DSR goes once the name is registered: the next item cannot be sent.
    rig.printer->answerFilter = [&](const QByteArray &a) -> std::optional<QByteArray> {
        if (a.size() > 1 && a[1] == 'b')
            rig.printer->setDsr(false);
        return a;
    };
    UnitSettings s;
    s.vux.channel(4).rate = QStringLiteral("3");
    rig.chosen = Chosen{Model::Vux, 4};
    EXPECT_FALSE(rig.tr.registerChannel(s));
    const QList<int> codes = rig.pc.prompter->codes();
    EXPECT_FALSE(codes.contains(msg::RegisterUnconfirmed)) << "the line's own prompt only";
    EXPECT_FALSE(codes.contains(msg::UnitRegistered));
    EXPECT_EQ(rig.printer->channel(4).rate, "01");
    EXPECT_EQ(rig.pc.ctx->state.toolState, UnitStates::Idle);
}

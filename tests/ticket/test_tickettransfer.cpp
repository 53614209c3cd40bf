// Registering and reading ticket contents against the emulated ticket
// printer, both models: the bytes on the wire, the reply and read faults,
// a lost DSR, round trips of every placeholder and of random lines, and a
// read over a pseudo-terminal through zentrix-printer-sim.
#include "tickettest.h"

#include "support/printercontext.h"
#include "support/printersim.h"
#include "support/replyfaults.h"

#include "comm/eventwait.h"
#include "comm/printeroperation.h"
#include "comm/qtseriallink.h"
#include "ticket/ticketframes.h"
#include "ticket/tickettransfer.h"
#include "ticketprinter.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <random>

namespace {

using Model = sim::TicketPrinter::Model;
using Outcome = TicketTransfer::Outcome;
using ticketconversion::ReadBack;

constexpr int kReplyMs = 150;
constexpr int kReadMs = 300;

QByteArray bytes(const char *spaced) { return QByteArray::fromHex(QByteArray(spaced).replace(' ', "")); }

class TicketTransferTest : public ::testing::Test {
protected:
    TicketTransferTest()
        : pc("ticket"), runner(*pc.ctx), transfer(*pc.ctx, runner,
                                                  {[this] { return chosen; },
                                                   [this](const ReadBack &r) {
                                                       shown = r.content;
                                                       shownInState = pc.ctx->state.toolState;
                                                   }})
    {
        ChannelTimes t = pc.ctx->channel().times();
        t.replyMs = kReplyMs;
        t.dsrMs = kReplyMs;
        t.replyLongMs = kReadMs;
        pc.ctx->channel().setTimes(t);
        pc.ctx->state.toolState = 600;
        EXPECT_TRUE(pc.ctx->channel().openSerialPort());
        printer = pc.printer<sim::TicketPrinter>();
    }

    void useModel(bool rawNumberModel)
    {
        raw = rawNumberModel;
        printer->setModel(raw ? Model::K07 : Model::K2200TQ);
    }
    void startFresh()
    {
        pc.prompter->clear();
        pc.line->clearWritten();
        replied.clear();
        shown.reset();
        pc.line->setReplyFilter([this](const QByteArray &b) {
            replied += b;
            return b;
        });
    }
    Outcome registerAs(int n, const TicketContent &c, int height = 64)
    {
        chosen = n;
        TicketForm f;
        f.content = c;
        f.rawNumberModel = raw;
        const Outcome o = transfer.registerContent(f, height, &refused);
        EXPECT_EQ(f.headerNumber, o == Outcome::NotRun ? 0 : n);
        return o;
    }
    Outcome readAs(int n, TicketForm *f, int *height = nullptr)
    {
        chosen = n;
        f->rawNumberModel = raw;
        int h = 0;
        return transfer.readContent(*f, height ? height : &h);
    }

    PrinterContext pc;
    OperationRunner runner;
    TicketTransfer transfer;
    sim::TicketPrinter *printer = nullptr;
    bool raw = true;
    std::optional<int> chosen;
    ticket::ContentCheck refused;
    std::optional<TicketContent> shown;
    qint16 shownInState = 0;
    QByteArray replied;
};

TEST_F(TicketTransferTest, RegisterThenReadSendTheCommandBytesOfBothModels)
{
    const TicketContent ab = contentOf({{1, "AB", "2x1"}});
    const struct {
        const char *label;
        bool raw;
        int number;
        bool read;
        const char *sent;
        const char *reply;
        int code;
    } kCases[] = {
        {"K-2200TQ register 3", false, 3, false, "1342 33  021c65 3231 4142  03", "1362 33 30 00", 614},
        {"K-2200TQ read 3", false, 3, true, "1344 33 00  1364 33 30 00", "021c65 3231 4142 03", 613},
        {"K-07 register 12", true, 12, false, "135a3100 1342 0c  021c65 3231 4142  03  135a3000", "1362 0c 30 00", 614},
        {"K-07 read 12", true, 12, true, "135a3100  1344 0c 00  1364 0c 30 00  135a3000", "021c65 3231 4142 03", 613},
        {"K-07 read 11, nothing there", true, 11, true, "135a3100  1344 0b 00  1364 0b 30 00  135a3000", "02 03", 613},
    };
    for (const auto &c : kCases) {
        useModel(c.raw);
        startFresh();
        TicketForm f;
        f.content = contentOf({{16, "old"}});
        const Outcome o = c.read ? readAs(c.number, &f) : registerAs(c.number, ab);
        EXPECT_EQ(o, Outcome::Done) << c.label;
        EXPECT_EQ(pc.line->written(), bytes(c.sent)) << c.label;
        EXPECT_EQ(replied, bytes(c.reply)) << c.label;
        EXPECT_EQ(pc.prompter->codes(), QList<int>{c.code}) << c.label;
        EXPECT_EQ(pc.ctx->state.toolState, 600) << c.label;
        if (c.read) {
            EXPECT_EQ(f.content, c.number == 11 ? TicketContent{} : ab) << c.label;
            EXPECT_EQ(shownInState, 613) << c.label;
        }
    }
}

TEST_F(TicketTransferTest, TwoLinesFillSlotsSixteenAndFifteenAndShowAsLinesOneAndTwo)
{
    printer->setContent(7, {bytes("1c65 3131 41"), bytes("1c65 3434 42 0d 43")});
    startFresh();
    TicketForm f;
    ASSERT_EQ(readAs(7, &f), Outcome::Done);
    const ReceiveState &rx = pc.ctx->channel().rx();
    EXPECT_EQ(rx.lines.columnUpTo(16, 0xFF), bytes("02 1c65 3131 41"));
    EXPECT_EQ(rx.lines.columnUpTo(15, 0xFF), bytes("02 1c65 3434 42 0d 43"));
    EXPECT_EQ(quint8(rx.lines.at(14, 0)), 0xFF);
    EXPECT_EQ(f.content, contentOf({{1, "B↓C", "4x4"}, {2, "A", "1x1"}}));
}

// Every placeholder, and lines drawn from what a technician types, come
// back from both printers as they went.
TEST_F(TicketTransferTest, EveryPlaceholderAndRandomLinesComeBackAsRegistered)
{
    TicketContent placeholders;
    int k = 1;
    for (const QString &p : ticketconversion::placeholders())
        placeholders.line(k++) = TicketLine{QStringLiteral("<") + p + QStringLiteral(">"), QStringLiteral("3x2")};
    placeholders.line(9) = TicketLine{QStringLiteral("#紙送り01mm##紙送り04mm##紙送り15mm#"), QStringLiteral("1x4")};
    placeholders.line(16) = TicketLine{QStringLiteral("↓"), QStringLiteral("1x1")};

    // Pieces that read back in the same notation. "&" escapes of the
    // bytes that show as themselves (letters, "^", CR) would come back
    // as those, and STX / ETX would end the line on the wire.
    const QStringList pieces = {
        "A",   "z",   "9",   "-",   "#",   "^", "＾", "漢字", "ｶﾅ", "あ", "&00", "&01", "&07",
        "&0C", "&1B", "&1F", "&26", "No.", "[", "(",  ")",    "=",  "円", "×",   "&13", "&1D",
    };
    std::mt19937 random(24);
    auto randomLine = [&] {
        QString text;
        const int n = std::uniform_int_distribution<>(1, 30)(random);
        for (int i = 0; i < n; ++i)
            text += pieces[std::uniform_int_distribution<qsizetype>(0, pieces.size() - 1)(random)];
        if (random() % 4 == 0)
            text += u'↓';
        return text;
    };
    auto factor = [&] { return QString::number(std::uniform_int_distribution<>(1, 4)(random)); };

    for (const bool rawModel : {true, false}) {
        useModel(rawModel);
        // Numbers that are control bytes on "K-07": STX, ETX, DC3.
        const QList<int> numbers = rawModel ? QList<int>{2, 3, 19, 99} : QList<int>{1, 4};
        for (int round = 0; round < 6; ++round) {
            TicketContent c = placeholders;
            if (round > 0) {
                c = TicketContent{};
                for (int line = 1; line <= 16; ++line)
                    if (random() % 3 != 0)
                        c.line(line) = TicketLine{randomLine(), factor() + u'x' + factor()};
                if (c.allEmpty())
                    c.line(5).text = QStringLiteral("X");
            }
            const int n = numbers[round % numbers.size()];
            startFresh();
            ASSERT_EQ(registerAs(n, c, 56), Outcome::Done) << rawModel << " " << n;
            TicketForm f;
            int height = 0;
            ASSERT_EQ(readAs(n, &f, &height), Outcome::Done) << rawModel << " " << n;
            // Filled lines close up from line 1.
            TicketContent expected;
            int d = 1;
            for (const TicketLine &l : c.lines)
                if (!l.text.isEmpty())
                    expected.line(d++) = l;
            EXPECT_EQ(f.content, expected) << rawModel << " " << n;
            if (round == 0) {
                EXPECT_EQ(height, 56);
            }
            EXPECT_EQ(pc.prompter->codes(), (QList<int>{614, 613}));
        }
    }
}

TEST_F(TicketTransferTest, EveryReplyFaultIsJudgedForBothModels)
{
    const TicketContent ab = contentOf({{1, "AB", "2x1"}});
    for (const bool rawModel : {true, false}) {
        useModel(rawModel);
        const int n = rawModel ? 12 : 3;
        const QByteArray good = bytes(rawModel ? "1362 0c 30 00" : "1362 33 30 00");
        QList<ReplyFault> faults = replyFaults(good);
        faults << lineDropFault();
        for (const ReplyFault &f : faults) {
            const std::string label = (rawModel ? "K-07: " : "K-2200TQ: ") + f.label.toStdString();
            startFresh();
            const auto inPlace = replyInPlace(*pc.line, f, 2, kReplyMs);
            pc.line->setReplyFilter([&](const QByteArray &b) -> QByteArray {
                if (f.dropLine) {
                    QTimer::singleShot(0, printer, [this] { printer->dropLine(kReplyMs / 3); });
                    return {};
                }
                return inPlace(b);
            });
            // "K-07" loses DSR before its closing bracket: a silent stop.
            const bool stops = f.dropLine && rawModel;
            EXPECT_EQ(registerAs(n, ab), f.ok ? Outcome::Done : stops ? Outcome::Stopped : Outcome::Failed) << label;
            EXPECT_EQ(pc.prompter->codes().last(), f.ok ? 614 : stops ? 204 : 631) << label;
            pc.line->setReplyFilter(nullptr);
            eventwait::waitMs(kReplyMs); // late pieces and reconnects out of the way
            if (!pc.ctx->serial().isOpen())
                pc.ctx->channel().openSerialPort();
        }
    }
}

// "K-07" may confirm as soon as the ETX is in, while the program still
// waits to send the closing bracket, or only after that bracket.
TEST_F(TicketTransferTest, RegistrationReplyBeforeOrAfterTheClosingBracketIsKept)
{
    pc.ctx->state.output.dtrWait = 40; // the reply comes during the wait before Z0
    for (const auto when :
         {sim::TicketPrinter::RegisterReply::AfterEtx, sim::TicketPrinter::RegisterReply::AfterBracket}) {
        printer->setRegisterReply(when);
        startFresh();
        EXPECT_EQ(registerAs(12, contentOf({{1, "AB"}})), Outcome::Done);
        EXPECT_EQ(pc.prompter->codes(), QList<int>{614});
        EXPECT_EQ(replied, bytes("1362 0c 30 00"));
    }
}

TEST_F(TicketTransferTest, ReadFaultsTellTwentyAndLeaveTheWindowAlone)
{
    const QByteArray block = bytes("021c65 3131 41 021c65 3131 42 03");
    const struct {
        const char *label;
        std::optional<QByteArray> reply;
        bool inPieces;
        bool ok;
    } kCases[] = {
        {"as sent", block, false, true},
        {"pieces 2/3 of the timeout apart", block, true, true},
        {"noise before the first STX", bytes("aa 55 03") + block, false, true},
        {"silence", std::nullopt, false, false},
        {"no ETX", block.chopped(1), false, false},
    };
    printer->setContent(4, {bytes("1c65 3131 41"), bytes("1c65 3131 42")});
    for (const bool rawModel : {true, false}) {
        useModel(rawModel);
        printer->setContent(4, {bytes("1c65 3131 41"), bytes("1c65 3131 42")});
        for (const auto &c : kCases) {
            const std::string label = (rawModel ? "K-07: " : "K-2200TQ: ") + std::string(c.label);
            startFresh();
            pc.line->setReplyFilter(
                replyInPlace(*pc.line, {QString::fromLatin1(c.label), c.reply, c.ok, c.inPieces}, 9, kReadMs));
            TicketForm f;
            f.content = contentOf({{3, "kept", "2x2"}});
            const TicketContent before = f.content;
            EXPECT_EQ(readAs(4, &f), c.ok ? Outcome::Done : Outcome::Failed) << label;
            EXPECT_EQ(pc.prompter->codes(), QList<int>{c.ok ? 613 : 20}) << label;
            EXPECT_EQ(f.content, c.ok ? contentOf({{1, "B"}, {2, "A"}}) : before) << label;
            EXPECT_EQ(shown.has_value(), c.ok) << label;
            const QByteArray ack = bytes(rawModel ? "1364 04 30 00" : "1364 34 30 00");
            EXPECT_EQ(pc.line->written().contains(ack), c.ok)
                << label << " started " << pc.ctx->channel().rx().frameStarted << " slot "
                << pc.ctx->channel().rx().lineSlot << " text " << pc.ctx->channel().rx().text.toHex(' ').toStdString();
            // The closing bracket goes out either way.
            EXPECT_EQ(pc.line->written().endsWith(bytes("135a3000")), rawModel) << label;
            pc.line->setReplyFilter(nullptr);
            eventwait::waitMs(kReadMs);
        }
    }
}

// DSR goes once the printer has the command: the sequence stops there,
// without a message and without the closing bracket.
TEST_F(TicketTransferTest, LostDsrStopsSilentlyWithoutTheClosingBracket)
{
    const struct {
        const char *label;
        bool read;
        const char *dropAfter; // the printer's log entry that pulls DSR, or its reply
        const char *sent;
    } kCases[] = {
        {"register", false, "register No.12", "135a3100 1342 0c"},
        {"read", true, nullptr, "135a3100 1344 0c 00"},
    };
    pc.ctx->state.output.dtrWait = 30; // the printer has the command within the wait
    for (const auto &c : kCases) {
        printer->setDsr(true);
        // A registration stopped inside its block leaves the printer
        // waiting for the ETX until DTR drops.
        pc.ctx->serial().setDtrEnable(false);
        pc.ctx->serial().setDtrEnable(true);
        startFresh();
        printer->log().setWriter([&](const QString &line) {
            if (c.dropAfter && line.contains(QLatin1String(c.dropAfter)))
                printer->setDsr(false);
        });
        // The read's reply is the moment the printer has the request.
        pc.line->setReplyFilter([&](const QByteArray &) {
            printer->setDsr(false);
            return QByteArray();
        });
        TicketForm f;
        f.content = contentOf({{1, "AB"}});
        chosen = 12;
        const Outcome o = c.read ? transfer.readContent(f, nullptr) : transfer.registerContent(f, 64);
        EXPECT_EQ(o, Outcome::Stopped) << c.label;
        EXPECT_EQ(pc.prompter->codes(), QList<int>{204}) << c.label; // answered Cancel
        EXPECT_EQ(pc.line->written(), bytes(c.sent)) << c.label;
        EXPECT_EQ(f.content, contentOf({{1, "AB"}})) << c.label;
        EXPECT_EQ(pc.ctx->state.toolState, 600) << c.label;
        printer->log().setWriter(nullptr);
        pc.line->setReplyFilter(nullptr);
    }
}

TEST_F(TicketTransferTest, NothingIsSentForABarcodeBeforeItsHeightIsChosen)
{
    startFresh();
    const TicketContent c = contentOf({{1, "AB"}, {3, "No.#バーコード印字#"}});
    EXPECT_EQ(registerAs(5, c, 0), Outcome::NotRun);
    ASSERT_EQ(pc.prompter->requests.size(), 1);
    EXPECT_EQ(pc.prompter->requests[0].text, TicketTransfer::kNoBarcodeHeight);
    EXPECT_EQ(refused.line, 3);
    EXPECT_EQ(refused.caret, 3);
    EXPECT_TRUE(pc.line->written().isEmpty());
    // The content checks come first, and a cancelled dialog sends nothing.
    startFresh();
    EXPECT_EQ(registerAs(5, TicketContent{}), Outcome::NotRun);
    EXPECT_EQ(pc.prompter->codes(), QList<int>{633});
    startFresh();
    chosen.reset();
    TicketForm f;
    f.content = c;
    EXPECT_EQ(transfer.registerContent(f, 56), Outcome::NotRun);
    EXPECT_EQ(transfer.readContent(f, nullptr), Outcome::NotRun);
    EXPECT_TRUE(pc.line->written().isEmpty());
    EXPECT_TRUE(pc.prompter->codes().isEmpty());
}

TEST(TicketTransferOverPty, RegisterAndReadThroughThePrinterProgram)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("printer"));
    PrinterSimProcess sim(QStringLiteral("ticket"), link);
    ASSERT_TRUE(sim.ready());

    auto prompter = std::make_unique<ScriptedPrompter>();
    ScriptedPrompter *p = prompter.get();
    AppContext ctx(std::move(prompter), std::make_unique<FakePortIo>(), std::make_unique<QtSerialLink>());
    ctx.state.toolState = 600;
    ctx.state.output.dtrWait = 1;
    ctx.serial().setPortResolver([link](int) { return link; });
    ASSERT_TRUE(ctx.channel().openSerialPort());
    OperationRunner runner(ctx);
    std::optional<int> chosen = 5;
    TicketTransfer transfer(ctx, runner, {[&] { return chosen; }, {}});

    const TicketContent c = contentOf({{2, "整理券^#番号の印字#", "2x2"}, {4, "#紙送り03mm#↓"}});
    TicketForm f;
    f.content = c;
    EXPECT_EQ(transfer.registerContent(f, 40), Outcome::Done);
    f.content = TicketContent{};
    int height = 0;
    EXPECT_EQ(transfer.readContent(f, &height), Outcome::Done);
    EXPECT_EQ(f.content, contentOf({{1, "整理券^#番号の印字#", "2x2"}, {2, "#紙送り03mm#↓"}}));
    EXPECT_EQ(p->codes(), (QList<int>{614, 613}));

    ctx.channel().closeAndRestore();
    sim.process().terminate();
    EXPECT_TRUE(sim.process().waitForFinished(5000));
    const QString log = QString::fromUtf8(sim.process().readAllStandardOutput() + sim.process().readAllStandardError());
    EXPECT_TRUE(log.contains(QStringLiteral("register No.5"))) << qPrintable(log);
    EXPECT_TRUE(log.contains(QStringLiteral("read acknowledged No.5"))) << qPrintable(log);
}

} // namespace

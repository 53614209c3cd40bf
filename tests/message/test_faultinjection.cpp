// Faults injected between the message tool and the emulated message
// printer at every byte of register and read all: the cable pulled, DSR
// lost, replies cut short or doubled, a printer too slow. Whatever
// happens, the tool ends in its idle state, a file is either untouched or
// holds what the printer sent, and the next operation works.
#include "messagetest.h"

#include "support/faultyline.h"

#include "comm/eventwait.h"
#include "comm/outputchannel.h"
#include "comm/serialcontrol.h"
#include "comm/simseriallink.h"
#include "message/messagefileoperations.h"
#include "message/messagetransfer.h"
#include "message/msdfile.h"
#include "messageprinter.h"

namespace {

using Fault = FaultyLine::Fault;

class FaultInjection : public MessageTest {
protected:
    FaultInjection()
    {
        auto &link = static_cast<SimSerialLink &>(ctx->serialLink());
        faulty = &FaultyLine::install(link, std::make_unique<sim::MessagePrinter>());
        ctx->serial().setPortResolver([](int) { return QStringLiteral("sim:"); });
        ctx->state.output.dtrWait = 1;
        ctx->state.output.baudText = QStringLiteral("38400bps");
        ctx->channel().setTimes({.dsrMs = 60, .replyMs = 150, .replyLongMs = 300});
        EXPECT_TRUE(ctx->channel().openSerialPort());
    }

    // Every ending leaves the tool idle, and after the line is healed the
    // next register goes through.
    void expectRecovered(const char *what, int at)
    {
        SCOPED_TRACE(testing::Message() << what << " at byte " << at);
        EXPECT_EQ(ctx->state.toolState, ToolStates::Message);
        EXPECT_FALSE(transfer.busy());
        EXPECT_FALSE(ctx->channel().state().transferActive);
        faulty->heal();
        if (!ctx->serialLink().isOpen())
            ASSERT_TRUE(ctx->channel().openSerialPort());
        p->clear();
        p->script({Answer::Yes});
        MessageForm again{{}, QStringLiteral("9"), QStringLiteral("OK"), {}};
        EXPECT_TRUE(transfer.registerOne(again));
        EXPECT_EQ(printer().messages().value(9), QByteArray("OK"));
        printer().clearMessages();
    }

    bool registerFive()
    {
        p->clear();
        p->script({Answer::Yes});
        MessageForm f{{}, QStringLiteral("5"), QStringLiteral("ABCDEFGH"), {}};
        return transfer.registerOne(f);
    }

    // A read into a file that already holds something of its own.
    bool readInto(const QString &file)
    {
        p->clear();
        p->script({Answer::Yes});
        MessageForm f{file, {}, {}, {}};
        return transfer.readAll(f);
    }
    QString prepareFile()
    {
        const QString file = path(QStringLiteral("keep.msd"));
        EXPECT_TRUE(MsdFile::createEmpty(file));
        MsdFile(file).writeText(1, QStringLiteral("ファイルの内容"));
        MsdFile(file).writeText(7, QStringLiteral("old seven"));
        return file;
    }
    void fillPrinter()
    {
        printer().clearMessages();
        printer().setMessage(2, "two");
        printer().setMessage(7, "\x8C\x76\x97\xCA\r");
        printer().setMessage(200, QByteArray(300, 'x'));
    }
    static QByteArray afterRead(const QByteArray &before)
    {
        QByteArray r = before;
        auto put = [&r](int n, const QByteArray &text) {
            QByteArray rec(512, ' ');
            rec[0] = 0;
            rec[1] = 0;
            rec.replace(2, text.size(), text);
            rec[2 + text.size()] = '\xFF';
            r.replace((n - 1) * 512, 512, rec);
        };
        put(2, "two");
        put(7, "\x8C\x76\x97\xCA\x81\xAB\r\n"); // CR comes back as a line end
        put(200, QByteArray(300, 'x'));
        return r;
    }

    sim::MessagePrinter &printer() { return faulty->printer<sim::MessagePrinter>(); }

    FaultyLine *faulty = nullptr;
    MessageTransfer transfer{*ctx};
};

} // namespace

TEST_F(FaultInjection, CablePulledAtEveryByteOfARegister)
{
    const int frameBytes = 3 + 8 + 1;
    for (int at = 1; at <= frameBytes; ++at) {
        faulty->arm(Fault::DropAtHostByte, at);
        EXPECT_FALSE(registerFive()) << at;
        EXPECT_TRUE(faulty->fired());
        expectRecovered("host", at);
    }
    for (int at = 1; at <= 5; ++at) {
        faulty->arm(Fault::DropAtPrinterByte, at);
        EXPECT_FALSE(registerFive()) << at;
        expectRecovered("printer", at);
    }
}

TEST_F(FaultInjection, CablePulledAtEveryByteOfAReadAll)
{
    const QString file = prepareFile();
    const QByteArray before = bytesOf(file);
    // Printer side: three message frames and the end frame.
    const int printerBytes = (3 + 3 + 1) + (3 + 5 + 1) + (3 + 300 + 1) + 3;
    int completed = 0;
    for (int at = 1; at <= printerBytes; ++at) {
        fillPrinter();
        faulty->arm(Fault::DropAtPrinterByte, at);
        const bool ok = readInto(file);
        const QByteArray now = bytesOf(file);
        if (ok) {
            ++completed;
            EXPECT_EQ(now, afterRead(before)) << at;
            writeBytes(file, before);
        } else {
            ASSERT_EQ(now, before) << "file changed by a failed read, printer byte " << at;
        }
        expectRecovered("printer", at);
    }
    EXPECT_EQ(completed, 0); // the last byte is the end frame's NUL
    // Program side: the command and three acknowledges.
    for (int at = 1; at <= 3 + 3 * 5; ++at) {
        fillPrinter();
        faulty->arm(Fault::DropAtHostByte, at);
        EXPECT_FALSE(readInto(file)) << at;
        ASSERT_EQ(bytesOf(file), before) << "host byte " << at;
        expectRecovered("host", at);
    }
}

TEST_F(FaultInjection, DsrLostDuringASend)
{
    // DSR is checked before each byte: lost with the last one, the frame
    // is already out and the printer answers.
    for (int at = 1; at <= 12; ++at) {
        faulty->arm(Fault::DsrOffAtHostByte, at);
        EXPECT_EQ(registerFive(), at == 12) << at;
        expectRecovered("dsr", at);
    }
    const QString file = prepareFile();
    const QByteArray before = bytesOf(file);
    for (int at = 1; at <= 18; ++at) {
        fillPrinter();
        faulty->arm(Fault::DsrOffAtHostByte, at);
        const bool ok = readInto(file);
        EXPECT_EQ(bytesOf(file), ok ? afterRead(before) : before) << at;
        if (ok)
            writeBytes(file, before);
        expectRecovered("dsr read", at);
    }
}

TEST_F(FaultInjection, RepliesCutShortOrDoubled)
{
    faulty->arm(Fault::CutReplies);
    EXPECT_FALSE(registerFive());
    EXPECT_EQ(p->codes().last(), 4);
    expectRecovered("cut", 0);

    // A doubled reply: the first copy answers, the second is discarded by
    // the next command's arm.
    faulty->arm(Fault::DoubleReplies);
    EXPECT_TRUE(registerFive());
    expectRecovered("doubled", 0);

    const QString file = prepareFile();
    const QByteArray before = bytesOf(file);
    fillPrinter();
    faulty->arm(Fault::CutReplies);
    EXPECT_FALSE(readInto(file));
    EXPECT_EQ(bytesOf(file), before);
    expectRecovered("cut read", 0);

    fillPrinter();
    faulty->arm(Fault::DoubleReplies);
    const bool ok = readInto(file);
    EXPECT_EQ(bytesOf(file), ok ? afterRead(before) : before);
    expectRecovered("doubled read", 0);
}

TEST_F(FaultInjection, PrinterTooSlowForTheReplyWait)
{
    sim::FaultPlan slow;
    slow.slowMs = 400;
    printer().setFaults(slow);
    EXPECT_FALSE(registerFive());
    EXPECT_EQ(p->codes().last(), 4);
    printer().setFaults({});
    eventwait::waitMs(500); // the late reply arrives and is dropped by the next arm
    expectRecovered("slow", 0);
}

TEST_F(FaultInjection, AByteWrongAtEveryByteOfTheReplies)
{
    // Measured on a clean run: every byte of the register reply is part
    // of its frame, so any of them wrong fails the register.
    faulty->arm(Fault::None);
    ASSERT_TRUE(registerFive());
    const int replyBytes = faulty->printerBytes();
    ASSERT_GT(replyBytes, 2);
    for (int at = 1; at <= replyBytes; ++at) {
        faulty->arm(Fault::WrongPrinterByte, at);
        EXPECT_FALSE(registerFive()) << at;
        EXPECT_TRUE(faulty->fired()) << at;
        expectRecovered("wrong register reply byte", at);
    }
    // In a read a wrong text byte is the printer's word; a wrong frame
    // byte fails the read, and a failed read leaves the file alone.
    const QString file = prepareFile();
    const QByteArray before = bytesOf(file);
    fillPrinter();
    faulty->arm(Fault::None);
    ASSERT_TRUE(readInto(file));
    writeBytes(file, before);
    const QList<int> ends = faulty->printerEnds();
    for (int at : FaultyLine::positions(faulty->printerBytes(), ends, 7)) {
        fillPrinter();
        faulty->arm(Fault::WrongPrinterByte, at);
        const bool ok = readInto(file);
        if (ok)
            writeBytes(file, before);
        else
            ASSERT_EQ(bytesOf(file), before) << "file changed by a failed read, wrong byte " << at;
        // The NUL closing a frame cannot be wrong and still read.
        if (ends.contains(at)) {
            EXPECT_FALSE(ok) << at;
        }
        expectRecovered("wrong read byte", at);
    }
}

TEST_F(FaultInjection, GarbageBeforeEveryReplyNeverGetsIntoTheFile)
{
    faulty->arm(Fault::GarbageFirst);
    registerFive(); // the framing may skip it or refuse the reply
    EXPECT_TRUE(faulty->fired());
    expectRecovered("garbage register", 0);

    const QString file = prepareFile();
    const QByteArray before = bytesOf(file);
    fillPrinter();
    faulty->arm(Fault::GarbageFirst);
    const bool ok = readInto(file);
    EXPECT_EQ(bytesOf(file), ok ? afterRead(before) : before);
    expectRecovered("garbage read", 0);
}

TEST_F(FaultInjection, EveryReplyLaterThanTheWait)
{
    faulty->arm(Fault::TooSlow, 400);
    EXPECT_FALSE(registerFive());
    eventwait::waitMs(450);
    expectRecovered("late register reply", 0);

    const QString file = prepareFile();
    const QByteArray before = bytesOf(file);
    fillPrinter();
    faulty->arm(Fault::TooSlow, 400);
    EXPECT_FALSE(readInto(file));
    EXPECT_EQ(bytesOf(file), before);
    eventwait::waitMs(450);
    expectRecovered("late read", 0);
}

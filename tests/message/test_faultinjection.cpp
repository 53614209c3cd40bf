// Faults injected between the message tool and the emulated message
// printer at every byte of register and read all: the cable pulled, DSR
// lost, replies cut short or doubled, a printer too slow. Whatever
// happens, the tool ends in its idle state, a file is either untouched or
// holds what the printer sent, and the next operation works.
#include "messagetest.h"

#include "comm/eventwait.h"
#include "comm/outputchannel.h"
#include "comm/serialcontrol.h"
#include "comm/simseriallink.h"
#include "message/messagefileoperations.h"
#include "message/messagetransfer.h"
#include "message/msdfile.h"
#include "messageprinter.h"

namespace {

// Sits on the line between the program and the printer and spoils it on
// cue, counting bytes in both directions.
class FaultyLine : public SerialPeer, public PeerPort {
public:
    enum class Fault { None, DropAtHostByte, DropAtPrinterByte, DsrOffAtHostByte, CutReplies, DoubleReplies };

    explicit FaultyLine(std::unique_ptr<sim::MessagePrinter> printer) : printer_(std::move(printer)) {}
    sim::MessagePrinter &printer() { return *printer_; }

    void arm(Fault fault, int at = 0)
    {
        fault_ = fault;
        at_ = at;
        hostBytes_ = 0;
        printerBytes_ = 0;
        fired_ = false;
    }
    bool fired() const { return fired_; }
    void heal()
    {
        fault_ = Fault::None;
        port()->setDsr(true);
        port()->reconnect();
    }

    // SerialPeer: what the program sends.
    void attached(PeerPort &port) override
    {
        SerialPeer::attached(port);
        printer_->attached(*this);
    }
    void bytesFromHost(const QByteArray &bytes) override
    {
        if (fired_ && fault_ == Fault::DropAtHostByte)
            return;
        QByteArray pass;
        for (char b : bytes) {
            ++hostBytes_;
            if (!fired_ && hostBytes_ == at_) {
                if (fault_ == Fault::DropAtHostByte) {
                    fired_ = true;
                    port()->dropLine();
                    break;
                }
                if (fault_ == Fault::DsrOffAtHostByte) {
                    fired_ = true;
                    port()->setDsr(false);
                }
            }
            pass.append(b);
        }
        if (!pass.isEmpty())
            printer_->bytesFromHost(pass);
    }
    void hostOpened() override { printer_->hostOpened(); }
    void hostClosed() override { printer_->hostClosed(); }
    void hostLinesChanged() override { printer_->hostLinesChanged(); }

    // PeerPort: what the printer sends.
    void sendToHost(const QByteArray &bytes, int delayMs) override
    {
        switch (fault_) {
        case Fault::DropAtPrinterByte: {
            if (fired_)
                return;
            if (printerBytes_ + bytes.size() >= at_) {
                fired_ = true;
                port()->sendToHost(bytes.left(at_ - printerBytes_ - 1), delayMs);
                port()->dropLine();
                return;
            }
            printerBytes_ += int(bytes.size());
            break;
        }
        case Fault::CutReplies:
            fired_ = true;
            port()->sendToHost(bytes.left(bytes.size() - 1), delayMs);
            return;
        case Fault::DoubleReplies:
            fired_ = true;
            port()->sendToHost(bytes + bytes, delayMs);
            return;
        default:
            break;
        }
        port()->sendToHost(bytes, delayMs);
    }
    void setDsr(bool on) override { port()->setDsr(on); }
    void setCts(bool on) override { port()->setCts(on); }
    void dropLine() override { port()->dropLine(); }
    void reconnect() override { port()->reconnect(); }
    bool hostOpen() const override { return port()->hostOpen(); }
    bool hostDtr() const override { return port()->hostDtr(); }
    bool hostRts() const override { return port()->hostRts(); }
    qint32 hostBaud() const override { return port()->hostBaud(); }
    Parity hostParity() const override { return port()->hostParity(); }

private:
    std::unique_ptr<sim::MessagePrinter> printer_;
    Fault fault_ = Fault::None;
    int at_ = 0;
    int hostBytes_ = 0;
    int printerBytes_ = 0;
    bool fired_ = false;
};

using Fault = FaultyLine::Fault;

class FaultInjection : public MessageTest {
protected:
    FaultInjection()
    {
        auto &link = static_cast<SimSerialLink &>(ctx->serialLink());
        auto line = std::make_unique<FaultyLine>(std::make_unique<sim::MessagePrinter>());
        faulty = line.get();
        link.setPeer(std::move(line));
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
        EXPECT_EQ(faulty->printer().messages().value(9), QByteArray("OK"));
        faulty->printer().clearMessages();
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
        faulty->printer().clearMessages();
        faulty->printer().setMessage(2, "two");
        faulty->printer().setMessage(7, "\x8C\x76\x97\xCA\r");
        faulty->printer().setMessage(200, QByteArray(300, 'x'));
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
    faulty->printer().setFaults(slow);
    EXPECT_FALSE(registerFive());
    EXPECT_EQ(p->codes().last(), 4);
    faulty->printer().setFaults({});
    eventwait::waitMs(500); // the late reply arrives and is dropped by the next arm
    expectRecovered("slow", 0);
}

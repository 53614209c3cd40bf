// The real serial link over a pseudo-terminal.
#include "commfixture.h"
#include "pseudoterminal.h"

#include "comm/eventwait.h"
#include "comm/mappedseriallink.h"
#include "comm/qtseriallink.h"

#include <QSignalSpy>
#include <QSocketNotifier>

TEST(QtLink, TalksOverAPseudoTerminal)
{
    PseudoTerminal pty;
    ASSERT_TRUE(pty.ok());
    QtSerialLink link;
    QSignalSpy errors(&link, &SerialLink::lineError);
    link.setDtr(true);
    link.setRts(true);
    ASSERT_EQ(link.open(pty.slavePath(), 38400, Parity::None), OpenResult::Ok) << link.errorText().toStdString();

    // No modem lines on a pseudo-terminal: present, and setting them is fine.
    EXPECT_TRUE(link.dsr());
    EXPECT_TRUE(link.cts());
    link.setDtr(false);
    link.setDtr(true);

    ASSERT_TRUE(link.write(QByteArray("\x13"
                                      "B\x85\x00",
                                      4)));
    EXPECT_EQ(link.outputQueueCount(), 0);
    EXPECT_EQ(pty.readAvailable(), QByteArray("\x13"
                                              "B\x85\x00",
                                              4));

    QSignalSpy data(&link, &SerialLink::dataReceived);
    ASSERT_TRUE(pty.write(QByteArray("\x13"
                                     "b\xFF\x00",
                                     4)));
    eventwait::pumpUntil([&] { return link.inputCount() >= 4; });
    EXPECT_GE(data.count(), 1);
    EXPECT_EQ(link.read(100), QByteArray("\x13"
                                         "b\xFF\x00",
                                         4));
    eventwait::waitMs(20);
    EXPECT_EQ(errors.count(), 0);
}

TEST(QtLink, FullDriverQueueIsNotALineError)
{
    PseudoTerminal pty;
    ASSERT_TRUE(pty.ok());
    QtSerialLink link;
    QSignalSpy errors(&link, &SerialLink::lineError);
    ASSERT_EQ(link.open(pty.slavePath(), 9600, Parity::None), OpenResult::Ok);
    const QByteArray big(200000, 'x');
    ASSERT_TRUE(link.write(big)); // far more than the pseudo-terminal holds
    eventwait::waitMs(20);
    EXPECT_GT(link.outputQueueCount(), 0);
    QByteArray got;
    eventwait::pumpUntil(
        [&] {
            got += pty.readAvailable();
            return got.size() == big.size();
        },
        1);
    EXPECT_EQ(got, big);
    EXPECT_EQ(link.outputQueueCount(), 0);
    EXPECT_EQ(errors.count(), 0);
    EXPECT_TRUE(link.isOpen());
}

TEST(QtLink, HangUpIsALineErrorAndClosesTheLink)
{
    PseudoTerminal pty;
    ASSERT_TRUE(pty.ok());
    QtSerialLink link;
    QSignalSpy errors(&link, &SerialLink::lineError);
    ASSERT_EQ(link.open(pty.slavePath(), 9600, Parity::None), OpenResult::Ok);
    pty.closeMaster();
    eventwait::pumpUntil([&] { return errors.count() > 0; });
    EXPECT_FALSE(link.isOpen());
    EXPECT_FALSE(link.write("A"));
    eventwait::waitMs(20);
    EXPECT_EQ(errors.count(), 1);
}

TEST(QtLink, MissingDeviceIsNotFound)
{
    QtSerialLink link;
    EXPECT_EQ(link.open(QStringLiteral("/dev/zentrix-no-such-port"), 9600, Parity::None), OpenResult::NotFound);
    EXPECT_EQ(link.open(QString(), 9600, Parity::None), OpenResult::NotFound);
    EXPECT_FALSE(link.isOpen());
}

// The whole channel on the program's real link, against a printer that
// answers a register frame on the other end of a pseudo-terminal.
TEST(QtLink, RegisterExchangeEndToEnd)
{
    PseudoTerminal pty;
    ASSERT_TRUE(pty.ok());
    auto prompter = std::make_unique<ScriptedPrompter>();
    ScriptedPrompter *p = prompter.get();
    AppContext ctx(std::move(prompter), std::make_unique<FakePortIo>(), std::make_unique<MappedSerialLink>());
    const QString device = pty.slavePath();
    ctx.serial().setPortResolver([device](int) { return device; });
    ctx.state.output.dtrWait = 1;
    ASSERT_TRUE(ctx.channel().openSerialPort());

    QByteArray heard;
    QSocketNotifier printer(pty.master(), QSocketNotifier::Read);
    QObject::connect(&printer, &QSocketNotifier::activated, [&] {
        heard += pty.readAvailable();
        if (heard.endsWith('\0')) {
            pty.write(QByteArray::fromHex("1362053000"));
            heard.clear();
        }
    });

    ctx.state.toolState = 205;
    OutputChannel &ch = ctx.channel();
    ch.state().transferActive = true;
    ch.rx().setExpectedReply(QByteArray::fromHex("1362053000"));
    ASSERT_TRUE(ch.waitCts());
    ASSERT_TRUE(ch.waitDsrAfterDtr());
    ASSERT_TRUE(ch.sendSerial(QByteArray::fromHex("134205") + "AB" + QByteArray(1, '\0')));
    EXPECT_TRUE(PrinterExchange(ch).waitReplyMatch());
    EXPECT_TRUE(p->requests.isEmpty());

    // The printer goes away: the port is reopened, which fails and says so.
    printer.setEnabled(false);
    pty.closeMaster();
    eventwait::pumpUntil([&] { return !p->requests.isEmpty(); });
    EXPECT_EQ(p->requests.first().text, QStringLiteral("COM1が使用出来ません。COMポートを設定し直して下さい。"));
    EXPECT_FALSE(ctx.serial().isOpen());
    EXPECT_FALSE(ch.sendSerial("A"));
}

// Register and read all on the program's real serial link, with the fake
// message printer on the master side of a pseudo-terminal in raw mode.
#include "comm/pseudoterminal.h"
#include "fakemessageprinter.h"
#include "messagetest.h"

#include "comm/outputchannel.h"
#include "comm/qtseriallink.h"
#include "comm/serialcontrol.h"
#include "message/messagefileoperations.h"
#include "message/messagetransfer.h"
#include "message/msdfile.h"

#include <QSocketNotifier>

#include <termios.h>

namespace {

// The printer's end of the pseudo-terminal: no modem lines to set.
struct PtyEnd : PeerPort {
    explicit PtyEnd(PseudoTerminal &pty) : pty(pty) {}
    void sendToHost(const QByteArray &bytes, int) override { pty.write(bytes); }
    void setDsr(bool) override {}
    void setCts(bool) override {}
    void dropLine() override {}
    void reconnect() override {}
    bool hostOpen() const override { return true; }
    bool hostDtr() const override { return true; }
    bool hostRts() const override { return true; }
    qint32 hostBaud() const override { return 38400; }
    Parity hostParity() const override { return Parity::None; }
    PseudoTerminal &pty;
};

} // namespace

TEST(MessageTransferPty, RegisterAndReadAllOverARealLine)
{
    PseudoTerminal pty;
    ASSERT_TRUE(pty.ok());
    termios raw{};
    ASSERT_EQ(::tcgetattr(pty.master(), &raw), 0);
    ::cfmakeraw(&raw);
    ASSERT_EQ(::tcsetattr(pty.master(), TCSANOW, &raw), 0);
    PtyEnd end(pty);
    FakeMessagePrinter printer;
    printer.attached(end);
    printer.messages[200] = QByteArray("\x8A\xBF\x07");
    QSocketNotifier readable(pty.master(), QSocketNotifier::Read);
    QObject::connect(&readable, &QSocketNotifier::activated, [&] { printer.bytesFromHost(pty.readAvailable()); });

    QTemporaryDir dir;
    auto prompter = std::make_unique<ScriptedPrompter>();
    ScriptedPrompter *p = prompter.get();
    AppContext ctx(std::move(prompter), std::make_unique<FakePortIo>(), std::make_unique<QtSerialLink>());
    ctx.state.programFolder = dir.path();
    ctx.state.toolState = ToolStates::Message;
    ctx.state.output.dtrWait = 1;
    ctx.state.output.baudText = QStringLiteral("38400bps");
    const QString device = pty.slavePath();
    ctx.serial().setPortResolver([device](int) { return device; });
    ASSERT_TRUE(ctx.channel().openSerialPort());
    MessageTransfer transfer(ctx);

    p->script({Answer::Yes});
    MessageForm form;
    form.numberText = QStringLiteral("5");
    form.content = QStringLiteral("A^B↓\r\n");
    EXPECT_TRUE(transfer.registerOne(form));
    EXPECT_EQ(p->codes(), (QList<int>{353, 11}));

    // Into a new file, offered and created first.
    p->clear();
    p->script({Answer::Yes, Answer::Yes});
    form.fileName = dir.filePath(QStringLiteral("back"));
    EXPECT_TRUE(transfer.readAll(form));
    EXPECT_EQ(p->codes(), (QList<int>{350, 301, 10}));
    EXPECT_EQ(printer.frames,
              (QList<QByteArray>{QByteArray::fromHex("134205") + "A B\r" + '\0', QByteArray::fromHex("134400"),
                                 QByteArray::fromHex("1362053000"), QByteArray::fromHex("1362c83000")}));
    const MsdFile file(dir.filePath(QStringLiteral("back.msd")));
    EXPECT_EQ(file.occupiedNumbers(), (QList<int>{5, 200}));
    EXPECT_EQ(file.readText(5), QStringLiteral("A^B↓\r\n"));
    EXPECT_EQ(file.readText(200), QStringLiteral("漢&07"));
}

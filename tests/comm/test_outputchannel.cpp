#include "commfixture.h"

#include "base/cp932.h"
#include "comm/eventwait.h"

#include <QTimer>

#include <ctime>

using OpenPort = CommTest;
using SerialWaits = CommTest;
using SerialSend = CommTest;
using ReplyMatch = CommTest;
using ParallelPort = CommTest;
using NumberInterval = CommTest;

// ---- opening -------------------------------------------------------------

TEST_F(OpenPort, ConfiguresThePortFromTheSettings)
{
    st().output.comPort = 3;
    st().output.baudText = QStringLiteral("19200bps");
    st().output.parity = 1;
    ASSERT_TRUE(open());
    EXPECT_TRUE(p->requests.isEmpty());
    SerialControl &s = ctx->serial();
    EXPECT_EQ(s.device(), QStringLiteral("sim:COM3"));
    EXPECT_EQ(s.settings(), QStringLiteral("19200,E,8,1"));
    EXPECT_EQ(link->baudRate(), 19200);
    EXPECT_EQ(link->parity(), Parity::Even);
    EXPECT_TRUE(link->hostDtr());
    EXPECT_TRUE(link->hostRts());
    EXPECT_EQ(s.rThreshold(), 1);
    EXPECT_EQ(s.inputLen(), 1);
    EXPECT_FALSE(st().noModemLines);

    st().output.baudText = QStringLiteral("1200bps ");
    st().output.parity = 2;
    ASSERT_TRUE(open()); // reopening an open port closes it first
    EXPECT_EQ(s.settings(), QStringLiteral("1200,O,8,1"));
    EXPECT_EQ(link->openCount(), 2);
}

TEST_F(OpenPort, FailuresShowTheirTexts)
{
    st().output.comPort = 3;
    struct Row {
        OpenResult result;
        const char *text;
        const char *title;
    };
    const Row rows[] = {
        {OpenResult::NotFound, "COM3が使用出来ません。COMポートを設定し直して下さい。", "ポート番号が無効です"},
        {OpenResult::Busy, "COM3が使用出来ません。", "ポートは既に開かれています"},
        {OpenResult::Failed, "COM3が使用出来ません。COMポートを設定し直して下さい。", "デバイスが開かれていません"},
    };
    for (const Row &row : rows) {
        p->clear();
        link->failOpens(row.result);
        EXPECT_FALSE(open());
        ASSERT_EQ(p->requests.size(), 1);
        const PromptRequest &box = p->requests.first();
        EXPECT_EQ(box.text, QString::fromUtf8(row.text));
        EXPECT_TRUE(box.title.startsWith(QString::fromUtf8(row.title))) << box.title.toStdString();
        EXPECT_TRUE(box.title.contains(QStringLiteral("sim:COM3")));
        EXPECT_EQ(box.style.icon, Icon::Critical);
        EXPECT_FALSE(ctx->serial().isOpen());
    }
    p->clear();
    link->failOpens(OpenResult::PermissionDenied);
    EXPECT_FALSE(open());
    ASSERT_EQ(p->requests.size(), 1);
    EXPECT_TRUE(p->requests.first().text.startsWith(QStringLiteral("COM3が使用出来ません。\r\n")));
    EXPECT_TRUE(p->requests.first().text.contains(QStringLiteral("dialout")));
}

TEST_F(OpenPort, PortAboveNineTurnsDsrChecksOffForGood)
{
    st().output.comPort = 10;
    ASSERT_TRUE(open());
    EXPECT_TRUE(st().noModemLines);
    st().output.comPort = 2;
    ASSERT_TRUE(open());
    EXPECT_TRUE(st().noModemLines); // stays until the print tester clears it

    link->setDsr(false);
    st().output.dtrWait = 200;
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(ch().waitDsrAfterDtr());
    EXPECT_TRUE(ch().waitDsrTimed());
    EXPECT_LT(t.elapsed(), 100); // not even the DTR wait
    EXPECT_TRUE(p->requests.isEmpty());
}

TEST_F(OpenPort, ShutDownClosesAndRestoresTheDefaults)
{
    const SerialDefaults before = st().serialDefaults;
    ASSERT_TRUE(open());
    ch().closeAndRestore();
    EXPECT_FALSE(ctx->serial().isOpen());
    const SerialDefaults after = ctx->serial().properties();
    EXPECT_EQ(after.settings, before.settings);
    EXPECT_EQ(after.dtrEnable, before.dtrEnable);
    EXPECT_EQ(after.rtsEnable, before.rtsEnable);
    EXPECT_EQ(after.rThreshold, before.rThreshold);
    EXPECT_EQ(after.inputLen, before.inputLen);
}

// ---- waits ---------------------------------------------------------------

TEST_F(SerialWaits, CtsAsksUntilCancel)
{
    ASSERT_TRUE(open());
    link->setCts(false);
    p->script({Answer::Retry, Answer::Cancel});
    EXPECT_FALSE(ch().waitCts());
    EXPECT_EQ(p->codes(), (QList<int>{201, 201}));

    p->clear();
    p->script({Answer::Retry});
    p->onAsk = [this](const PromptRequest &) { link->setCts(true); };
    EXPECT_TRUE(ch().waitCts());
    EXPECT_EQ(p->codes(), (QList<int>{201}));
}

TEST_F(SerialWaits, DsrAfterDtrWaitsThenAsks)
{
    ASSERT_TRUE(open());
    st().output.dtrWait = 80;
    link->setDsr(false);
    p->script({Answer::Retry, Answer::Cancel});
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(ch().waitDsrAfterDtr());
    EXPECT_GE(t.elapsed(), 75);
    EXPECT_EQ(p->codes(), (QList<int>{204, 204}));

    p->clear();
    link->setDsr(true);
    EXPECT_TRUE(ch().waitDsrAfterDtr());
    EXPECT_TRUE(p->requests.isEmpty());
}

TEST_F(SerialWaits, OutputDrainAsksAfterTenMilliseconds)
{
    ASSERT_TRUE(open());
    link->holdOutput(true);
    ASSERT_TRUE(ctx->serial().output("A"));
    EXPECT_EQ(ctx->serial().outBufferCount(), 1);
    // Retry: the printer takes the byte while the box is up.
    p->script({Answer::Retry});
    p->onAsk = [this](const PromptRequest &) { link->holdOutput(false); };
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(ch().waitOutputDrained());
    EXPECT_GE(t.elapsed(), 9);
    EXPECT_EQ(p->codes(), (QList<int>{202}));

    p->clear();
    p->onAsk = nullptr;
    link->holdOutput(true);
    ctx->serial().output("B");
    p->script({Answer::Retry, Answer::Cancel});
    EXPECT_FALSE(ch().waitOutputDrained());
    EXPECT_EQ(p->codes(), (QList<int>{202, 202}));
}

TEST_F(SerialWaits, SendingIntoAUartKeepsPaceWithTheLine)
{
    // 400 bytes at 38400 bps, 8N1: 104 ms on the line.
    link->setDrainAtLineRate(true);
    st().output.baudText = QStringLiteral("38400bps");
    ASSERT_TRUE(open());
    st().toolState = 205;
    ch().state().transferActive = true;
    qint64 mostOnLine = 0;
    peer->onBytes = [&](ScriptedPeer &) { mostOnLine = qMax(mostOnLine, ctx->serial().outBufferCount()); };
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(ch().sendSerial(QByteArray(400, 'x')));
    // Every byte waited for the one before it to leave; none timed out.
    EXPECT_EQ(mostOnLine, 1);
    EXPECT_GE(t.elapsed(), 100);
    EXPECT_LT(t.elapsed(), 400);
    EXPECT_TRUE(p->requests.isEmpty());
    EXPECT_EQ(peer->received.size(), 400);
}

TEST_F(SerialWaits, OutputDrainIsSkippedAboveNineButNotOnAClosedPort)
{
    st().output.comPort = 12;
    ASSERT_TRUE(open());
    link->holdOutput(true);
    ctx->serial().output("A");
    EXPECT_TRUE(ch().waitOutputDrained());
    EXPECT_TRUE(p->requests.isEmpty());
    ctx->serial().close();
    EXPECT_FALSE(ch().waitOutputDrained());
}

TEST_F(SerialWaits, DsrTimedAsksAfterTheTimeoutAndStopsOnCancel)
{
    ASSERT_TRUE(open());
    link->setDsr(false);
    ch().state().transferActive = true;
    p->script({Answer::Retry, Answer::Cancel});
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(ch().waitDsrTimed());
    EXPECT_GE(t.elapsed(), 190); // two full intervals of 100 ms
    EXPECT_EQ(p->codes(), (QList<int>{202, 202}));

    // The cancel button ends the wait without a message.
    p->clear();
    QTimer::singleShot(30, [this] { ch().state().transferActive = false; });
    t.restart();
    EXPECT_FALSE(ch().waitDsrTimed());
    EXPECT_LT(t.elapsed(), 90);
    EXPECT_TRUE(p->requests.isEmpty());

    // DSR coming back during the wait.
    ch().state().transferActive = true;
    QTimer::singleShot(30, [this] { link->setDsr(true); });
    EXPECT_TRUE(ch().waitDsrTimed());
    EXPECT_TRUE(p->requests.isEmpty());
}

TEST_F(SerialWaits, AskRetryOnTimeoutOnlyAfterTheTimeout)
{
    ch().armTimeout(1000);
    EXPECT_EQ(ch().askRetryOnTimeout(), 0);
    ch().state().timeoutElapsed = true;
    p->script({Answer::Retry, Answer::Cancel});
    EXPECT_EQ(ch().askRetryOnTimeout(), 1);
    EXPECT_EQ(ch().askRetryOnTimeout(), 2);
    EXPECT_EQ(p->codes(), (QList<int>{202, 202}));
}

// ---- sending -------------------------------------------------------------

TEST_F(SerialSend, SendsEveryCharacterWithDoubleByteCharactersWhole)
{
    ASSERT_TRUE(open());
    const QByteArray text = QByteArray("\x13"
                                       "B",
                                       2) +
                            char(0x85) + cp932::encode(QStringLiteral("A印")) + '\0';
    EXPECT_TRUE(ch().sendSerial(text));
    EXPECT_EQ(peer->received, text);
    // 0x85 is a lead byte by value: it goes out with the byte after it.
    QList<int> sizes;
    for (const QByteArray &c : peer->chunks)
        sizes << int(c.size());
    EXPECT_EQ(sizes, (QList<int>{1, 1, 2, 2, 1}));
    EXPECT_TRUE(ch().sendSerial(QByteArray()));
}

TEST_F(SerialSend, ByteIntervalOnlyInThePrintTester)
{
    ASSERT_TRUE(open());
    st().output.byteInterval = 40;
    ch().state().transferActive = true;
    QElapsedTimer t;
    t.start();
    st().toolState = 205;
    EXPECT_TRUE(ch().sendSerial("ABC"));
    EXPECT_LT(t.elapsed(), 40);

    st().toolState = 400;
    t.restart();
    EXPECT_TRUE(ch().sendSerial("ABC"));
    EXPECT_GE(t.elapsed(), 115);
}

TEST_F(SerialSend, CancelDuringTheByteIntervalStopsTheSend)
{
    ASSERT_TRUE(open());
    st().toolState = 400;
    st().output.byteInterval = 50;
    ch().state().transferActive = true;
    QTimer::singleShot(75, [this] { ch().state().transferActive = false; });
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(ch().sendSerial("ABCDEF"));
    EXPECT_LT(t.elapsed(), 100); // ended inside the second pause
    EXPECT_EQ(peer->received, QByteArray("AB"));
    EXPECT_TRUE(p->requests.isEmpty());
}

TEST_F(SerialSend, ClosedPortFailsWithoutSending)
{
    EXPECT_FALSE(ch().sendSerial("A"));
    EXPECT_TRUE(peer->received.isEmpty());
}

TEST_F(SerialSend, UnpluggedMidSendFailsTellsTheUserAndGoesOn)
{
    ASSERT_TRUE(open());
    peer->onBytes = [](ScriptedPeer &p) {
        if (p.received.size() == 3)
            p.line().dropLine();
    };
    EXPECT_FALSE(ch().sendSerial("ABCDEFGH"));
    EXPECT_EQ(peer->received, QByteArray("ABC"));
    // The line error runs from the event loop: close, restore, reopen, which
    // fails and says so.
    eventwait::pumpUntil([this] { return !p->requests.isEmpty(); });
    ASSERT_EQ(p->requests.size(), 1);
    EXPECT_EQ(p->requests.first().text, QStringLiteral("COM1が使用出来ません。COMポートを設定し直して下さい。"));
    EXPECT_FALSE(ctx->serial().isOpen());
    EXPECT_FALSE(ch().sendSerial("A"));

    // Plugged in again: the next open works.
    link->reconnect();
    EXPECT_TRUE(open());
    EXPECT_TRUE(ch().sendSerial("Z"));
}

TEST_F(SerialSend, SendTextIsConvertedWithTheTestersHook)
{
    EXPECT_EQ(ch().convertForPrinter(QStringLiteral("A↓\r\nB")), QByteArray("A\rB"));
    ch().setConvertOptionsSource([] { return notation::ConvertOptions{true, 2}; });
    EXPECT_EQ(ch().convertForPrinter(QStringLiteral("A↓\r\nB")), QByteArray("A\r\nB"));
    st().toolState = 200;
    EXPECT_FALSE(ch().validateEscapes(QStringLiteral("&20")).valid);
    st().toolState = 400;
    EXPECT_TRUE(ch().validateEscapes(QStringLiteral("&20")).valid);
}

// ---- replies -------------------------------------------------------------

TEST_F(ReplyMatch, RegisterReplyMatchesAndAWrongOneDoesNot)
{
    ASSERT_TRUE(open());
    st().toolState = 205;
    ch().rx().setExpectedReply(hexBytes("1362053000"));
    peer->replyOnNul(hexBytes("1362053000"), 5);
    ASSERT_TRUE(ch().sendSerial(hexBytes("134205") + "AB" + hexBytes("00")));
    EXPECT_TRUE(ex().waitReplyMatch());

    peer->received.clear();
    peer->replyOnNul(hexBytes("1362053100"), 5); // "1" instead of "0"
    ASSERT_TRUE(ch().sendSerial(hexBytes("134205") + "AB" + hexBytes("00")));
    EXPECT_FALSE(ex().waitReplyMatch());

    // A reply longer than the nine expected bytes never matches.
    peer->received.clear();
    peer->replyOnNul(hexBytes("13620530313233343500"), 5);
    ASSERT_TRUE(ch().sendSerial(hexBytes("134205") + "AB" + hexBytes("00")));
    EXPECT_FALSE(ex().waitReplyMatch());
}

TEST_F(ReplyMatch, CompareIndexByToolState)
{
    ASSERT_TRUE(open());
    // 860: DC3 and two data bytes; what follows does not count.
    st().toolState = 860;
    ch().rx().clearText();
    ch().rx().setExpectedReply(hexBytes("134142"));
    peer->replyOnNul(hexBytes("1341424300"), 5);
    ASSERT_TRUE(ch().sendSerial(hexBytes("1341") + '\0'));
    EXPECT_TRUE(ex().waitReplyMatch());

    // 616: DC3 and four.
    st().toolState = 616;
    ch().rx().clearText();
    ch().rx().setExpectedReply(hexBytes("1368313233"));
    peer->replyOnNul(hexBytes("136831323300"), 5);
    ASSERT_TRUE(ch().sendSerial(QByteArray("x", 1) + '\0'));
    EXPECT_TRUE(ex().waitReplyMatch());

    // 623: four, or three without the raw number model.
    st().toolState = 623;
    ch().rx().clearText();
    ch().rx().setExpectedReply(hexBytes("1362333099"));
    peer->replyOnNul(hexBytes("1362333000"), 5);
    ASSERT_TRUE(ch().sendSerial(QByteArray("x", 1) + '\0'));
    EXPECT_FALSE(ex().waitReplyMatch());
    ex().setRawNumberModelSource([] { return false; });
    ch().rx().clearText();
    ASSERT_TRUE(ch().sendSerial(QByteArray("x", 1) + '\0'));
    EXPECT_TRUE(ex().waitReplyMatch());
}

TEST_F(ReplyMatch, TimeoutIsLongerInState860)
{
    ASSERT_TRUE(open());
    QElapsedTimer t;
    st().toolState = 841;
    t.start();
    EXPECT_FALSE(ex().waitReplyMatch());
    const qint64 normal = t.elapsed();
    st().toolState = 860;
    t.restart();
    EXPECT_FALSE(ex().waitReplyMatch());
    const qint64 longer = t.elapsed();
    EXPECT_GE(normal, 95);
    EXPECT_LT(normal, 250);
    EXPECT_GE(longer, 295);
    // The program's own times.
    EXPECT_EQ(ChannelTimes{}.replyMs, 5000);
    EXPECT_EQ(ChannelTimes{}.replyLongMs, 10000);
}

TEST_F(ReplyMatch, TheTimeoutCountsSilenceNotTheWholeReply)
{
    ASSERT_TRUE(open());
    st().toolState = 205;
    ch().rx().setExpectedReply(hexBytes("1362053000"));
    // Five bytes, one every 60 ms: 300 ms in all, never 100 ms of silence.
    peer->onBytes = [](ScriptedPeer &p) {
        if (!p.received.endsWith('\0'))
            return;
        const QByteArray reply = hexBytes("1362053000");
        for (int i = 0; i < reply.size(); ++i)
            p.line().sendToHost(reply.mid(i, 1), 60);
    };
    ASSERT_TRUE(ch().sendSerial(QByteArray("x", 1) + '\0'));
    EXPECT_TRUE(ex().waitReplyMatch());
}

TEST_F(ReplyMatch, BytesAfterTheTimeoutAreKeptButNotFramed)
{
    ASSERT_TRUE(open());
    st().toolState = 205;
    peer->replyOnNul(hexBytes("1362053000"), 200);
    ASSERT_TRUE(ch().sendSerial(QByteArray("x", 1) + '\0'));
    EXPECT_FALSE(ex().waitReplyMatch());
    eventwait::waitMs(250);
    EXPECT_FALSE(ch().rx().replyComplete);
    EXPECT_EQ(ch().rx().text, hexBytes("1362053000"));
}

TEST_F(ReplyMatch, GarbageAndCorruptRepliesFailCleanly)
{
    ASSERT_TRUE(open());
    st().toolState = 206;
    ch().rx().setExpectedReply(hexBytes("13610500"));
    link->setReplyFilter([](const QByteArray &b) { return QByteArray(2000, '\xA5') + b.mid(1); });
    peer->replyOnNul(hexBytes("13610500"));
    ASSERT_TRUE(ch().sendSerial(QByteArray("x", 1) + '\0'));
    EXPECT_FALSE(ex().waitReplyMatch());
    EXPECT_TRUE(ch().rx().replyComplete);
}

namespace {
qint64 processCpuNs()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}
} // namespace

TEST_F(ReplyMatch, WaitingSleeps)
{
    ASSERT_TRUE(open());
    st().toolState = 860; // 300 ms here
    QElapsedTimer t;
    t.start();
    const qint64 cpu0 = processCpuNs();
    EXPECT_FALSE(ex().waitReplyMatch());
    // Generous: a spinning wait would use the whole 300 ms.
    EXPECT_LT(processCpuNs() - cpu0, t.elapsed() * 1000000LL / 10);
}

TEST_F(ReplyMatch, TesterWindowKeepsTheNewestBytes)
{
    ASSERT_TRUE(open());
    st().toolState = 400;
    ch().rx().count = 0;
    link->sendToHost(QByteArray(300, 'a'));
    link->sendToHost(QByteArray(100, 'b'), 5);
    eventwait::pumpUntil([this] { return ch().rx().window.endsWith('b'); });
    EXPECT_EQ(ch().rx().count, 320);
    EXPECT_EQ(ch().rx().window, QByteArray(220, 'a') + QByteArray(100, 'b'));
}

// ---- parallel ------------------------------------------------------------

namespace {
constexpr quint16 kBase = 0x378;
constexpr quint8 kReady = 0x80 | 0x10 | 0x08;
} // namespace

TEST_F(ParallelPort, PrepareAndRestoreTheControlRegister)
{
    st().output.lptBase = kBase;
    io->registers[kBase + 2] = 0xC0;
    ch().lptPrepare();
    EXPECT_TRUE(io->writes.isEmpty()); // not available: nothing
    st().parallelAvailable = true;
    ch().lptPrepare();
    EXPECT_EQ(io->registers[kBase + 2], 0xC4);
    ch().lptRestore();
    EXPECT_EQ(io->registers[kBase + 2], 0xC0);
}

TEST_F(ParallelPort, SendStrobesEveryByte)
{
    st().output.lptBase = kBase;
    st().parallelAvailable = true;
    io->registers[kBase + 1] = kReady;
    io->registers[kBase + 2] = 0x04;
    ch().state().sendText = cp932::encode(QStringLiteral("Aあ"));
    ASSERT_TRUE(ch().sendParallel());
    QList<QPair<quint16, quint8>> expected;
    for (char b : cp932::encode(QStringLiteral("Aあ")))
        expected << qMakePair(kBase, quint8(b)) << qMakePair(quint16(kBase + 2), quint8(0x05))
                 << qMakePair(quint16(kBase + 2), quint8(0x04));
    EXPECT_EQ(io->writes, expected);
}

TEST_F(ParallelPort, BusyTimesOutToTheRetryPrompt)
{
    st().output.lptBase = kBase;
    io->registers[kBase + 1] = 0x10 | 0x08; // busy
    ch().state().transferActive = true;
    ch().state().sendText = "A";
    p->script({Answer::Retry, Answer::Cancel});
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(ch().sendParallel());
    EXPECT_GE(t.elapsed(), 190);
    EXPECT_EQ(p->codes(), (QList<int>{202, 202}));
    EXPECT_TRUE(io->writes.isEmpty());

    // Not busy any more while the first box is up.
    p->clear();
    p->script({Answer::Retry});
    p->onAsk = [this](const PromptRequest &) { io->registers[kBase + 1] = kReady; };
    EXPECT_TRUE(ch().sendParallel());
    EXPECT_EQ(io->writes.first(), qMakePair(kBase, quint8('A')));
}

TEST_F(ParallelPort, StatusChecksAskWithTheirCodes)
{
    st().output.lptBase = kBase;
    io->registers[kBase + 1] = 0x00; // off line, error, busy
    EXPECT_FALSE(ch().lptWaitSelect());
    EXPECT_FALSE(ch().lptWaitReady());
    io->registers[kBase + 1] = 0x08 | 0x20; // no error, paper end, busy
    EXPECT_FALSE(ch().lptWaitReady());
    io->registers[kBase + 1] = 0x08; // no error, paper, busy
    EXPECT_FALSE(ch().lptWaitReady());
    EXPECT_EQ(p->codes(), (QList<int>{205, 200, 203, 202}));
    p->clear();
    io->registers[kBase + 1] = kReady;
    EXPECT_TRUE(ch().lptWaitSelect());
    EXPECT_TRUE(ch().lptWaitReady());
    EXPECT_TRUE(p->requests.isEmpty());
}

// ---- number interval -----------------------------------------------------

TEST_F(NumberInterval, CountsSixteenMillisecondTicks)
{
    st().output.numberInterval = 160;
    ch().state().transferActive = true;
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(ch().waitNumberInterval());
    EXPECT_GE(t.elapsed(), 150);
    EXPECT_LT(t.elapsed(), 400);
    EXPECT_FALSE(ch().numberIntervalRunning());
    EXPECT_EQ(ch().state().numberTicks, 0);

    st().output.numberInterval = 5000;
    QTimer::singleShot(40, [this] { ch().state().transferActive = false; });
    t.restart();
    EXPECT_FALSE(ch().waitNumberInterval());
    EXPECT_LT(t.elapsed(), 200);
    EXPECT_FALSE(ch().numberIntervalRunning());
}

#include "commfixture.h"

#include "comm/eventwait.h"

using Receiving = CommTest;

TEST_F(Receiving, DispatchesOnTheToolStateThroughThePort)
{
    ASSERT_TRUE(open());
    // 613: a ticket read, the lines arriving in pieces.
    st().toolState = 613;
    ch().rx().lineSlot = 16;
    link->sendToHost(hexBytes("02") + "L1");
    link->sendToHost(hexBytes("02") + "L2", 10);
    link->sendToHost(hexBytes("03"), 20);
    eventwait::pumpUntil([this] { return ch().rx().framesComplete; });
    EXPECT_EQ(ch().rx().lines.columnUpTo(16, 0xFF), hexBytes("02") + "L1");
    EXPECT_EQ(ch().rx().lines.columnUpTo(15, 0xFF), hexBytes("02") + "L2");

    // 626: monitor records.
    st().toolState = 626;
    ch().rx().clearText();
    link->sendToHost(QByteArray("Z0512304\0E0512305\0", 18));
    eventwait::pumpUntil([this] { return ch().rx().monitor.queue.size() == 2; });
    EXPECT_EQ(ch().rx().monitor.slotData[1], QByteArray("E0512305\0", 9));
}

TEST_F(Receiving, IdleToolStatesLeaveTheBytesInThePort)
{
    ASSERT_TRUE(open());
    st().toolState = 200;
    link->sendToHost(hexBytes("1362053000"));
    eventwait::waitMs(20);
    EXPECT_TRUE(ch().rx().text.isEmpty());
    EXPECT_FALSE(ch().rx().replyComplete);
    EXPECT_EQ(ctx->serial().inBufferCount(), 5);
}

TEST_F(Receiving, ThresholdZeroRaisesNoEvent)
{
    ASSERT_TRUE(open());
    st().toolState = 841;
    ctx->serial().setRThreshold(0);
    link->sendToHost(hexBytes("13613100"));
    eventwait::waitMs(20);
    EXPECT_FALSE(ch().rx().replyComplete);
    ctx->serial().setInputLen(1); // the fingerprint manager reads byte by byte
    EXPECT_EQ(ctx->serial().input(), hexBytes("13"));
    EXPECT_EQ(ctx->serial().inBufferCount(), 3);
}

TEST_F(Receiving, TemplateBlockReportsProgressAndCompletes)
{
    ASSERT_TRUE(open());
    st().toolState = 913;
    QList<int> progress;
    ctx->receiver().setBlockProgress([&](int v) { progress << v; });
    link->sendToHost(QByteArray(10, 'T'));
    link->sendToHost(hexBytes("03") + "C", 10);
    eventwait::pumpUntil([this] { return ch().rx().framesComplete; });
    EXPECT_EQ(progress, (QList<int>{9, 11}));
    EXPECT_EQ(ch().rx().block.size(), 12);
}

TEST_F(Receiving, TimedFramingRestartsTheTimerOnlyWhileIncomplete)
{
    ASSERT_TRUE(open());
    st().toolState = 860;
    ch().armTimeout(200);
    link->sendToHost(hexBytes("1341"));
    eventwait::pumpUntil([this] { return ctx->serial().inBufferCount() == 0 && !ch().rx().text.isEmpty(); });
    EXPECT_TRUE(ch().timeoutRunning());
    link->sendToHost(hexBytes("4200"));
    eventwait::pumpUntil([this] { return ch().rx().replyComplete; });
    EXPECT_FALSE(ch().timeoutRunning());
}

TEST_F(Receiving, LineErrorReopensThePort)
{
    ASSERT_TRUE(open());
    link->dropLine();
    link->reconnect(); // back before the error is handled
    eventwait::pumpUntil([this] { return link->openCount() == 2; });
    EXPECT_TRUE(ctx->serial().isOpen());
    EXPECT_EQ(ctx->serial().rThreshold(), 1); // the user's settings again
    EXPECT_TRUE(p->requests.isEmpty());
}

TEST_F(Receiving, AReplyLostToALineErrorEndsByTimeout)
{
    ASSERT_TRUE(open());
    st().toolState = 205;
    peer->onBytes = [](ScriptedPeer &p) {
        if (p.received.endsWith('\0')) {
            p.line().sendToHost(hexBytes("1362"));
            p.line().dropLine();
            p.line().reconnect();
        }
    };
    ch().rx().setExpectedReply(hexBytes("1362053000"));
    ASSERT_TRUE(ch().sendSerial(QByteArray("x", 1) + '\0'));
    EXPECT_FALSE(ex().waitReplyMatch());
    EXPECT_TRUE(ctx->serial().isOpen());
}

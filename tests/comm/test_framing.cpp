// Every framing fed its byte stream whole, byte by byte and split at every
// pair of positions: the outcome must not depend on how the bytes arrive.
#include "comm/receiveframing.h"

#include <gtest/gtest.h>

#include <QList>
#include <QString>

#include <functional>

using namespace framing;

namespace {

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

struct Case {
    const char *name;
    qint16 toolState;
    QByteArray stream;
    std::function<void(ReceiveState &)> setup;
    std::function<void(const ReceiveState &)> check;
};

void feedChunks(ReceiveState &rx, qint16 state, const QByteArray &stream, const QList<qsizetype> &cuts)
{
    qsizetype from = 0;
    for (qsizetype cut : cuts) {
        feed(rx, state, stream.mid(from, cut - from));
        from = cut;
    }
    feed(rx, state, stream.mid(from));
}

void runEverySplit(const Case &c)
{
    const qsizetype n = c.stream.size();
    auto runWith = [&](const QList<qsizetype> &cuts, const QString &how) {
        SCOPED_TRACE(QStringLiteral("%1: %2").arg(QLatin1String(c.name), how).toStdString());
        ReceiveState rx;
        if (c.setup)
            c.setup(rx);
        feedChunks(rx, c.toolState, c.stream, cuts);
        c.check(rx);
    };
    runWith({}, QStringLiteral("whole"));
    QList<qsizetype> each;
    for (qsizetype i = 1; i < n; ++i)
        each << i;
    runWith(each, QStringLiteral("byte by byte"));
    // Every pair of cuts for the short streams, every single cut for the long ones.
    const bool pairs = n <= 64;
    for (qsizetype i = 1; i < n; ++i) {
        for (qsizetype j = pairs ? i : n; j < n; ++j)
            runWith({i, j}, QStringLiteral("cut at %1 and %2").arg(i).arg(j));
        runWith({i}, QStringLiteral("cut at %1").arg(i));
        if (::testing::Test::HasFailure())
            return; // one failing split is enough to read
    }
}

const QByteArray kLongLine(700, 'L');

QList<Case> cases()
{
    QList<Case> out;
    out << Case{"860 DC3 frame with two data bytes", 860, hex("1341420000"), nullptr, [](const ReceiveState &rx) {
                    EXPECT_TRUE(rx.replyComplete);
                    EXPECT_EQ(rx.bytes.left(3), hex("134142"));
                }};
    out << Case{"860 DC3 frame after garbage", 860, hex("FF00AA1341420000"), nullptr, [](const ReceiveState &rx) {
                    EXPECT_TRUE(rx.replyComplete);
                    EXPECT_EQ(rx.bytes.left(3), hex("134142"));
                }};
    out << Case{"860 DC3 without NUL stays incomplete", 860, hex("13414243"), nullptr,
                [](const ReceiveState &rx) { EXPECT_FALSE(rx.replyComplete); }};
    out << Case{"616 DC3 frame with four data bytes", 616, hex("1361313233340000"), nullptr,
                [](const ReceiveState &rx) {
                    EXPECT_TRUE(rx.replyComplete);
                    EXPECT_EQ(rx.bytes.left(5), hex("1361313233"));
                }};
    out << Case{"613 two lines", 613, hex("AA02") + "L1" + hex("02") + "L2" + hex("03"),
                [](ReceiveState &rx) {
                    rx.lineSlot = 16;
                    for (int s = 1; s <= 16; ++s)
                        rx.lines.set(s, 0, 0xFF);
                },
                [](const ReceiveState &rx) {
                    EXPECT_TRUE(rx.framesComplete);
                    EXPECT_EQ(rx.lines.columnUpTo(16, 0xFF), hex("02") + "L1");
                    EXPECT_EQ(rx.lines.at(16, 3), 0xFF);
                    EXPECT_EQ(rx.lines.columnUpTo(15, 0xFF), hex("02") + "L2");
                    EXPECT_EQ(rx.lines.at(14, 0), 0xFF); // untouched
                    EXPECT_EQ(rx.lineSlot, 14);
                }};
    out << Case{"613 line longer than a slot is cut", 613, hex("02") + kLongLine + hex("03"), nullptr,
                [](const ReceiveState &rx) {
                    EXPECT_TRUE(rx.framesComplete);
                    const QByteArray slot = rx.lines.column(16);
                    EXPECT_EQ(slot.size(), ByteTable::kRows);
                    EXPECT_EQ(slot.at(0), kStx);
                    EXPECT_EQ(slot.mid(1, 511), QByteArray(511, 'L'));
                    EXPECT_EQ(slot.at(512), kLineEnd);
                    EXPECT_EQ(rx.lines.at(17, 0), 0); // the neighbour is untouched
                }};
    out << Case{"626 four records rotate through three slots", 626,
                QByteArray("Z0512304\0", 9) + QByteArray("E0512305\0", 9) + QByteArray("e0512306\0", 9) +
                    QByteArray("N05123070042\0", 13),
                nullptr, [](const ReceiveState &rx) {
                    EXPECT_TRUE(rx.replyComplete);
                    EXPECT_EQ(rx.monitor.slotData[0], QByteArray("N05123070042\0", 13));
                    EXPECT_EQ(rx.monitor.slotData[1], QByteArray("E0512305\0", 9));
                    EXPECT_EQ(rx.monitor.slotData[2], QByteArray("e0512306\0", 9));
                    EXPECT_EQ(rx.monitor.writeSlot, 2);
                    ASSERT_EQ(rx.monitor.queue.size(), 4u);
                    EXPECT_EQ(rx.monitor.queue.front(), QByteArray("Z0512304\0", 9));
                    EXPECT_TRUE(rx.text.isEmpty());
                }};
    out << Case{"872 record longer than a slot is cut", 872, QByteArray(600, 'A') + QByteArray(1, '\0'), nullptr,
                [](const ReceiveState &rx) { EXPECT_EQ(rx.monitor.slotData[0].size(), ByteTable::kRows); }};
    out << Case{"925 acknowledgement cut at ETX", 925, hex("0272") + "ABCD1234" + hex("03"), nullptr,
                [](const ReceiveState &rx) {
                    EXPECT_TRUE(rx.replyComplete);
                    EXPECT_EQ(rx.text, QByteArray("ABCD1234"));
                }};
    out << Case{"841 NUL record filed by its number", 841, hex("1361") + hex("31") + "2.5" + hex("00"), nullptr,
                [](const ReceiveState &rx) {
                    EXPECT_TRUE(rx.replyComplete);
                    EXPECT_EQ(rx.recordIndex, 0x31);
                    EXPECT_EQ(rx.records.column(0x31).left(7), hex("136131") + "2.5" + hex("00"));
                    EXPECT_EQ(rx.bytes, hex("136131") + "2.5" + hex("00"));
                    EXPECT_EQ(rx.count, 6);
                    EXPECT_TRUE(rx.text.isEmpty());
                }};
    out << Case{"841 record longer than a column is cut", 841,
                hex("0000").left(0) + hex("1344") + hex("07") + QByteArray(700, 'x') + hex("00"), nullptr,
                [](const ReceiveState &rx) {
                    EXPECT_TRUE(rx.replyComplete);
                    EXPECT_EQ(rx.records.column(7).left(3), hex("134407"));
                    EXPECT_EQ(rx.records.column(7).mid(3), QByteArray(510, 'x'));
                    EXPECT_EQ(rx.records.at(8, 0), 0); // nothing spilled into the next column
                    EXPECT_EQ(rx.count, 703);
                }};
    out << Case{"204 message frame is filed, not the end", 204, hex("1344") + hex("05") + "AB" + hex("00"),
                [](ReceiveState &rx) { rx.setExpectedReply(hex("136400")); },
                [](const ReceiveState &rx) {
                    EXPECT_TRUE(rx.replyComplete);
                    EXPECT_FALSE(rx.framesComplete);
                    EXPECT_EQ(rx.records.column(5).left(6), hex("134405") + "AB" + hex("00"));
                }};
    out << Case{"204 end frame completes the read", 204, hex("136400"),
                [](ReceiveState &rx) { rx.setExpectedReply(hex("136400")); },
                [](const ReceiveState &rx) {
                    EXPECT_TRUE(rx.replyComplete);
                    EXPECT_TRUE(rx.framesComplete);
                }};
    out << Case{"205 register reply", 205, hex("1362053000"), nullptr, [](const ReceiveState &rx) {
                    EXPECT_TRUE(rx.replyComplete);
                    EXPECT_FALSE(rx.framesComplete); // only 204 compares
                    EXPECT_EQ(rx.count, 4);
                    EXPECT_EQ(rx.bytes, hex("1362053000"));
                }};
    out << Case{"short NUL record is not filed", 206, hex("1300"), nullptr, [](const ReceiveState &rx) {
                    EXPECT_TRUE(rx.replyComplete);
                    EXPECT_EQ(rx.count, 1);
                    EXPECT_EQ(rx.records.at(0, 0), 0);
                }};
    out << Case{"913 template ends with ETX and a check byte", 913, hex("0102030405") + hex("0303") + hex("5A"),
                nullptr, [](const ReceiveState &rx) {
                    EXPECT_TRUE(rx.framesComplete);
                    EXPECT_EQ(rx.block, hex("0102030405") + hex("0303") + hex("5A"));
                }};
    out << Case{"400 keeps the newest 320 bytes", 400, QByteArray(200, 'a') + QByteArray(200, 'b'), nullptr,
                [](const ReceiveState &rx) {
                    EXPECT_EQ(rx.count, 320);
                    EXPECT_EQ(rx.window, QByteArray(120, 'a') + QByteArray(200, 'b'));
                }};
    out << Case{"200 leaves the bytes alone", 200, hex("1362053000"), nullptr, [](const ReceiveState &rx) {
                    EXPECT_FALSE(rx.replyComplete);
                    EXPECT_TRUE(rx.text.isEmpty());
                }};
    return out;
}

} // namespace

TEST(Framing, EverySplitOfEveryStreamGivesTheSameFrame)
{
    for (const Case &c : cases())
        runEverySplit(c);
}

TEST(Framing, StatesThatLeaveBytesInThePort)
{
    for (qint16 s : {200, 600, 900, 912, 914, 915, 916, 923, 924, 999, 9151})
        EXPECT_EQ(kindFor(s), Kind::LeaveAlone) << s;
    EXPECT_EQ(kindFor(0), Kind::Default);
    EXPECT_EQ(kindFor(623), Kind::Default);
    EXPECT_EQ(kindFor(9211), Kind::Default);
}

TEST(Framing, BytesAfterANulRecordWaitForTheNext)
{
    ReceiveState rx;
    feed(rx, 841, hex("13613100") + hex("1361"));
    EXPECT_EQ(rx.recordIndex, 0x31);
    EXPECT_EQ(rx.text, hex("1361"));
    rx.replyComplete = false;
    feed(rx, 841, hex("3200"));
    EXPECT_TRUE(rx.replyComplete);
    EXPECT_EQ(rx.recordIndex, 0x32);
    EXPECT_TRUE(rx.text.isEmpty());
}

TEST(Framing, GarbageThatNeverEndsAFrameStaysBounded)
{
    ReceiveState rx;
    const QByteArray garbage(1000, '\x55');
    for (int i = 0; i < 100; ++i) {
        feed(rx, 841, garbage);
        feed(rx, 613, garbage);
    }
    EXPECT_FALSE(rx.replyComplete);
    EXPECT_LE(rx.text.size(), kMaxReceiveText + garbage.size());
    for (int i = 0; i < 100; ++i)
        feed(rx, 913, garbage);
    EXPECT_EQ(rx.block.size(), kMaxBlock);
}

TEST(Framing, MonitorQueueKeepsEveryRecordUpToItsLimit)
{
    ReceiveState rx;
    QByteArray burst;
    for (int i = 0; i < MonitorStore::kQueueLimit + 5; ++i)
        burst += QByteArray("Z0000000") + QByteArray::number(i) + '\0';
    feed(rx, 873, burst);
    ASSERT_EQ(rx.monitor.queue.size(), size_t(MonitorStore::kQueueLimit));
    EXPECT_EQ(rx.monitor.queue.back(),
              QByteArray("Z0000000") + QByteArray::number(MonitorStore::kQueueLimit + 4) + '\0');
}

TEST(ByteTable, OutOfRangeIsIgnored)
{
    ByteTable t;
    t.set(256, 0, 1);
    t.set(0, 513, 1);
    t.set(-1, 0, 1);
    EXPECT_EQ(t.at(256, 0), 0);
    EXPECT_EQ(t.store(300, "abc"), 0);
    EXPECT_TRUE(t.column(256).isEmpty());
    EXPECT_EQ(t.store(255, QByteArray(600, 'z')), 513);
    EXPECT_EQ(t.at(255, 512), 'z');
}

// Faults on demand and the pacing of a real line rate.
#include "simbench.h"

#include "messageprinter.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using sim::FaultPlan;
using sim::MessagePrinter;

namespace {
const QByteArray kRegister5 = QByteArray::fromHex("134205414200"); // register No.5 "AB"
const QByteArray kRegistered5 = QByteArray::fromHex("1362053000");
} // namespace

TEST(Faults, NamesAreParsedAndCombined)
{
    FaultPlan plan;
    EXPECT_TRUE(plan.apply(QStringLiteral("slow-reply:250")));
    EXPECT_TRUE(plan.apply(QStringLiteral("Garbage")));
    EXPECT_TRUE(plan.apply(QStringLiteral("times:2")));
    EXPECT_EQ(plan.slowMs, 250);
    EXPECT_TRUE(plan.garbage);
    EXPECT_EQ(plan.times, 2);
    EXPECT_TRUE(plan.active());
    EXPECT_TRUE(plan.apply(QStringLiteral("drop-mid-frame:1500")));
    EXPECT_EQ(plan.reconnectMs, 1500);
    for (const char *bad : {"slow-reply", "slow-reply:-3", "times:x", "no-replies", ""}) {
        const FaultPlan before = plan;
        EXPECT_FALSE(plan.apply(QLatin1String(bad))) << bad;
        EXPECT_EQ(plan.slowMs, before.slowMs);
    }
    EXPECT_TRUE(plan.apply(QStringLiteral("none")));
    EXPECT_FALSE(plan.active());
}

TEST(Faults, ChangeTheReplyAsAsked)
{
    struct Row {
        const char *fault;
        const char *answer; // hex of everything the program receives
    };
    const Row rows[] = {
        {"none", "13 62 05 30 00"},
        {"no-reply", ""},
        {"wrong-reply", "13 62 05 31 00"},
        {"garbage", "FF A5 13 7E 81 13 62 05 30 00"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.fault);
        Bench<MessagePrinter> b;
        FaultPlan plan;
        ASSERT_TRUE(plan.apply(QLatin1String(row.fault)));
        b.printer->setFaults(plan);
        b.link.write(kRegister5);
        const QByteArray expected = QByteArray::fromHex(row.answer);
        const QByteArray got = expected.isEmpty() ? b.within(60) : b.collect(1);
        EXPECT_EQ(got.toHex(' '), expected.toHex(' '));
        EXPECT_EQ(b.printer->messages().value(5), QByteArray("AB")) << "the command itself is carried out";
    }
}

TEST(Faults, WrongReplyChangesTheLastByteBeforeTheNul)
{
    EXPECT_EQ(FaultPlan::corrupted(QByteArray::fromHex("13610500")), QByteArray::fromHex("13610600"));
    EXPECT_EQ(FaultPlan::corrupted(QByteArray::fromHex("136100")), QByteArray::fromHex("136200"));
    EXPECT_EQ(FaultPlan::corrupted(QByteArray::fromHex("136400")), QByteArray::fromHex("136500"));
}

TEST(Faults, CountedFaultsWearOff)
{
    Bench<MessagePrinter> b;
    FaultPlan plan;
    plan.wrongReply = true;
    plan.times = 1;
    b.printer->setFaults(plan);
    EXPECT_EQ(b.exchange(kRegister5), QByteArray::fromHex("1362053100"));
    EXPECT_EQ(b.exchange(kRegister5), kRegistered5);
}

TEST(Faults, SlowReplyComesLateButComes)
{
    Bench<MessagePrinter> b;
    FaultPlan plan;
    plan.slowMs = 150;
    b.printer->setFaults(plan);
    QElapsedTimer t;
    t.start();
    b.link.write(kRegister5);
    EXPECT_EQ(b.within(100), QByteArray());
    EXPECT_EQ(b.collect(1, 1000), kRegistered5);
    EXPECT_GE(t.elapsed(), 150);
}

TEST(Faults, LineDropsHalfwayThroughTheReply)
{
    Bench<MessagePrinter> b;
    QSignalSpy errors(&b.link, &SerialLink::lineError);
    FaultPlan plan;
    plan.dropMidFrame = true;
    plan.reconnectMs = -1;
    plan.times = 1;
    b.printer->setFaults(plan);
    b.link.write(kRegister5);
    eventwait::pumpUntil([&] { return errors.count() > 0; });
    EXPECT_FALSE(b.link.isOpen());
    EXPECT_EQ(b.link.open(QStringLiteral("sim:"), 9600, Parity::None), OpenResult::NotFound) << "cable still out";

    b.printer->reconnect();
    ASSERT_EQ(b.link.open(QStringLiteral("sim:"), 9600, Parity::None), OpenResult::Ok);
    EXPECT_EQ(b.exchange(kRegister5), kRegistered5) << "the fault was for one reply";
}

TEST(Faults, DroppedLineDeliversTheFirstHalfFirst)
{
    Bench<MessagePrinter> b;
    QByteArray before;
    QObject::connect(&b.link, &SerialLink::dataReceived, [&] { before += b.link.read(100); });
    QSignalSpy errors(&b.link, &SerialLink::lineError);
    FaultPlan plan;
    plan.dropMidFrame = true; // back at once
    b.printer->setFaults(plan);
    b.link.write(kRegister5);
    eventwait::pumpUntil([&] { return errors.count() > 0; });
    EXPECT_EQ(before, kRegistered5.left(2));
    EXPECT_EQ(b.link.open(QStringLiteral("sim:"), 9600, Parity::None), OpenResult::Ok) << "plugged in again";
}

TEST(Faults, ModemLinesAsThePrinterSetsThem)
{
    Bench<MessagePrinter> b;
    EXPECT_TRUE(b.link.dsr());
    EXPECT_TRUE(b.link.cts());
    b.printer->setDsr(false);
    EXPECT_FALSE(b.link.dsr());
    EXPECT_TRUE(b.link.cts());
    b.printer->setCts(false);
    EXPECT_FALSE(b.link.cts());
    b.printer->setDsr(true);
    b.printer->setCts(true);
    EXPECT_TRUE(b.link.dsr() && b.link.cts());
}

TEST(Faults, GarbageOnDemand)
{
    Bench<MessagePrinter> b;
    b.printer->sendGarbage(QByteArray::fromHex("aa5500"));
    EXPECT_EQ(b.collect(1), QByteArray::fromHex("aa5500"));
}

// ---- pacing --------------------------------------------------------------

TEST(Pacing, ByteTimesFollowSpeedAndParity)
{
    using sim::EmulatedPrinter;
    EXPECT_EQ(EmulatedPrinter::byteTimeUs(9600, Parity::None), 1042); // 10 bits
    EXPECT_EQ(EmulatedPrinter::byteTimeUs(9600, Parity::Even), 1146); // 11 bits
    EXPECT_EQ(EmulatedPrinter::byteTimeUs(1200, Parity::None), 8334);
    EXPECT_EQ(EmulatedPrinter::byteTimeUs(38400, Parity::Odd), 287);
    EXPECT_EQ(EmulatedPrinter::byteTimeUs(0, Parity::None), 0);
}

namespace {

struct Arrival {
    qint64 us;
    qsizetype total;
};

// Sends the register frame and records when each part of the answer came.
QList<Arrival> timedExchange(Bench<MessagePrinter> &b, QByteArray *answer)
{
    QList<Arrival> arrivals;
    QElapsedTimer t;
    const auto c = QObject::connect(&b.link, &SerialLink::dataReceived, [&] {
        *answer += b.link.read(100);
        arrivals.append({t.nsecsElapsed() / 1000, answer->size()});
    });
    t.start();
    b.link.write(kRegister5);
    eventwait::pumpUntil([&] { return answer->size() >= kRegistered5.size(); }, eventwait::kNoPoll);
    QObject::disconnect(c);
    return arrivals;
}

} // namespace

TEST(Pacing, NoByteArrivesBeforeTheLineCouldCarryIt)
{
    struct Row {
        qint32 baud;
        Parity parity;
        bool followHost;
    };
    const Row rows[] = {
        {1200, Parity::None, false},
        {2400, Parity::Even, false},
        {2400, Parity::Odd, true}, // paced as the program's port is set
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.baud);
        Bench<MessagePrinter> b(row.followHost ? row.baud : 9600, row.followHost ? row.parity : Parity::None);
        if (row.followHost)
            b.printer->setLineRateFollowsHost(true);
        else
            b.printer->setLineRate(row.baud, row.parity);
        QByteArray answer;
        const QList<Arrival> arrivals = timedExchange(b, &answer);
        EXPECT_EQ(answer, kRegistered5);
        const qint64 byteUs = sim::EmulatedPrinter::byteTimeUs(row.baud, row.parity);
        // The 6 command bytes must be in before the answer's first byte can
        // be complete: byte k of the answer is done at (6 + k) byte times.
        for (const Arrival &a : arrivals)
            EXPECT_GE(a.us, (6 + a.total) * byteUs) << a.total << " bytes at " << a.us << " us";
        // And it is not much slower than the line.
        EXPECT_LT(arrivals.last().us, (6 + 5) * byteUs + 60'000);
        EXPECT_GT(arrivals.size(), 1) << "a slow line delivers byte by byte";
    }
}

TEST(Pacing, FastLineWithoutPacingAnswersAtOnce)
{
    Bench<MessagePrinter> b;
    QByteArray answer;
    const QList<Arrival> arrivals = timedExchange(b, &answer);
    EXPECT_EQ(answer, kRegistered5);
    EXPECT_LT(arrivals.last().us, 30'000);
}

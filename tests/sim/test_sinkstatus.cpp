// The print sink's jobs (serial and parallel) and the status records.
#include "simbench.h"

#include "printsink.h"
#include "simprinter.h"
#include "statusprinter.h"
#include "ticketprinter.h"
#include "unitprinter.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using sim::PrintJob;
using sim::PrintSink;
using sim::StatusPrinter;

// ---- print sink ------------------------------------------------------------

TEST(PrintSink, SplitsJobsAtTheEndCommandOrAQuietLine)
{
    Bench<PrintSink> b;
    b.printer->setJobGapMs(40);
    // Two jobs back to back, each ended by ESC h1 / ESC h3.
    b.link.write(QByteArray("ABC\x1bh1DE"));
    b.link.write(QByteArray("F\x1bh3"));
    b.within(10);
    ASSERT_EQ(b.printer->jobs().size(), 2);
    EXPECT_EQ(b.printer->jobs()[0].bytes, QByteArray("ABC\x1bh1"));
    EXPECT_EQ(b.printer->jobs()[0].endCommand, QByteArray("\x1bh1"));
    EXPECT_EQ(b.printer->jobs()[1].bytes, QByteArray("DEF\x1bh3"));

    // A job without an end command ends when the line is quiet.
    b.link.write(QByteArray::fromHex("82a082a20d0a")); // あい CR LF
    b.within(10);
    EXPECT_EQ(b.printer->jobs().size(), 2);
    b.within(80);
    ASSERT_EQ(b.printer->jobs().size(), 3);
    const PrintJob job = b.printer->jobs()[2];
    EXPECT_EQ(job.source, PrintJob::Serial);
    EXPECT_TRUE(job.endCommand.isEmpty());
    EXPECT_EQ(PrintSink::decode(job.bytes), QStringLiteral("あい&0D&0A"));
    EXPECT_EQ(b.within(20), QByteArray()) << "a sink answers nothing";
}

TEST(PrintSink, TakesParallelJobsFromTheEmulatedParallelPrinter)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString log = dir.filePath(QStringLiteral("lpt.log"));

    Bench<PrintSink> b;
    b.printer->setJobGapMs(40);
    ASSERT_TRUE(b.printer->followParallelLog(log)); // the file comes later

    // KZpio's emulated Centronics printer, strobed as the program does.
    kzpio::SimPrinter lpt;
    lpt.configure("", "0", QFile::encodeName(log).constData());
    const auto print = [&](const QByteArray &bytes) {
        for (char c : bytes) {
            lpt.writeRegister(0, quint8(c));
            lpt.writeRegister(2, 0x0D);
            lpt.writeRegister(2, 0x0C);
        }
    };
    print(QByteArray("TEST 1\r\n\x1bh1"));
    eventwait::pumpUntil([&] { return b.printer->jobs().size() == 1; });
    print(QByteArray::fromHex("8c7697ca")); // 計量, no end command
    eventwait::pumpUntil([&] { return b.printer->jobs().size() == 2; });
    ASSERT_EQ(b.printer->jobs().size(), 2);
    EXPECT_EQ(b.printer->jobs()[0].source, PrintJob::Parallel);
    EXPECT_EQ(b.printer->jobs()[0].bytes, QByteArray("TEST 1\r\n\x1bh1"));
    EXPECT_EQ(PrintSink::decode(b.printer->jobs()[1].bytes), QStringLiteral("計量"));
}

TEST(PrintSink, LogsEachJobDecoded)
{
    Bench<PrintSink> b;
    QStringList lines;
    b.printer->log().setWriter([&](const QString &l) { lines << l; });
    b.link.write(QByteArray("Hi\x1bh1"));
    b.within(5);
    const QString all = lines.join(QLatin1Char('\n'));
    EXPECT_TRUE(all.contains(QStringLiteral("PC>PR job 1 (serial, 5 bytes, end &1Bh1): \"Hi\""))) << qPrintable(all);
    EXPECT_TRUE(all.contains(QStringLiteral("48 69 1B 68 31"))) << qPrintable(all);
}

// ---- status records -----------------------------------------------------------

TEST(StatusRecords, LayoutIsLetterTimeDataNul)
{
    const QDateTime when(QDate(2024, 5, 5), QTime(12, 30, 45));
    EXPECT_EQ(StatusPrinter::record('N', when, "0042").toHex(' '),
              QByteArray::fromHex("4e 3035 3132 3330 3435 30303432 00").toHex(' '));
    EXPECT_EQ(StatusPrinter::record('Z', QDateTime(QDate(2024, 1, 9), QTime(7, 5, 3))),
              QByteArray("Z09070503", 9) + '\0');
}

namespace {
// Records as the program's record framing cuts them: up to each NUL.
QList<QByteArray> records(const QByteArray &bytes)
{
    QList<QByteArray> out = bytes.split('\0');
    out.removeLast();
    return out;
}
} // namespace

TEST(StatusRecords, TicketPrinterSendsItsEventsOnASchedule)
{
    Bench<sim::TicketPrinter> b;
    b.printer->setStatusEvery(15);
    const QByteArray got = b.collect(7, 2000);
    b.printer->setStatusEvery(0);
    const QList<QByteArray> recs = records(got);
    ASSERT_GE(recs.size(), 7);
    const QRegularExpression shape(QStringLiteral("^[A-Za-z]\\d{8}"));
    QString codes;
    for (const QByteArray &r : recs) {
        EXPECT_TRUE(shape.match(QString::fromLatin1(r)).hasMatch()) << r.toStdString();
        codes += QLatin1Char(r[0]);
    }
    EXPECT_TRUE(codes.startsWith(QStringLiteral("ZkKXSNs"))) << qPrintable(codes);
    // The issue start carries the ticket number; the day is today's.
    EXPECT_EQ(recs[5].mid(9), QByteArray("0001"));
    EXPECT_EQ(recs[0].mid(1, 2).toInt(), QDate::currentDate().day());
    EXPECT_EQ(b.within(40), QByteArray()) << "schedule stopped";
}

TEST(StatusRecords, UnitPrinterSendsPrintedDataAndRecordsOnRequest)
{
    Bench<sim::UnitPrinter> b;
    b.printer->setStatusEvery(10);
    const QList<QByteArray> recs = records(b.collect(4, 2000));
    b.printer->setStatusEvery(0);
    ASSERT_GE(recs.size(), 4);
    const QByteArray a = recs[3];
    ASSERT_EQ(a[0], 'A');
    // CR, a value, CR, a value, CR.
    EXPECT_EQ(a.mid(9).count('\r'), 3);
    EXPECT_TRUE(a.mid(9).startsWith('\r') && a.endsWith('\r'));

    b.within(30);
    EXPECT_TRUE(b.printer->sendStatus('E'));
    const QByteArray e = b.collect(1);
    EXPECT_EQ(e.size(), 10);
    EXPECT_EQ(e[0], 'E');
    EXPECT_TRUE(e.endsWith('\0'));
}

TEST(StatusRecords, NothingGoesOutWhileThePortIsClosedAndCommandsAreNotAnswered)
{
    Bench<sim::TicketPrinter> b;
    b.link.close();
    EXPECT_FALSE(b.printer->sendStatus('Z'));
    ASSERT_EQ(b.link.open(QStringLiteral("sim:"), 9600, Parity::None), OpenResult::Ok);
    EXPECT_EQ(b.within(20), QByteArray());
    b.link.write(QByteArray::fromHex("135200"));
    EXPECT_EQ(b.within(30), QByteArray());
}

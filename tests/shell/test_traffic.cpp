// The line traffic in memory and the window that follows it: lines grouped
// as the trace groups them, and a reader that keeps up with any burst.
#include "support/printercontext.h"

#include "base/cp932.h"
#include "comm/trafficlog.h"
#include "shell/ui/trafficwindow.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Kind = TrafficLog::Kind;

struct Step {
    enum { Tx, Rx, Event, Pause } what;
    QByteArray bytes;
};

QList<TrafficLog::Line> allLines(const TrafficLog &log) { return log.linesFrom(0, 1 << 30, true); }

} // namespace

TEST(TrafficLog, GroupsBytesIntoLinesAsTheTraceDoes)
{
    struct Row {
        const char *name;
        QList<Step> steps;
        QList<QByteArray> lines; // bytes per line, "!" for an event
    };
    const QByteArray forty(40, 'x');
    constexpr int per = TrafficLog::kBytesPerLine;
    const Row rows[] = {
        {"one direction joins", {{Step::Tx, "AB"}, {Step::Tx, "C"}}, {"ABC"}},
        {"direction change splits", {{Step::Tx, "AB"}, {Step::Rx, "ab"}, {Step::Tx, "C"}}, {"AB", "ab", "C"}},
        {"a long burst wraps", {{Step::Tx, forty}}, {forty.left(per), forty.mid(per, per), forty.mid(2 * per)}},
        {"an event ends the line", {{Step::Tx, "A"}, {Step::Event, {}}, {Step::Tx, "B"}}, {"A", "!", "B"}},
        {"a pause ends the line", {{Step::Rx, "A"}, {Step::Pause, {}}, {Step::Rx, "B"}}, {"A", "B"}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        TrafficLog log;
        for (const Step &s : row.steps) {
            switch (s.what) {
            case Step::Tx:
                log.sent(s.bytes);
                break;
            case Step::Rx:
                log.received(s.bytes);
                break;
            case Step::Event:
                log.event(QStringLiteral("DSR off"));
                break;
            case Step::Pause:
                QTest::qSleep(TrafficLog::kBurstGapMs * 2);
                break;
            }
        }
        const auto lines = allLines(log);
        ASSERT_EQ(lines.size(), row.lines.size());
        for (int i = 0; i < lines.size(); ++i) {
            if (row.lines[i] == "!")
                EXPECT_EQ(lines[i].kind, Kind::Event);
            else
                EXPECT_EQ(lines[i].bytes, row.lines[i]) << i;
        }
    }
}

TEST(TrafficLog, ALineShowsTimeDirectionHexAndReadableText)
{
    TrafficLog log;
    log.sent(QByteArray("\x13"
                        "B\x05",
                        3) +
             cp932::encode(QStringLiteral("計量")) + QByteArray(1, '\0'));
    log.event(QStringLiteral("CTS off"));
    const auto lines = allLines(log);
    ASSERT_EQ(lines.size(), 2);
    const QString tx = TrafficLog::format(lines[0]);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} TX  13 42 05 8C 76 97 CA 00 "))
                    .match(tx)
                    .hasMatch())
        << tx.toStdString();
    EXPECT_TRUE(tx.endsWith(QStringLiteral("|.B.計量.|"))) << tx.toStdString();
    EXPECT_TRUE(TrafficLog::format(lines[1]).endsWith(QStringLiteral(" --  CTS off")));
}

TEST(TrafficLog, AReaderKeepsUpWithABurstAndCountsWhatItSkipped)
{
    struct Row {
        const char *name;
        size_t capacity;
        int writes;
        int perRead;
    };
    const Row rows[] = {
        {"reader faster than the line", 100000, 2000, 5000},
        {"burst beyond one read", 100000, 50000, 500},
        {"burst beyond the log", 1000, 200000, 500},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        TrafficLog log(row.capacity);
        TrafficFeed feed(log);
        QElapsedTimer clock;
        clock.start();
        // Alternating directions: every write is a line of its own.
        for (int i = 0; i < row.writes; ++i) {
            if (i % 2)
                log.received(QByteArray(1, char(i)));
            else
                log.sent(QByteArray(1, char(i)));
        }
        EXPECT_LT(clock.elapsed(), 2000) << "appending must stay cheap";
        EXPECT_LE(log.endSeq() - log.firstSeq(), row.capacity);

        QTest::qSleep(TrafficLog::kBurstGapMs * 2); // the last line closes
        clock.restart();
        const TrafficFeed::Batch batch = feed.next(row.perRead);
        EXPECT_LT(clock.elapsed(), 500) << "one read is bounded whatever the backlog";
        EXPECT_LE(batch.lines.size(), row.perRead);
        EXPECT_EQ(batch.skipped + quint64(batch.lines.size()), quint64(row.writes));
        EXPECT_TRUE(
            batch.lines.last().contains((row.writes - 1) % 2 ? QStringLiteral("RX  ") : QStringLiteral("TX  ")));
        EXPECT_TRUE(feed.next(row.perRead).lines.isEmpty()) << "nothing twice";
    }
}

TEST(TrafficWindow, FollowsTheLinePausesClearsAndSaves)
{
    PrinterContext pc(QStringLiteral("message"));
    ASSERT_TRUE(pc.ctx->channel().openSerialPort());
    SerialLink &link = pc.ctx->serialLink();
    TrafficWindow window(*pc.ctx);
    auto *text = window.findChild<QPlainTextEdit *>(QStringLiteral("TrafficText"));
    ASSERT_NE(text, nullptr);
    window.clear();

    // A burst far larger than one repaint: the window takes the newest.
    for (int i = 0; i < TrafficWindow::kLinesPerRepaint * 3; ++i) {
        link.setDtr(i % 2);
    }
    link.write(QByteArray("\x13"
                          "A\x00",
                          3));
    QTest::qWait(TrafficLog::kBurstGapMs * 2);
    QElapsedTimer clock;
    clock.start();
    window.pull();
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_LE(text->blockCount(), TrafficWindow::kLinesPerRepaint + 1);
    EXPECT_TRUE(text->toPlainText().contains(QStringLiteral("行を省略")));
    EXPECT_TRUE(text->toPlainText().contains(QStringLiteral("TX  13 41 00")));

    struct Row {
        const char *name;
        bool paused;
        bool shownNow;
    };
    const Row rows[] = {{"paused: held back", true, false}, {"running: shown", false, true}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        window.clear();
        window.setPaused(row.paused);
        link.write(QByteArray("PING"));
        QTest::qWait(TrafficLog::kBurstGapMs * 2);
        window.pull();
        EXPECT_EQ(text->toPlainText().contains(QStringLiteral("|PING|")), row.shownNow);
        window.setPaused(false); // resuming catches up
        EXPECT_TRUE(text->toPlainText().contains(QStringLiteral("|PING|")));
    }

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("log.txt"));
    window.chooseSavePath = [&](QWidget *) { return file; };
    window.save();
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(saved.readAll()).contains(QStringLiteral("|PING|")));
    EXPECT_TRUE(pc.prompter->requests.isEmpty());
}

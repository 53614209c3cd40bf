// zentrix-printer-sim as a user runs it: on a pseudo-terminal, reached
// through the program's real serial link.
#include "comm/eventwait.h"
#include "comm/qtseriallink.h"

#include "console.h"
#include "messageprinter.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace {

const QString kProgram = QStringLiteral(ZENTRIX_PRINTER_SIM);

QByteArray hexBytes(const char *text) { return QByteArray::fromHex(text); }

// The emulator started on a link in a fresh folder; stopped with SIGTERM.
class RunningSim {
public:
    explicit RunningSim(const QStringList &args)
    {
        link = dir.filePath(QStringLiteral("printer"));
        proc.setProgram(kProgram);
        proc.setArguments(QStringList{QStringLiteral("--link"), link} + args);
        QObject::connect(&proc, &QProcess::readyReadStandardOutput, [this] { log += proc.readAllStandardOutput(); });
        proc.start();
        eventwait::pumpUntil(
            [&] { return log.contains("line at") || proc.state() == QProcess::NotRunning || timedOut(); });
    }
    ~RunningSim()
    {
        if (proc.state() != QProcess::NotRunning) {
            proc.kill();
            proc.waitForFinished(2000);
        }
    }
    bool ready() const { return QFileInfo(link).isSymLink() && proc.state() == QProcess::Running; }
    // Waits for the process to end after a SIGTERM; its exit code, or -1.
    int terminate()
    {
        ::kill(pid_t(proc.processId()), SIGTERM);
        eventwait::pumpUntil([&] { return proc.state() == QProcess::NotRunning || timedOut(); });
        log += proc.readAllStandardOutput();
        return proc.state() == QProcess::NotRunning && proc.exitStatus() == QProcess::NormalExit ? proc.exitCode() : -1;
    }
    void type(const QByteArray &line) { proc.write(line + '\n'); }
    bool timedOut()
    {
        if (!clock.isValid())
            clock.start();
        return clock.elapsed() > 5000;
    }

    QTemporaryDir dir;
    QString link;
    QProcess proc;
    QByteArray log;
    QElapsedTimer clock;
};

// Reads from the link until n NULs came or a second passed.
QByteArray frames(QtSerialLink &link, int n)
{
    QByteArray got;
    QElapsedTimer t;
    t.start();
    eventwait::pumpUntil([&] {
        got += link.read(4096);
        return got.count('\0') >= n || t.elapsed() > 1000;
    });
    return got;
}

} // namespace

TEST(PrinterSimProgram, HelpExplainsItself)
{
    QProcess proc;
    proc.start(kProgram, {QStringLiteral("--help")});
    ASSERT_TRUE(proc.waitForFinished(5000));
    EXPECT_EQ(proc.exitCode(), 0);
    const QString help = QString::fromUtf8(proc.readAllStandardOutput());
    for (const char *word : {"--persona", "--link", "--status-every", "--baud", "--fault", "ZENTRIX_COM1", "message",
                             "sink", "ticket", "unit", "finger", "no-reply", "drop-mid-frame"})
        EXPECT_TRUE(help.contains(QLatin1String(word))) << word;

    for (const QStringList &bad :
         {QStringList{"--persona", "nobody", "--link", "/tmp/x"}, QStringList{"--persona", "message"},
          QStringList{"--persona", "message", "--link", "/tmp/x", "--status-every", "10"},
          QStringList{"--persona", "message", "--link", "/tmp/x", "--fault", "bad"}}) {
        proc.start(kProgram, bad);
        ASSERT_TRUE(proc.waitForFinished(5000));
        EXPECT_EQ(proc.exitCode(), 2) << qPrintable(bad.join(' '));
        EXPECT_FALSE(proc.readAllStandardError().isEmpty());
    }
}

TEST(PrinterSimProgram, MessagePrinterOverAPseudoTerminal)
{
    RunningSim sim({QStringLiteral("--persona"), QStringLiteral("message")});
    ASSERT_TRUE(sim.ready()) << sim.log.toStdString();

    QtSerialLink link;
    link.setDtr(true);
    link.setRts(true);
    ASSERT_EQ(link.open(sim.link, 9600, Parity::None), OpenResult::Ok) << link.errorText().toStdString();
    // Register No.5 "AB", then No.2 in CP932, and read both back.
    ASSERT_TRUE(link.write(hexBytes("134205414200")));
    EXPECT_EQ(frames(link, 1), hexBytes("1362053000"));
    ASSERT_TRUE(link.write(hexBytes("134202 8c7697ca 00")));
    EXPECT_EQ(frames(link, 1), hexBytes("1362023000"));
    ASSERT_TRUE(link.write(hexBytes("134400")));
    EXPECT_EQ(frames(link, 1), hexBytes("1364 02 8c7697ca 00"));
    ASSERT_TRUE(link.write(hexBytes("1362023000")));
    EXPECT_EQ(frames(link, 1), hexBytes("1364 05 4142 00"));
    ASSERT_TRUE(link.write(hexBytes("1362053000")));
    EXPECT_EQ(frames(link, 1), hexBytes("136400"));

    // Closing and opening again: the printer still holds its messages.
    link.close();
    eventwait::waitMs(250);
    ASSERT_EQ(link.open(sim.link, 9600, Parity::None), OpenResult::Ok);
    ASSERT_TRUE(link.write(hexBytes("13410500")));
    EXPECT_EQ(frames(link, 1), hexBytes("13610500"));
    link.close();

    EXPECT_EQ(sim.terminate(), 0);
    EXPECT_FALSE(QFileInfo(sim.link).isSymLink()) << "the link is removed";
    const QString log = QString::fromUtf8(sim.log);
    // Time stamp, direction, decode; then the hex.
    EXPECT_TRUE(log.contains(QRegularExpression(QStringLiteral("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} "
                                                               "PC>PR register No\\.5 \"AB\"\n +13 42 05 41 42 00"))))
        << qPrintable(log);
    EXPECT_TRUE(log.contains(QStringLiteral("PC>PR register No.2 \"計量\""))) << qPrintable(log);
    EXPECT_TRUE(log.contains(QStringLiteral("PR>PC message No.2 \"計量\""))) << qPrintable(log);
    EXPECT_TRUE(log.contains(QStringLiteral("PR>PC end of messages"))) << qPrintable(log);
}

TEST(PrinterSimProgram, StatusRecordsFaultsAndAPulledCable)
{
    RunningSim sim({QStringLiteral("--persona"), QStringLiteral("ticket"), QStringLiteral("--status-every"),
                    QStringLiteral("30")});
    ASSERT_TRUE(sim.ready()) << sim.log.toStdString();
    QtSerialLink link;
    ASSERT_EQ(link.open(sim.link, 9600, Parity::None), OpenResult::Ok);
    const QList<QByteArray> recs = frames(link, 2).split('\0');
    ASSERT_GE(recs.size(), 3);
    EXPECT_EQ(recs[0].size(), 9);
    EXPECT_TRUE(recs[0].startsWith('Z') || recs[0].startsWith('k')) << recs[0].toStdString();

    // On request, typed on standard input.
    sim.type("every 0");
    eventwait::waitMs(100);
    link.read(4096);
    sim.type("status N 0042");
    const QByteArray n = frames(link, 1);
    EXPECT_EQ(n.left(1), QByteArray("N"));
    EXPECT_EQ(n.mid(9), QByteArray("0042", 5));

    // The cable pulled: the program sees a hang-up; after the given time
    // the path works again.
    QSignalSpy errors(&link, &SerialLink::lineError);
    sim.type("drop 300");
    eventwait::pumpUntil([&] { return errors.count() > 0 || sim.timedOut(); });
    EXPECT_EQ(errors.count(), 1);
    EXPECT_FALSE(link.isOpen());
    eventwait::pumpUntil([&] { return QFileInfo(sim.link).isSymLink() || sim.timedOut(); });
    ASSERT_EQ(link.open(sim.link, 9600, Parity::None), OpenResult::Ok);
    sim.type("status E");
    EXPECT_EQ(frames(link, 1).left(1), QByteArray("E"));
    link.close();
    EXPECT_EQ(sim.terminate(), 0);
}

TEST(PrinterSimProgram, PacedAndFaultyFromTheCommandLine)
{
    RunningSim sim({QStringLiteral("--persona"), QStringLiteral("message"), QStringLiteral("--baud"),
                    QStringLiteral("1200"), QStringLiteral("--fault"), QStringLiteral("wrong-reply"),
                    QStringLiteral("--fault"), QStringLiteral("times:1")});
    ASSERT_TRUE(sim.ready()) << sim.log.toStdString();
    QtSerialLink link;
    ASSERT_EQ(link.open(sim.link, 1200, Parity::None), OpenResult::Ok);
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(link.write(hexBytes("134205414200")));
    EXPECT_EQ(frames(link, 1), hexBytes("1362053100")) << "the first reply is wrong";
    // 6 bytes in, 5 out, 8.33 ms each.
    EXPECT_GE(t.elapsed(), 91);
    ASSERT_TRUE(link.write(hexBytes("134205414200")));
    EXPECT_EQ(frames(link, 1), hexBytes("1362053000"));
    link.close();
    EXPECT_EQ(sim.terminate(), 0);
}

TEST(Console, CommandsChangeThePrinter)
{
    sim::MessagePrinter printer;
    sim::Console console(printer);
    EXPECT_EQ(console.execute(QStringLiteral("fault slow-reply:200 times:3")),
              QStringLiteral("reply 200 ms late (next 3 replies)"));
    EXPECT_EQ(printer.faults().slowMs, 200);
    EXPECT_TRUE(console.execute(QStringLiteral("fault nonsense")).startsWith(QStringLiteral("unknown fault")));
    EXPECT_EQ(printer.faults().slowMs, 200);
    EXPECT_EQ(console.execute(QStringLiteral("status Z")), QStringLiteral("this printer sends no status records"));
    EXPECT_TRUE(console.execute(QStringLiteral("baud 1200 even")).startsWith(QStringLiteral("paced at 1200 bps")));
    EXPECT_EQ(printer.lineBaud(), 1200);
    EXPECT_EQ(printer.lineParity(), Parity::Even);
    printer.setMessage(4, "D");
    EXPECT_TRUE(console.execute(QStringLiteral("list")).contains(QStringLiteral("No.4 \"D\"")));
    EXPECT_TRUE(console.execute(QStringLiteral("frobnicate")).startsWith(QStringLiteral("unknown command")));
    bool quit = false;
    console.quit = [&] { quit = true; };
    console.execute(QStringLiteral("quit"));
    EXPECT_TRUE(quit);
}

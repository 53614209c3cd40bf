// zentrix-cli's operations against the emulated printers: in-process on
// "sim:" ports, and as a user runs it on pseudo-terminals.
#include "cli/clirequest.h"
#include "cli/clirun.h"

#include "comm/eventwait.h"
#include "message/msdfile.h"
#include "support/printersim.h"
#include "ticket/ticketfileoperations.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace cli;

namespace {

// A message file with texts 1..count ("MESSAGE n").
void writeMessages(const QString &path, int count, int changed = 0)
{
    QMap<int, QByteArray> texts;
    for (int n = 1; n <= count; ++n)
        texts.insert(n, n == changed ? QByteArray("CHANGED") : "MESSAGE " + QByteArray::number(n));
    ASSERT_TRUE(MsdFile::createEmpty(path));
    ASSERT_TRUE(MsdFile(path).writeRecords(texts));
}

class CliRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("ZENTRIX_HOME", home.path().toUtf8());
        // The emulated printers answer at once, not at the line's pace.
        qputenv("ZENTRIX_SIM_BAUD", "0");
        file = home.filePath(QStringLiteral("m.msd"));
        writeMessages(file, 3);
    }
    Outcome run(const QStringList &args, const QString &port)
    {
        const Parsed p = parse(args);
        EXPECT_TRUE(p.request) << p.error.toStdString();
        echoed.clear();
        return runOnPort(
            *p.request, port, [this](const QString &l) { echoed << l; }, nullptr);
    }
    QTemporaryDir home;
    QString file;
    QStringList echoed;
};

} // namespace

TEST_F(CliRun, OutcomesOnEmulatedPrinters)
{
    struct Case {
        QStringList args;
        QString port;
        Status status;
        int lastCode; // the last box shown, -1: none
    };
    const QString missing = home.filePath(QStringLiteral("none.msd"));
    const Case cases[] = {
        {{"message", "register", file, "2"}, "sim:message", Done, 11},
        {{"message", "register", file, "256"}, "sim:message", BadInput, 100},
        {{"message", "register", missing, "1"}, "sim:message", BadInput, 52},
        {{"message", "clear-all"}, "sim:message", BadInput, 303}, // no --yes: nothing sent
        {{"message", "clear-all", "--yes"}, "sim:message", Done, 9},
        {{"message", "register-all", file, "--yes"}, "sim:message", Done, 6},
        {{"message", "delete", "3", "--yes"}, "sim:message", Done, 12},
        {{"message", "register", file, "1"}, home.filePath(QStringLiteral("no-such-device")), PortFailed, 0},
        {{"unit", "--model", "VUX-350Q", "read", home.filePath(QStringLiteral("u.msd")), "4", "--channel", "2"},
         "sim:unit",
         Done,
         634},
        {{"unit", "--model", "VUX-350Q", "read", home.filePath(QStringLiteral("u.msd")), "4", "--channel", "9"},
         "sim:unit",
         BadInput,
         -1},
        {{"unit", "reset-totals"}, "sim:unit", BadInput, 871},
        {{"unit", "test-print"}, "sim:unit", Done, 860},
        {{"tester", "print", file, "--list", "1,3", "--count", "2"}, "sim:sink", Done, 2},
        {{"tester", "print", file, "--all", "--number", "1"}, "sim:sink", BadInput, -1},
        {{"finger", "list"}, "sim:finger", Done, 912},
        {{"finger", "delete", "--rows", "2-3"}, "sim:finger", BadInput, -1}, // no --yes: nothing sent
        {{"finger", "delete", "--rows", "2-3", "--yes"}, "sim:finger", Done, 915},
        // Templates read for saving end without a notice of their own.
        {{"finger", "save", home.filePath(QStringLiteral("f.msd")), "--rows", "1", "--speed", "115200"},
         "sim:finger",
         Done,
         -1},
        {{"finger", "register-from", missing}, "sim:finger", BadInput, 52},
    };
    for (const Case &c : cases) {
        const Outcome o = run(c.args, c.port);
        const QJsonArray messages = o.json.value("messages").toArray();
        const int last = messages.isEmpty() ? -1 : messages.last().toObject().value("code").toInt();
        EXPECT_EQ(o.status, c.status) << c.args.join(' ').toStdString() << "\n" << echoed.join('\n').toStdString();
        EXPECT_EQ(last, c.lastCode) << c.args.join(' ').toStdString();
        EXPECT_EQ(o.json.value("status").toInt(), int(c.status));
    }
}

TEST_F(CliRun, FingerRowsSavedAreWhatRegisterFromSendsBack)
{
    const QString saved = home.filePath(QStringLiteral("rows.msd"));
    ASSERT_EQ(run({"finger", "save", saved, "--rows", "2-3", "--speed", "115200"}, "sim:finger").status, Done);
    EXPECT_EQ(QFileInfo(saved).size(), 2 * 1614);
    EXPECT_EQ(QFile(saved).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup), 0);
    const Outcome o = run({"finger", "register-from", saved, "--speed", "115200"}, "sim:finger");
    EXPECT_EQ(o.status, Done) << echoed.join('\n').toStdString();
    EXPECT_EQ(o.json.value("messages").toArray().last().toObject().value("code").toInt(), 923);
}

TEST_F(CliRun, ReadAllIntoANewFileNeedsNoYesButOverwritingDoes)
{
    const QString backup = home.filePath(QStringLiteral("backup.msd"));
    EXPECT_EQ(run({"message", "read-all", backup}, "sim:message").status, Done);
    EXPECT_FALSE(MsdFile(backup).occupiedNumbers().isEmpty());
    EXPECT_EQ(run({"message", "read-all", backup}, "sim:message").status, BadInput);
    EXPECT_EQ(run({"message", "read-all", backup, "--yes"}, "sim:message").status, Done);
}

namespace {

// zentrix-printer-sim on a pseudo-terminal, its frame log beside the link.
std::unique_ptr<PrinterSimProcess> startPrinter(const QString &link, const QByteArray &fault = {},
                                                const QString &persona = QStringLiteral("message"))
{
    QStringList more{"--log", link + ".log"};
    if (!fault.isEmpty())
        more << "--fault" << QString::fromLatin1(fault);
    return std::make_unique<PrinterSimProcess>(persona, link, more);
}

struct CliResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

CliResult runCli(const QStringList &args, const QString &home)
{
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZENTRIX_HOME"), home);
    cli.setProcessEnvironment(env);
    cli.start(QStringLiteral(ZENTRIX_CLI), args);
    bool done = false;
    QObject::connect(&cli, &QProcess::finished, [&] { done = true; });
    QElapsedTimer t;
    t.start();
    eventwait::pumpUntil([&] { return done || t.elapsed() > 60000; }, 50);
    CliResult r;
    r.exitCode = cli.state() == QProcess::NotRunning ? cli.exitCode() : -1;
    r.out = cli.readAllStandardOutput();
    r.err = cli.readAllStandardError();
    return r;
}

} // namespace

// Eight printers at once, one of them silent; then a diff that finds the
// one message changed on one printer.
TEST_F(CliRun, EightPrintersAtOnceOnPseudoTerminals)
{
    std::vector<std::unique_ptr<PrinterSimProcess>> printers;
    QStringList ports;
    for (int i = 0; i < 8; ++i) {
        const QString link = home.filePath(QStringLiteral("p%1").arg(i));
        printers.push_back(startPrinter(link, i == 5 ? "no-reply" : ""));
        ASSERT_TRUE(QFileInfo(link).isSymLink()) << i;
        ports << QStringLiteral("--port") << link;
    }
    CliResult r = runCli(ports + QStringList{"--json", "--yes", "message", "register-all", file}, home.path());
    ASSERT_EQ(r.exitCode, NotConfirmed) << r.err.toStdString();
    const QJsonObject all = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(all.value("status").toInt(), NotConfirmed);
    const QJsonArray each = all.value("ports").toArray();
    ASSERT_EQ(each.size(), 8);
    for (int i = 0; i < 8; ++i) {
        const QJsonObject o = each[i].toObject();
        EXPECT_EQ(o.value("port").toString(), printers[size_t(i)]->link());
        EXPECT_EQ(o.value("status").toInt(), i == 5 ? NotConfirmed : Done) << i;
    }

    // Message 2 changed on printer 3 only.
    const QString changed = home.filePath(QStringLiteral("changed.msd"));
    writeMessages(changed, 3, 2);
    r = runCli({"--port", printers[3]->link(), "message", "register", changed, "2"}, home.path());
    ASSERT_EQ(r.exitCode, Done) << r.err.toStdString();
    QStringList four;
    for (int i = 1; i <= 4; ++i)
        four << QStringLiteral("--port") << printers[size_t(i)]->link();
    r = runCli(four + QStringList{"message", "diff", file}, home.path());
    EXPECT_EQ(r.exitCode, NotConfirmed) << r.err.toStdString();
    const QString out = QString::fromUtf8(r.out);
    EXPECT_TRUE(out.contains(printers[3]->link() + QStringLiteral("\tNo.2\t"))) << out.toStdString();
    EXPECT_EQ(out.count(QStringLiteral("\tNo.")), 1) << out.toStdString();
}

// A ticket content registered from one file and read back into another,
// on the K-07 emulator on a pseudo-terminal: the same lines come back, and
// a deletion needs --yes.
TEST_F(CliRun, TicketRegisterAndReadBack)
{
    const QString source = home.filePath(QStringLiteral("t.msd"));
    ASSERT_TRUE(MsdFile::createEmpty(source));
    TicketLine first{QStringLiteral("#番号印字#"), QStringLiteral("2x2")};
    TicketLine second{QStringLiteral("AB&26CD"), QStringLiteral("1x1")};
    QMap<int, QByteArray> records{{ticketfile::recordOf(3, 1), ticketfile::recordText(first)},
                                  {ticketfile::recordOf(3, 2), ticketfile::recordText(second)}};
    ASSERT_TRUE(MsdFile(source).writeRecords(records));

    auto printer = startPrinter(home.filePath(QStringLiteral("ticket")), {}, "ticket");
    const QString port = printer->link();
    CliResult r = runCli({"--port", port, "ticket", "register", source, "3", "--as", "5"}, home.path());
    ASSERT_EQ(r.exitCode, Done) << r.err.toStdString();
    const QString back = home.filePath(QStringLiteral("back.msd"));
    r = runCli({"--port", port, "ticket", "read", back, "5", "--into", "7"}, home.path());
    ASSERT_EQ(r.exitCode, Done) << r.err.toStdString();
    for (int line = 1; line <= 16; ++line) {
        EXPECT_EQ(ticketfile::lineFromRecord(*MsdFile(back).readRecord(ticketfile::recordOf(7, line))),
                  ticketfile::lineFromRecord(*MsdFile(source).readRecord(ticketfile::recordOf(3, line))))
            << line;
    }
    EXPECT_EQ(runCli({"--port", port, "ticket", "delete", "5"}, home.path()).exitCode, BadInput);
    EXPECT_EQ(runCli({"--port", port, "ticket", "--yes", "delete", "5"}, home.path()).exitCode, Done);
    EXPECT_EQ(runCli({"--port", port, "ticket", "--model", "K-2200TQ", "select", "5"}, home.path()).exitCode, BadInput);
}

// The print tester's runs: the three modes, counted and continuous, stop
// requests, the printer checks, and whole passes to the print sink over
// serial and to KZpio's emulated printer over parallel.
#include "support/printercontext.h"

#include "comm/eventwait.h"
#include "comm/portio.h"
#include "message/msdfile.h"
#include "portio/kzpiolib.h"
#include "printsink.h"
#include "tester/linestatus.h"
#include "tester/testerrun.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

namespace {

const QByteArray kEscH1 = QByteArray::fromHex("1b6831");
const QByteArray kEscH3 = QByteArray::fromHex("1b6833");

class TesterRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        st().toolState = ToolStates::Tester;
        ASSERT_TRUE(ctx().channel().openSerialPort());
        file = dir.filePath(QStringLiteral("test.msd"));
        ASSERT_TRUE(MsdFile::createEmpty(file));
        const MsdFile f(file);
        ASSERT_TRUE(f.writeText(1, QStringLiteral("A")));
        ASSERT_TRUE(f.writeText(2, QStringLiteral("B↓\r\n")));
        ASSERT_TRUE(f.writeText(3, QStringLiteral("C&41")));
        run.setFinishPauseMs(0);
        run.sendJob = [this](const QByteArray &job) {
            jobs << job;
            return onJob ? onJob(int(jobs.size())) : true;
        };
        run.showProgress = [this](const RunProgress &p) { progress << p; };
        run.setRunningMode = [this](bool on) { modes << on; };
    }

    AppContext &ctx() { return *pc.ctx; }
    AppState &st() { return pc.ctx->state; }
    QList<int> codes() const { return pc.prompter->codes(); }
    QStringList counters() const
    {
        QStringList out;
        for (const RunProgress &p : progress)
            out << p.counter;
        return out;
    }
    TesterForm form(int mode, int count = 1, const QString &list = {}) const
    {
        TesterForm f;
        f.fileName = file;
        f.content = QStringLiteral("X&41");
        f.outputMode = mode;
        f.outputList = list;
        f.continuous = count == 0;
        f.countText = QString::number(count);
        return f;
    }

    PrinterContext pc{QStringLiteral("sink")};
    QTemporaryDir dir;
    QString file;
    TesterRun run{*pc.ctx};
    QList<QByteArray> jobs;
    std::function<bool(int sent)> onJob; // after each job; false fails the send
    QList<RunProgress> progress;
    QList<bool> modes;
};

} // namespace

TEST_F(TesterRunTest, CountedRunCountsDownAndClearsTheCounterAfterHalfASecond)
{
    run.setFinishPauseMs(500);
    st().startupArgument = QStringLiteral("1");
    pc.prompter->script({Answer::Yes});
    QElapsedTimer t;
    t.start();
    qint64 lastJobAt = 0;
    onJob = [&](int) {
        lastJobAt = t.elapsed();
        return true;
    };
    EXPECT_EQ(run.start(form(OutputModes::Selected, 3)), RunResult::Finished);
    EXPECT_EQ(jobs, QList<QByteArray>(3, "XA"));
    EXPECT_EQ(counters(), QStringList({"0003", "0002", "0001", "0000", ""}));
    EXPECT_GE(t.elapsed() - lastJobAt, 490);
    ASSERT_EQ(progress.size(), 5);
    EXPECT_TRUE(progress[0].barVisible && progress[0].maximum == 3 && progress[3].value == 3);
    EXPECT_FALSE(progress[4].barVisible);
    EXPECT_EQ(codes(), QList<int>{352}); // no message at the end in this mode
    EXPECT_EQ(modes, QList<bool>({true, false}));
    EXPECT_FALSE(ctx().channel().state().transferActive);
}

TEST_F(TesterRunTest, EachModeSendsItsUnitAndTellsItsEnd)
{
    struct Row {
        int mode;
        QString list;
        QList<QByteArray> jobs; // of one unit
        QList<int> codes;
    };
    const QList<Row> rows = {
        {OutputModes::Selected, {}, {QByteArray("XA") + kEscH3}, {352}},
        // Empty records are skipped here...
        {OutputModes::All, {}, {QByteArray("A") + kEscH3, QByteArray("B\r") + kEscH3, QByteArray("CA") + kEscH3}, {7}},
        // ... and sent here.
        {OutputModes::List, "3,9,1", {QByteArray("CA") + kEscH3, kEscH3, QByteArray("A") + kEscH3}, {2}},
    };
    for (const Row &row : rows) {
        jobs.clear();
        pc.prompter->clear();
        pc.prompter->script({Answer::Yes});
        TesterForm f = form(row.mode, 2, row.list);
        f.model.model = QStringLiteral("K-2200TW");
        EXPECT_EQ(run.start(f), RunResult::Finished) << row.mode;
        EXPECT_EQ(jobs, row.jobs + row.jobs) << row.mode;
        EXPECT_EQ(codes(), row.codes) << row.mode;
    }
}

TEST_F(TesterRunTest, StopEndsTheRunAfterTheUnitInEveryMode)
{
    struct Row {
        int mode;
        QString list;
        QList<int> codes;
        int units; // the stop comes in the second job: mode 0's second unit, the others' first pass
    };
    const Row rows[] = {
        {OutputModes::Selected, {}, {352}, 2},
        {OutputModes::All, {}, {13}, 1},
        {OutputModes::List, QStringLiteral("1-3"), {13}, 1},
    };
    onJob = [this](int sent) {
        if (sent == 2) // the stop button, while the second job goes out
            QTimer::singleShot(0, [this] { run.stop(); });
        return true;
    };
    for (const Row &row : rows) {
        for (bool continuous : {false, true}) {
            jobs.clear();
            progress.clear();
            pc.prompter->clear();
            pc.prompter->script({Answer::Yes});
            EXPECT_EQ(run.start(form(row.mode, continuous ? 0 : 5, row.list)), RunResult::Stopped) << row.mode;
            EXPECT_EQ(jobs.size(), 2) << row.mode << continuous;
            EXPECT_EQ(codes(), row.codes) << row.mode;
            // Counting up from 0000, or down from 0005 and cleared.
            QStringList expected;
            for (int u = 0; u <= row.units; ++u)
                expected << TesterRun::counterText(continuous ? u : 5 - u);
            if (!continuous)
                expected << QString();
            EXPECT_EQ(counters(), expected) << row.mode << continuous;
        }
    }
}

TEST_F(TesterRunTest, InputChecksStopBeforeAnythingIsSent)
{
    struct Row {
        int mode;
        QString content;
        QString list;
        QString fileName;
        QList<int> codes;
        int badCodeAt;
    };
    const QList<Row> rows = {
        {OutputModes::Selected, {}, {}, {}, {57}, -1},
        {OutputModes::Selected, QStringLiteral("AB&G1"), {}, {}, {104}, 2},
        {OutputModes::Selected, QStringLiteral("AB&80"), {}, {}, {104}, 2},
        {OutputModes::Selected, QStringLiteral("AB"), {}, {}, {352}, -1}, // answered No
        {OutputModes::List, {}, {}, {}, {}, -1},
        {OutputModes::List, {}, QStringLiteral("1;2"), {}, {103}, -1},
        {OutputModes::All, {}, {}, QStringLiteral("relative.msd"), {50}, -1},
        {OutputModes::List, {}, QStringLiteral("1"), {}, {54}, -1},
    };
    for (const Row &row : rows) {
        pc.prompter->clear();
        modes.clear();
        TesterForm f = form(row.mode, 3, row.list);
        f.content = row.content;
        if (row.mode != OutputModes::Selected)
            f.fileName = row.fileName;
        int bad = -1;
        EXPECT_EQ(run.start(f, &bad), RunResult::Refused) << row.content.toStdString();
        EXPECT_EQ(codes(), row.codes) << row.content.toStdString() << row.list.toStdString();
        EXPECT_EQ(bad, row.badCodeAt);
        EXPECT_EQ(modes, QList<bool>({true, false}));
    }
    EXPECT_TRUE(jobs.isEmpty());
    EXPECT_FALSE(run.running());
}

TEST_F(TesterRunTest, ABadItemOrACancelledPromptEndsTheRun)
{
    EXPECT_EQ(run.start(form(OutputModes::List, 3, QStringLiteral("2,0,3"))), RunResult::Stopped);
    EXPECT_EQ(jobs, QList<QByteArray>{"B\r"});
    EXPECT_EQ(codes(), (QList<int>{100, 13}));

    jobs.clear();
    pc.prompter->clear();
    onJob = [](int) { return false; };
    EXPECT_EQ(run.start(form(OutputModes::All, 0)), RunResult::Stopped);
    EXPECT_EQ(jobs.size(), 1);
    EXPECT_EQ(codes(), QList<int>{13});
}

TEST_F(TesterRunTest, TheCountBoxIsReadEveryRound)
{
    QString box = QStringLiteral("5");
    run.countText = [&box] { return box; };
    onJob = [&box](int) {
        box = QStringLiteral("2");
        return true;
    };
    EXPECT_EQ(run.start(form(OutputModes::List, 5, QStringLiteral("1"))), RunResult::Finished);
    EXPECT_EQ(jobs.size(), 2);
    EXPECT_EQ(counters(), QStringList({"0005", "0001", "0000", ""}));
}

TEST_F(TesterRunTest, NumberIntervalBetweenUnitsAndAStopInsideIt)
{
    st().numberIntervalSet = true;
    st().output.numberInterval = 64; // four ticks
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(run.start(form(OutputModes::List, 3, QStringLiteral("1"))), RunResult::Finished);
    EXPECT_GE(t.elapsed(), 2 * 60); // between the units, not after the last
    EXPECT_EQ(jobs.size(), 3);

    jobs.clear();
    st().output.numberInterval = 60000;
    QTimer::singleShot(50, [this] { run.stop(); });
    t.restart();
    EXPECT_EQ(run.start(form(OutputModes::List, 3, QStringLiteral("1"))), RunResult::Stopped);
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_EQ(jobs.size(), 1);
}

TEST_F(TesterRunTest, PrinterNotReadyStartsNothingButModel853HSkipsDsr)
{
    pc.line->setCts(false);
    EXPECT_EQ(run.start(form(OutputModes::All, 1)), RunResult::NotStarted);
    pc.line->setCts(true);
    pc.line->setDsr(false);
    TesterForm f = form(OutputModes::All, 1);
    f.model.model = QStringLiteral("744");
    EXPECT_EQ(run.start(f), RunResult::NotStarted);
    EXPECT_EQ(codes(), (QList<int>{201, 204})); // both answered Cancel
    EXPECT_TRUE(modes.isEmpty());
    EXPECT_TRUE(jobs.isEmpty());

    pc.prompter->clear();
    f.model.model = QStringLiteral("853H");
    run.sendJob = nullptr; // the real serial send, with its DSR checks
    EXPECT_EQ(run.start(f), RunResult::Finished);
    EXPECT_EQ(codes(), QList<int>{7});
    EXPECT_TRUE(st().noModemLines);
    f.model.model = QStringLiteral("744"); // stays off for every model
    EXPECT_EQ(run.start(f), RunResult::Finished);
    run.backToMenu();
    EXPECT_FALSE(st().noModemLines);
}

TEST_F(TesterRunTest, ConversionHookFollowsTheModelOnlyInTheTester)
{
    TesterForm f = form(OutputModes::List, 1, QStringLiteral("2"));
    f.model = {QStringLiteral("222/420/425"), LineEnds::Lf};
    EXPECT_EQ(run.start(f), RunResult::Finished);
    EXPECT_EQ(jobs, QList<QByteArray>{"B\n"});
    EXPECT_EQ(ctx().channel().convertForPrinter(QStringLiteral("A↓\r\nB")), QByteArray("A\nB"));
    st().toolState = ToolStates::Message;
    EXPECT_EQ(ctx().channel().convertForPrinter(QStringLiteral("A↓\r\nB")), QByteArray("A\rB"));
}

TEST_F(TesterRunTest, ListContentsAndThePolledStatus)
{
    TesterForm f = form(OutputModes::List, 1, QStringLiteral("2,1,0"));
    EXPECT_EQ(run.listContents(f), QStringLiteral("B↓\r\nA"));
    EXPECT_EQ(codes(), QList<int>{100});

    st().parallelAvailable = true;
    st().output.lptBase = 0x378;
    pc.portIo->registers[0x379] = 0x20;
    pc.line->sendToHost(QByteArray::fromHex("136100"));
    eventwait::pumpUntil([this] { return ctx().channel().rx().count == 3; });
    const linestatus::Status s = linestatus::poll(ctx());
    EXPECT_EQ(s.cts.text, QStringLiteral("CTS ON"));
    ASSERT_TRUE(s.parallel.has_value());
    EXPECT_EQ(s.parallel->paperEnd.text, QStringLiteral("P.E. H"));
    EXPECT_EQ(s.received, QStringLiteral(" 受信データ : 13,61,00,"));
}

// ---- whole passes to emulated printers -----------------------------------

TEST_F(TesterRunTest, SerialPassesReachThePrintSinkAsTheirJobs)
{
    auto *sink = pc.printer<sim::PrintSink>();
    ASSERT_NE(sink, nullptr);
    run.sendJob = nullptr;
    st().output.byteInterval = 1;
    TesterForm f = form(OutputModes::List, 2, QStringLiteral("3-1"));
    f.model.model = QStringLiteral("405M/733C");
    EXPECT_EQ(run.start(f), RunResult::Finished);
    eventwait::pumpUntil([sink] { return sink->jobCount() >= 6; });
    QList<QByteArray> received;
    for (const sim::PrintJob &j : sink->jobs())
        received << j.bytes;
    const QList<QByteArray> pass = {QByteArray("CA") + kEscH1, QByteArray("B\r") + kEscH1, QByteArray("A") + kEscH1};
    EXPECT_EQ(received, pass + pass);
    EXPECT_EQ(codes(), QList<int>{2});
}

TEST_F(TesterRunTest, ParallelPassStrobesTheJobsIntoKZpiosPrinter)
{
    EnvGuard backend("KZPIO_BACKEND", "sim");
    EnvGuard lines("KZPIO_SIM_LINES", nullptr);
    EnvGuard log("KZPIO_SIM_LOG", nullptr);
    EnvGuard library("ZENTRIX_KZPIO", KZPIO_LIBRARY);
    KZpioLib lib;
    ASSERT_TRUE(lib.complete());
    auto io = std::make_unique<LibraryPortIo>(QString());
    LibraryPortIo *portIo = io.get();
    AppContext ctx(std::make_unique<ScriptedPrompter>(), std::move(io));
    ASSERT_EQ(portIo->start(), 0x0Eu);
    lib.Clear();
    ctx.state.toolState = ToolStates::Tester;
    ctx.state.output.interfaceName = kInterfaceParallel;
    ctx.state.output.lptBase = 0x378;
    ctx.state.parallelAvailable = true;
    ctx.channel().lptPrepare();

    TesterRun parallelRun(ctx);
    parallelRun.setFinishPauseMs(0);
    TesterForm f = form(OutputModes::All, 2);
    f.model.model = QStringLiteral("K-2200TW");
    EXPECT_EQ(parallelRun.start(f), RunResult::Finished);
    const QByteArray pass = QByteArray("A") + kEscH3 + "B\r" + kEscH3 + "CA" + kEscH3;
    EXPECT_EQ(lib.received(), pass + pass);
    EXPECT_EQ(lib.Refused(), 0u);

    // Off line: the run asks and starts nothing.
    lib.SetLines(KZPIO_SIM_OFFLINE);
    lib.Clear();
    EXPECT_EQ(parallelRun.start(f), RunResult::NotStarted);
    EXPECT_TRUE(lib.received().isEmpty());
    lib.SetLines(0);
    ctx.channel().lptRestore();
    EXPECT_EQ(portIo->stop(), 0u);
}

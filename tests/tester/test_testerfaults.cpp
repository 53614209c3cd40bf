// Faults on the line between the print tester and the print sink, at every
// byte of a counted run over the whole message file: the cable pulled and
// DSR lost. The sink answers nothing, so there is no reply to spoil. A run
// that did not put every job on the line never ends as finished, the file
// is never touched, the tester is idle afterwards, and the healed line
// carries the next run.
#include "support/faultyline.h"
#include "support/filebytes.h"
#include "support/printercontext.h"

#include "comm/eventwait.h"
#include "message/msdfile.h"
#include "personas.h"
#include "printsink.h"
#include "shell/toolprobe.h"
#include "tester/testerrun.h"
#include "tester/ui/testerwindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Fault = FaultyLine::Fault;

class TesterFaults : public ::testing::Test {
protected:
    TesterFaults() : pc(QStringLiteral("sink")), line(FaultyLine::install(*pc.line, sim::createPrinter("sink")))
    {
        pc.ctx->state.toolState = ToolStates::Tester;
        ChannelTimes t = pc.ctx->channel().times();
        t.dsrMs = 60;
        pc.ctx->channel().setTimes(t);
        line.printer<sim::PrintSink>().setJobGapMs(20);
        file = dir.filePath(QStringLiteral("test.msd"));
        EXPECT_TRUE(MsdFile::createEmpty(file));
        const MsdFile f(file);
        EXPECT_TRUE(f.writeText(1, QStringLiteral("AB")));
        EXPECT_TRUE(f.writeText(2, QStringLiteral("CD↓\r\nEF")));
        EXPECT_TRUE(f.writeText(7, QStringLiteral("G&41")));
        before = filebytes::read(file);
        run.setFinishPauseMs(0);
        run.setRunningMode = [this](bool on) { runningShown = on; };
        run.enterTool();
    }

    TesterForm form(int mode, int count) const
    {
        TesterForm f;
        f.fileName = file;
        f.content = QStringLiteral("X&41");
        f.outputMode = mode;
        f.continuous = false;
        f.countText = QString::number(count);
        return f;
    }
    RunResult start(const TesterForm &f)
    {
        pc.prompter->clear();
        pc.prompter->script({Answer::Yes}); // the print question of the selected content
        return run.start(f);
    }

    void expectIdle(const std::string &label)
    {
        EXPECT_FALSE(run.running()) << label;
        EXPECT_FALSE(runningShown) << label;
        EXPECT_FALSE(pc.ctx->channel().state().transferActive) << label;
        EXPECT_EQ(pc.ctx->state.toolState, ToolStates::Tester) << label;
        EXPECT_EQ(filebytes::read(file), before) << label << ": the file is only read";
    }
    void expectNextWorks(const std::string &label)
    {
        line.heal();
        if (!pc.ctx->serial().isOpen()) {
            ASSERT_TRUE(pc.ctx->channel().openSerialPort()) << label;
        }
        line.arm(Fault::None);
        EXPECT_EQ(start(form(OutputModes::Selected, 1)), RunResult::Finished) << label << ": the next run";
        EXPECT_EQ(line.measured().hostPassed, QByteArray("XA")) << label;
        expectIdle(label + ", after the next run");
    }

    PrinterContext pc;
    FaultyLine &line;
    QTemporaryDir dir;
    QString file;
    QByteArray before;
    TesterRun run{*pc.ctx};
    bool runningShown = false;
};

} // namespace

TEST_F(TesterFaults, CountedRunsOfEveryModeLoseTheLine)
{
    const struct {
        const char *label;
        int mode;
        int count;
    } kRuns[] = {{"selected content, 3 times", OutputModes::Selected, 3}, {"all, twice", OutputModes::All, 2}};
    for (const auto &r : kRuns) {
        line.arm(Fault::None);
        ASSERT_EQ(start(form(r.mode, r.count)), RunResult::Finished) << r.label;
        const FaultyLine::Measure clean = line.measured();
        ASSERT_GE(clean.hostBytes, 6) << r.label;
        for (const FaultyLine::Case &c : FaultyLine::cases(clean)) {
            const std::string label = std::string(r.label) + ": " + c.label().toStdString();
            line.arm(c);
            const RunResult result = start(form(r.mode, r.count));
            EXPECT_TRUE(line.fired()) << label;
            EXPECT_NE(result, RunResult::NotStarted) << label;
            // Finished only when every job went out whole.
            if (result == RunResult::Finished) {
                EXPECT_EQ(line.measured().hostPassed, clean.hostPassed) << label;
            }
            // The cable pulled before a byte: that byte never arrives.
            if (c.fault == Fault::DropAtHostByte) {
                EXPECT_NE(result, RunResult::Finished) << label;
            }
            expectIdle(label);
            expectNextWorks(label);
        }
    }
}

namespace {

} // namespace

// The window after a run that lost its line: the start button back, and
// the next run goes through to the sink.
TEST(TesterWindowFaults, AfterAPulledCableTheNextRunStarts)
{
    PrinterContext pc(QStringLiteral("sink"));
    FaultyLine &line = FaultyLine::install(*pc.line, sim::createPrinter("sink"));
    pc.ctx->state.toolState = ToolStates::Tester;
    ProbeHost host;
    TesterWindow window(*pc.ctx, host);
    window.show();
    auto *start = window.findChild<QPushButton *>(QStringLiteral("Command4"));
    ASSERT_NE(start, nullptr);
    window.findChild<QComboBox *>(QStringLiteral("Combo1"))->setCurrentIndex(2); // ends each job with ESC h1
    window.findChild<QPlainTextEdit *>(QStringLiteral("Text3"))->setPlainText(QStringLiteral("AB"));
    QTest::mouseClick(window.findChild<QRadioButton *>(QStringLiteral("Option5")), Qt::LeftButton, {}, QPoint(5, 5));
    window.findChild<QLineEdit *>(QStringLiteral("Text5"))->setText(QStringLiteral("1"));
    const auto run = [&] {
        pc.prompter->clear();
        pc.prompter->script({Answer::Yes});
        QTest::mouseClick(start, Qt::LeftButton, {}, QPoint(5, 5));
    };

    line.arm(Fault::DropAtHostByte, 2);
    run();
    EXPECT_TRUE(line.fired());
    EXPECT_TRUE(start->isEnabled());
    EXPECT_EQ(start->text(), QStringLiteral("印字開始"));
    EXPECT_FALSE(window.run().running());

    line.heal();
    pc.ctx->channel().openSerialPort();
    line.arm(Fault::None);
    run();
    EXPECT_EQ(line.measured().hostPassed, QByteArray("AB\x1bh1"));
    EXPECT_TRUE(start->isEnabled());
}

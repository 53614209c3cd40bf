// The print tester's window, driven by object name: opened from the
// launcher, runs over serial to the print sink with the counter, the stop
// button and the close box during a run, the boxes of the output mode and
// the run count, and the status labels for every line state of KZpio's
// emulated printer.
#include "support/printercontext.h"

#include "comm/eventwait.h"
#include "comm/portio.h"
#include "message/msdfile.h"
#include "portio/kzpiolib.h"
#include "printsink.h"
#include "shell/ui/launcherwindow.h"
#include "shell/ui/toolhost.h"
#include "tester/ui/testerwindow.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

struct FakeHost : ToolHost {
    int returned = 0;
    int quit = 0;
    void returnToMenu() override { ++returned; }
    void quitFromTool() override { ++quit; }
    void openHelp() override {}
    void openSettings(QWidget *, bool) override {}
    void closeSettings() override {}
};

template <typename T = QWidget> T *child(QWidget *in, const QString &name)
{
    T *w = in->findChild<T *>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
}

void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, 5)); }

// What a status label shows: its text, and whether it is highlighted.
struct Shown {
    QString text;
    bool highlighted;
    bool operator==(const Shown &) const = default;
};
void PrintTo(const Shown &s, std::ostream *os) { *os << s.text.toStdString() << (s.highlighted ? " (hl)" : ""); }

Shown shown(QWidget *window, const char *name)
{
    auto *l = child<QLabel>(window, QLatin1String(name));
    const bool hl = l->palette().color(QPalette::Window) == window->palette().color(QPalette::Highlight);
    EXPECT_TRUE(hl || l->palette().color(QPalette::Window) == QColor(Qt::white)) << name;
    return {l->text(), hl};
}

class TesterWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        st().toolState = ToolStates::Tester;
        st().output.baudText = QStringLiteral("38400bps");
        file = dir.filePath(QStringLiteral("t.msd"));
        ASSERT_TRUE(MsdFile::createEmpty(file));
        ASSERT_TRUE(MsdFile(file).writeText(4, QStringLiteral("D^4")));
        ASSERT_TRUE(MsdFile(file).writeText(5, QStringLiteral("E")));
    }
    void open()
    {
        window = std::make_unique<TesterWindow>(*pc.ctx, host);
        window->show();
    }

    AppState &st() { return pc.ctx->state; }
    QPushButton *button(int n) { return child<QPushButton>(window.get(), QStringLiteral("Command%1").arg(n)); }
    template <typename T = QWidget> T *get(const char *name) { return child<T>(window.get(), QLatin1String(name)); }
    QString panel2() { return get<QLabel>("Panel2")->text(); }
    QList<int> enabledButtons()
    {
        QList<int> on;
        for (int n : {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13})
            if (button(n)->isEnabled())
                on << n;
        return on;
    }
    // A run of the content box's text "AB" with an end command, so that
    // the sink sees every job apart.
    void prepareRun(const QString &count)
    {
        get<QComboBox>("Combo1")->setCurrentIndex(2); // 405M/733C: ESC h1
        get<QPlainTextEdit>("Text3")->setPlainText(QStringLiteral("AB"));
        if (count.isEmpty()) {
            click(get("Option4"));
        } else {
            click(get("Option5"));
            get<QLineEdit>("Text5")->setText(count);
        }
        pc.prompter->script({Answer::Yes}); // 352
    }
    // Watches every counter the window shows while the run goes on.
    void watchProgress(std::function<void(int reports)> then = nullptr)
    {
        if (!windowShows)
            windowShows = window->run().showProgress;
        window->run().showProgress = [this, then](const RunProgress &p) {
            windowShows(p);
            counters << panel2();
            if (then)
                then(int(counters.size()));
        };
    }
    int sinkJobs()
    {
        auto *sink = pc.printer<sim::PrintSink>();
        return sink ? sink->jobCount() : -1;
    }

    PrinterContext pc{QStringLiteral("sink")};
    FakeHost host;
    QTemporaryDir dir;
    QString file;
    std::unique_ptr<TesterWindow> window;
    QStringList counters;
    std::function<void(const RunProgress &)> windowShows;
};

} // namespace

TEST_F(TesterWindowTest, OpensFromTheLauncherPanelWithItsBoxesAsAtStart)
{
    LauncherWindow launcher(*pc.ctx);
    launcher.endProcess = [] {};
    launcher.registerTool<TesterWindow>(Tool::Tester);
    launcher.show();
    st().toolState = ToolStates::Launcher;
    click(child(&launcher, QStringLiteral("Frame4")));
    QWidget *tool = launcher.currentTool();
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(tool->objectName(), QStringLiteral("Tester"));
    EXPECT_EQ(tool->windowTitle(), QStringLiteral("Kestrel"));
    EXPECT_EQ(st().toolState, ToolStates::Tester);
    EXPECT_TRUE(pc.ctx->serial().isOpen());

    const QList<QPair<int, QString>> captions = {{1, "ファイルを開く"}, {2, "ファイルに保存"}, {3, "ファイルから削除"},
                                                 {4, "印字開始"},       {5, "印字停止"},       {6, "出力I/F詳細"},
                                                 {7, "ファイルの複写"}, {9, "メニューへ戻る"}, {10, "参照"},
                                                 {11, "リストクリア"},  {12, "No.を追加"},     {13, "内容を表示"}};
    for (const auto &[n, caption] : captions)
        EXPECT_EQ(child<QPushButton>(tool, QStringLiteral("Command%1").arg(n))->text(), caption);
    auto *models = child<QComboBox>(tool, "Combo1");
    QStringList names;
    for (int i = 0; i < models->count(); ++i)
        names << models->itemText(i);
    EXPECT_EQ(names, QStringList({"2085J/3807C", "2263/405MB", "405M/733C", "7W4", "744", "853H", "853VH", "K-2200TW",
                                  "270/271/270HB", "350M/35YH", "350QLM", "4YY", "222/420/425"}));
    EXPECT_EQ(models->currentIndex(), -1);
    EXPECT_EQ(child<QComboBox>(tool, "Combo2")->count(), 3);
    EXPECT_TRUE(child<QRadioButton>(tool, "Option1")->isChecked());
    EXPECT_FALSE(child<QLineEdit>(tool, "Text4")->isEnabled());
    EXPECT_TRUE(child<QRadioButton>(tool, "Option5")->isChecked());
    EXPECT_EQ(child<QLineEdit>(tool, "Text5")->text(), QStringLiteral("1"));
    EXPECT_EQ(child<QPlainTextEdit>(tool, "Text6")->toPlainText(), QStringLiteral(" 受信データ : "));
    // No start-up argument: no counter, and no parallel port to show.
    EXPECT_FALSE(child<QStatusBar>(tool, "StatusBar1")->isVisible());
    EXPECT_FALSE(child<QProgressBar>(tool, "PBar1")->isVisible());
    EXPECT_FALSE(child(tool, "LabelSELECT")->isVisible());
    EXPECT_EQ(child<QLabel>(tool, "LabelCTS")->text(), QStringLiteral("CTS ON"));

    click(child(tool, "Command9"));
    EXPECT_TRUE(launcher.isVisible());
    EXPECT_EQ(st().toolState, ToolStates::Launcher);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(launcher.currentTool(), nullptr);
}

TEST_F(TesterWindowTest, CountedRunOverSerialCountsDownToThePrintSink)
{
    st().startupArgument = QStringLiteral("5");
    open();
    EXPECT_TRUE(get("StatusBar1")->isVisible());
    prepareRun(QStringLiteral("3"));
    QList<int> enabledWhileRunning;
    QString captionWhileRunning;
    bool blinking = false;
    watchProgress([&](int reports) {
        if (reports == 2) {
            enabledWhileRunning = enabledButtons();
            captionWhileRunning = button(4)->text();
            blinking = window->blinkTimer()->isActive() && get<QProgressBar>("PBar1")->isVisible();
        }
    });
    click(button(4));
    EXPECT_EQ(counters, QStringList({"0003", "0002", "0001", "0000", ""}));
    EXPECT_EQ(enabledWhileRunning, QList<int>{5});
    EXPECT_EQ(captionWhileRunning, QStringLiteral("印字処理中"));
    EXPECT_TRUE(blinking);
    EXPECT_EQ(pc.prompter->codes(), QList<int>{352});

    // Back at rest: caption, colour, buttons; the bar hidden.
    EXPECT_EQ(button(4)->text(), QStringLiteral("印字開始"));
    EXPECT_EQ(button(4)->palette().color(QPalette::Button), TesterWindow::kStartColour);
    EXPECT_FALSE(window->blinkTimer()->isActive());
    EXPECT_EQ(enabledButtons().size(), 12);
    EXPECT_FALSE(get("PBar1")->isVisible());
    eventwait::pumpUntil([this] { return sinkJobs() >= 3; });
    const auto jobs = pc.printer<sim::PrintSink>()->jobs();
    ASSERT_EQ(jobs.size(), 3);
    for (const sim::PrintJob &j : jobs)
        EXPECT_EQ(j.bytes, QByteArray("AB\x1bh1"));
}

TEST_F(TesterWindowTest, StopEndsCountedAndContinuousRunsAtOnce)
{
    open();
    for (const QString &count : {QStringLiteral("100"), QString()}) {
        counters.clear();
        pc.printer<sim::PrintSink>()->clearJobs();
        const int before = sinkJobs();
        prepareRun(count);
        // The stop button during the second unit's report.
        watchProgress([this](int reports) {
            if (reports == 3)
                click(button(5));
        });
        click(button(4));
        EXPECT_EQ(counters.size(), count.isEmpty() ? 3 : 4) << count.toStdString(); // cleared after a counted run
        EXPECT_EQ(counters.at(2), count.isEmpty() ? QStringLiteral("0002") : QStringLiteral("0098"));
        EXPECT_FALSE(window->run().running());
        EXPECT_EQ(enabledButtons().size(), 12);
        QTest::qWait(400); // the sink's job gap
        EXPECT_EQ(sinkJobs() - before, 2) << count.toStdString();
    }
}

TEST_F(TesterWindowTest, TheCloseBoxDuringARunWaitsForTheRunToEnd)
{
    open();
    prepareRun(QString());
    watchProgress([this](int reports) {
        if (reports == 2) {
            pc.prompter->script({Answer::Yes}); // the unsaved "AB" may go
            window->close();
        }
    });
    click(button(4));
    EXPECT_FALSE(window->run().running());
    EXPECT_EQ(host.quit, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(host.quit, 1);
    EXPECT_FALSE(pc.ctx->serial().isOpen());
}

TEST_F(TesterWindowTest, OutputModeAndCountBoxesAreKeptForTheNextOpening)
{
    open();
    auto *list = get<QLineEdit>("Text4");
    click(get("Option3"));
    EXPECT_TRUE(list->isEnabled());
    EXPECT_TRUE(get("Label9")->isVisible());
    get<QLineEdit>("Text2")->setText(QStringLiteral("4"));
    click(button(12));
    list->setText(list->text() + QLatin1Char('-'));
    get<QLineEdit>("Text2")->setText(QStringLiteral("5"));
    click(button(12));
    click(button(12));
    EXPECT_EQ(list->text(), QStringLiteral("4-5,5"));

    // 内容を表示: the stored contents one after the other.
    get<QLineEdit>("Text1")->setText(file);
    click(button(13));
    EXPECT_EQ(get<QPlainTextEdit>("Text3")->toPlainText(), QStringLiteral("D^4EE"));
    EXPECT_TRUE(pc.prompter->codes().isEmpty());

    // The count box: spin, then 連続 shows a blank that counts as 1.
    auto *count = get<QLineEdit>("Text5");
    count->setText(QStringLiteral("7"));
    click(get("UpDown1")->findChild<QToolButton *>(QStringLiteral("Up")));
    EXPECT_EQ(count->text(), QStringLiteral("8"));
    EXPECT_EQ(st().runCount, 8);

    window->close();
    open();
    EXPECT_TRUE(get<QRadioButton>("Option3")->isChecked());
    EXPECT_EQ(get<QLineEdit>("Text5")->text(), QStringLiteral("8"));
    click(get("Option4"));
    EXPECT_EQ(get<QLineEdit>("Text5")->text(), QStringLiteral(" "));
    EXPECT_FALSE(get("Text5")->isEnabled());
    EXPECT_FALSE(get("UpDown1")->isEnabled());
    click(get("Option1"));
    EXPECT_FALSE(get("Text4")->isEnabled());
    EXPECT_TRUE(get<QLineEdit>("Text4")->text().isEmpty());
    EXPECT_FALSE(get("Label9")->isVisible());
    click(button(12)); // only in mode 2
    EXPECT_TRUE(get<QLineEdit>("Text4")->text().isEmpty());
}

TEST_F(TesterWindowTest, SerialLinesAndReceivedBytesAreShown)
{
    open();
    pc.line->setCts(false);
    QTest::qWait(30);
    EXPECT_EQ(shown(window.get(), "LabelCTS"), (Shown{"CTS OFF", false}));
    EXPECT_EQ(shown(window.get(), "LabelDSR"), (Shown{"DSR ON", true}));
    pc.line->setCts(true);
    pc.line->setDsr(false);
    pc.line->sendToHost(QByteArray::fromHex("136100"));
    QTest::qWait(30);
    EXPECT_EQ(shown(window.get(), "LabelCTS"), (Shown{"CTS ON", true}));
    EXPECT_EQ(shown(window.get(), "LabelDSR"), (Shown{"DSR OFF", false}));
    auto *received = get<QPlainTextEdit>("Text6");
    EXPECT_EQ(received->toPlainText(), QStringLiteral(" 受信データ : 13,61,00,"));
    EXPECT_EQ(received->textCursor().position(), received->toPlainText().size());
}

TEST(TesterWindowParallel, StatusLabelsFollowEveryLineStateOfKZpiosPrinter)
{
    EnvGuard backend("KZPIO_BACKEND", "sim");
    EnvGuard lines("KZPIO_SIM_LINES", "offline"); // held from the start
    EnvGuard log("KZPIO_SIM_LOG", nullptr);
    EnvGuard library("ZENTRIX_KZPIO", KZPIO_LIBRARY);
    KZpioLib lib;
    ASSERT_TRUE(lib.complete());
    auto io = std::make_unique<LibraryPortIo>(QString());
    LibraryPortIo *portIo = io.get();
    auto link = std::make_unique<SimSerialLink>();
    link->setPeer(sim::createPrinter(QStringLiteral("sink")));
    AppContext ctx(std::make_unique<ScriptedPrompter>(), std::move(io), std::move(link));
    ctx.serial().setPortResolver([](int) { return QStringLiteral("sim:"); });
    ASSERT_EQ(portIo->start(), 0x0Eu);
    ctx.state.toolState = ToolStates::Tester;
    ctx.state.parallelAvailable = true;
    ctx.state.output.interfaceName = kInterfaceParallel;
    ctx.state.output.lptBase = 0x378;
    FakeHost host;
    auto window = std::make_unique<TesterWindow>(ctx, host);
    window->show();

    struct Row {
        int lines; // -1: as held from the start
        Shown select, busy, paperEnd, error;
    };
    const Row rows[] = {
        {-1, {"SELECT L", false}, {"BUSY H", true}, {"P.E. L", false}, {"ERROR H", true}},
        {0, {"SELECT H", true}, {"BUSY L", false}, {"P.E. L", false}, {"ERROR H", true}},
        {KZPIO_SIM_BUSY, {"SELECT H", true}, {"BUSY H", true}, {"P.E. L", false}, {"ERROR H", true}},
        {KZPIO_SIM_PAPER_END, {"SELECT H", true}, {"BUSY H", true}, {"P.E. H", true}, {"ERROR H", true}},
        {KZPIO_SIM_ERROR, {"SELECT H", true}, {"BUSY H", true}, {"P.E. L", false}, {"ERROR L", false}},
        {KZPIO_SIM_OFFLINE | KZPIO_SIM_PAPER_END,
         {"SELECT L", false},
         {"BUSY H", true},
         {"P.E. H", true},
         {"ERROR H", true}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.lines);
        if (row.lines >= 0)
            lib.SetLines(uint32_t(row.lines));
        QTest::qWait(30);
        EXPECT_TRUE(child(window.get(), "LabelSELECT")->isVisible());
        EXPECT_EQ(shown(window.get(), "LabelSELECT"), row.select);
        EXPECT_EQ(shown(window.get(), "LabelBUSY"), row.busy);
        EXPECT_EQ(shown(window.get(), "LabelPE"), row.paperEnd);
        EXPECT_EQ(shown(window.get(), "LabelERROR"), row.error);
    }
    lib.SetLines(0);
    window->close();
    EXPECT_EQ(portIo->stop(), 0u);
}

// The message window, its editing aid and the file copy window, driven by
// object name.
#include "fakemessageprinter.h"
#include "message/msdfile.h"
#include "message/ui/filecopywindow.h"
#include "message/ui/messagewindow.h"
#include "messagetest.h"

#include "comm/outputchannel.h"
#include "comm/serialcontrol.h"
#include "comm/simseriallink.h"

#include "base/cp932.h"
#include "shell/ui/launcherwindow.h"
#include "shell/ui/statusstrip.h"
#include "shell/ui/toolhost.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>

namespace {

struct FakeHost : ToolHost {
    int returned = 0;
    int quit = 0;
    int help = 0;
    void returnToMenu() override { ++returned; }
    void quitFromTool() override { ++quit; }
    int settingsOpened = 0;
    int settingsClosed = 0;
    void openHelp() override { ++help; }
    void openSettings(QWidget *, bool) override { ++settingsOpened; }
    void closeSettings() override { ++settingsClosed; }
};

} // namespace

class MessageWindowTest : public MessageTest {
protected:
    void SetUp() override
    {
        ctx->state.launcherLeft = 1500;
        ctx->state.launcherTop = 3000;
        ctx->state.output.interfaceName = kInterfaceParallel;
        window = std::make_unique<MessageWindow>(*ctx, host);
        window->chooseFile = [this](QWidget *, MsdDialog kind, const QString &) {
            dialogs << kind;
            return chosen;
        };
        window->show();
        QApplication::setActiveWindow(window.get());
    }

    template <typename T = QWidget> T *child(const QString &name, QWidget *in = nullptr)
    {
        T *w = (in ? in : window.get())->findChild<T *>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QPushButton *button(int n) { return child<QPushButton>(QStringLiteral("Command%1").arg(n)); }
    void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, 5)); }
    QAction *toolButton(int n)
    {
        return child<QToolBar>("Toolbar1")->findChild<QAction *>(QStringLiteral("Button%1").arg(n));
    }
    QString content() { return window->form().content; }
    QPlainTextEdit *text3() { return child<QPlainTextEdit>("Text3"); }

    FakeHost host;
    std::unique_ptr<MessageWindow> window;
    QString chosen;
    QList<MsdDialog> dialogs;
    int portOpens() { return static_cast<SimSerialLink &>(ctx->serialLink()).openCount(); }
};

TEST_F(MessageWindowTest, LoadsAtTheToolPositionOnSerialWithEveryCaption)
{
    EXPECT_EQ(window->objectName(), QStringLiteral("QLM"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("WinQLM"));
    EXPECT_EQ(window->size(), QSize(666, 533 + StatusStrip::kHeight)); // the strip below the block
    EXPECT_EQ(ctx->state.output.interfaceName, kInterfaceSerial);
    EXPECT_EQ(portOpens(), 1);

    const QStringList captions{"ファイルを開く",   "ファイルに保存", "ファイルから削除",
                               "プリンタから読込", "プリンタに登録", "プリンタから削除",
                               "印字テスト",       "ファイルの複写", "メニューへ戻る",
                               "出力I/F詳細",      "全消去",         "全登録",
                               "全印字",           "参照",           "文章作成補助"};
    for (int i = 0; i < captions.size(); ++i)
        EXPECT_EQ(button(i + 1)->text(), captions[i]);
    EXPECT_EQ(button(11)->toolTip(), QStringLiteral("プリンタに登録してあるメッセージを全て消去します"));
    EXPECT_EQ(button(12)->toolTip(), QStringLiteral("ファイル内の全てのメッセージをプリンタに登録します"));
    EXPECT_EQ(button(13)->toolTip(), QStringLiteral("プリンタに登録してあるメッセージを全て印字します"));
    EXPECT_EQ(button(10)->toolTip(), QStringLiteral("通信用プロトコルの詳細を表示します"));
    EXPECT_EQ(button(15)->toolTip(), QStringLiteral("制御コードを入力します"));
    const QStringList tips{"ファイルを開く", "ファイルに保存", "ファイルを印刷",   "カット",
                           "コピー",         "貼り付け",       "ファイルから削除", "ヘルプ"};
    const int indexes[] = {2, 3, 4, 7, 8, 9, 12, 18};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(toolButton(indexes[i])->toolTip(), tips[i]);
    EXPECT_EQ(child<QLabel>("Label5")->text(), QStringLiteral("(スペースは ^ で表示されます)"));
}

TEST_F(MessageWindowTest, AnEnlargedWindowCentresItsControls)
{
    window->resize(1000, 700);
    EXPECT_TRUE(ctx->state.launcherMaximized);
    EXPECT_EQ(child("Block")->pos(), QPoint((15000 - 10000) / 2 / 15, (10500 - 8000) / 2 / 15));
    window->resize(666, 533);
    EXPECT_FALSE(ctx->state.launcherMaximized);
    EXPECT_EQ(child("Block")->pos(), QPoint(0, 0));
}

TEST_F(MessageWindowTest, TypedSpacesAndLineEndsShowInDisplayForm)
{
    text3()->setFocus();
    QTest::keyClicks(text3(), "AB CD");
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(text3(), Qt::Key_Return);
    EXPECT_EQ(content(), QStringLiteral("AB^CD↓\r\n↓\r\n↓\r\n"));
    QTest::keyClick(text3(), Qt::Key_Backspace);
    EXPECT_EQ(content(), QStringLiteral("AB^CD↓\r\n↓\r\n"));
    QTest::keyClicks(text3(), "E");
    EXPECT_EQ(content(), QStringLiteral("AB^CD↓\r\n↓\r\nE"));

    QApplication::clipboard()->setText(QStringLiteral("全　角"));
    toolButton(9)->trigger();
    EXPECT_EQ(content(), QStringLiteral("AB^CD↓\r\n↓\r\nE全＾角"));
    EXPECT_TRUE(p->requests.isEmpty());
}

TEST_F(MessageWindowTest, NumberBoxKeepsANumber)
{
    auto *text2 = child<QLineEdit>("Text2");
    text2->setText("007");
    EXPECT_EQ(text2->text(), QStringLiteral("7"));
    EXPECT_TRUE(p->requests.isEmpty());
    text2->clear();
    QTest::keyClicks(text2, "x");
    EXPECT_EQ(text2->text(), QStringLiteral("0"));
    EXPECT_EQ(p->codes(), QList<int>{100});
}

TEST_F(MessageWindowTest, MessageWithACodeFromTheAidIsSavedReopenedAndPrinted)
{
    chosen = path("work/memo");
    click(button(14)); // 参照
    EXPECT_EQ(child<QLineEdit>("Text1")->text(), chosen);
    child<QLineEdit>("Text2")->setText("1");
    text3()->setFocus();
    QTest::keyClicks(text3(), "A B");
    QTest::keyClick(text3(), Qt::Key_Return);
    QTest::keyClicks(text3(), "C");
    QTextCursor c = text3()->textCursor();
    c.setPosition(1);
    text3()->setTextCursor(c);

    click(button(15));
    auto *aid = child<QWidget>("QlmAux");
    EXPECT_EQ(aid->windowTitle(), QStringLiteral("QLM文章作成補助"));
    click(child<QRadioButton>("Option7", aid));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("&13TJ2"));
    click(child<QPushButton>("Command1", aid));
    const QString message = QStringLiteral("A&13TJ2^B↓\r\nC");
    EXPECT_EQ(content(), message);

    p->script({Answer::Yes, Answer::Yes});
    click(button(2));
    EXPECT_EQ(p->codes(), (QList<int>{351, 350, 14}));
    const QString file = path("work/memo.msd");
    EXPECT_EQ(child<QLineEdit>("Text1")->text(), file);
    EXPECT_EQ(bytesOf(file).left(512), record(cp932::encode(message)));
    EXPECT_EQ(child<QLineEdit>("Text2")->text(), QStringLiteral("2"));
    EXPECT_EQ(content(), QString());

    auto *list = child<QListWidget>("List1");
    ASSERT_EQ(list->count(), 1);
    list->itemClicked(list->item(0));
    EXPECT_EQ(child<QLineEdit>("Text2")->text(), QStringLiteral("1"));
    EXPECT_EQ(content(), message);

    p->clear();
    const QString pdf = path("list.pdf");
    qputenv("ZENTRIX_PRINT_PDF", pdf.toLocal8Bit());
    toolButton(4)->trigger();
    qunsetenv("ZENTRIX_PRINT_PDF");
    EXPECT_EQ(p->codes(), QList<int>{5});
    EXPECT_TRUE(bytesOf(pdf).startsWith("%PDF"));
}

TEST_F(MessageWindowTest, BadCodeStopsTheSaveWithTheCaretOnIt)
{
    child<QLineEdit>("Text1")->setText(path("m.msd"));
    child<QLineEdit>("Text2")->setText("1");
    text3()->setPlainText("ab&20cd");
    click(button(2));
    EXPECT_EQ(p->codes(), QList<int>{104});
    EXPECT_EQ(text3()->textCursor().position(), 2);
    EXPECT_FALSE(QFile::exists(path("m.msd")));
}

TEST_F(MessageWindowTest, ToolbarDialogsChooseTheFileThenRunTheOperation)
{
    chosen = path("tb");
    p->script({Answer::Yes});
    toolButton(2)->trigger();
    EXPECT_EQ(dialogs, QList<MsdDialog>{MsdDialog::Open});
    EXPECT_EQ(p->codes(), QList<int>{350});
    EXPECT_EQ(child<QLineEdit>("Text1")->text(), path("tb.msd"));

    chosen = path("tb.msd");
    child<QLineEdit>("Text2")->setText("3");
    text3()->setPlainText("x");
    toolButton(3)->trigger();
    EXPECT_EQ(dialogs.last(), MsdDialog::Save);
    EXPECT_EQ(MsdFile(path("tb.msd")).occupiedNumbers(), QList<int>{3});

    toolButton(18)->trigger();
    EXPECT_EQ(host.help, 1);
}

TEST_F(MessageWindowTest, ReadingModeDisablesTheFileButtonsAndBlinks)
{
    window->setReadingMode(true);
    for (int n = 1; n <= 14; ++n)
        EXPECT_EQ(button(n)->isEnabled(), n == 5) << n;
    EXPECT_EQ(button(4)->text(), QStringLiteral("読み込み中"));
    EXPECT_EQ(button(5)->text(), QStringLiteral("読み込み中止"));
    auto *timer = window->findChild<QTimer *>("Timer1");
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 500);
    const QColor first4 = button(4)->palette().color(QPalette::Button);
    const QColor first5 = button(5)->palette().color(QPalette::Button);
    EXPECT_EQ(first4, QColor(144, 238, 144));
    EXPECT_EQ(first5, QColor(Qt::white));
    QTest::qWait(560);
    EXPECT_EQ(button(4)->palette().color(QPalette::Button), QColor(Qt::white));
    EXPECT_EQ(button(5)->palette().color(QPalette::Button), QColor(124, 252, 0));

    click(button(5)); // cancels, nothing else
    EXPECT_TRUE(p->requests.isEmpty());

    window->setReadingMode(false);
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(button(4)->text(), QStringLiteral("プリンタから読込"));
    EXPECT_EQ(button(5)->text(), QStringLiteral("プリンタに登録"));
    for (int n = 1; n <= 14; ++n)
        EXPECT_TRUE(button(n)->isEnabled()) << n;

    window->setPrintAllMode(true);
    EXPECT_FALSE(button(13)->isEnabled());
    EXPECT_EQ(button(13)->palette().color(QPalette::Button), QColor(138, 43, 226));
    window->setPrintAllMode(false);
    EXPECT_TRUE(button(13)->isEnabled());
}

TEST_F(MessageWindowTest, PrinterButtonsReachTheTransferOperations)
{
    // No number yet, and no printer on the line: each operation stops at
    // its first check.
    static_cast<SimSerialLink &>(ctx->serialLink()).setCts(false);
    const QList<QPair<int, int>> firstCode = {{4, 201}, {5, 56}, {6, 56}, {7, 56}, {11, 201}, {12, 201}, {13, 201}};
    for (const auto &[n, code] : firstCode) {
        p->clear();
        click(button(n));
        EXPECT_EQ(p->codes(), QList<int>{code}) << n;
        EXPECT_EQ(ctx->state.toolState, ToolStates::Message) << n;
    }
}

TEST_F(MessageWindowTest, ReadingCanBeCancelledAndTheWindowIsUsableAtOnce)
{
    auto &line = static_cast<SimSerialLink &>(ctx->serialLink());
    auto fake = std::make_unique<FakeMessagePrinter>();
    FakeMessagePrinter *printer = fake.get();
    line.setPeer(std::move(fake));
    ctx->serial().setPortResolver([](int) { return QStringLiteral("sim:"); });
    ctx->state.output.dtrWait = 1;
    ASSERT_TRUE(ctx->channel().openSerialPort());
    printer->messages = {{1, "one"}, {2, "two"}};
    const QString file = path("w.msd");
    writeBytes(file, record("old") + emptyFile(254));
    const QByteArray before = bytesOf(file);
    child<QLineEdit>("Text1")->setText(file);
    child<QLineEdit>("Text2")->setText(QStringLiteral("1"));

    // At the second frame: reading mode is on, and "読み込み中止" cancels.
    QList<bool> enabled;
    printer->readFrame = [&](int index, const QByteArray &f) {
        if (index == 1) {
            EXPECT_EQ(button(4)->text(), QStringLiteral("読み込み中"));
            for (int n = 1; n <= 14; ++n)
                enabled << button(n)->isEnabled();
            click(button(5));
        }
        return f;
    };
    p->script({Answer::Yes});
    click(button(4));
    EXPECT_EQ(p->codes(), (QList<int>{301, 20}));
    EXPECT_EQ(enabled.count(true), 1);
    EXPECT_TRUE(enabled.at(4));
    EXPECT_EQ(bytesOf(file), before);
    EXPECT_EQ(button(4)->text(), QStringLiteral("プリンタから読込"));
    for (int n = 1; n <= 14; ++n)
        EXPECT_TRUE(button(n)->isEnabled()) << n;

    // Again to the end: the list and the current number's content.
    printer->readFrame = nullptr;
    p->clear();
    p->script({Answer::Yes});
    click(button(4));
    EXPECT_EQ(p->codes(), (QList<int>{301, 10}));
    EXPECT_EQ(window->form().savedNumbers, (QList<int>{1, 2}));
    EXPECT_EQ(content(), QStringLiteral("one"));
    EXPECT_EQ(ctx->state.toolState, ToolStates::Message);
}

TEST_F(MessageWindowTest, CopyWindowOpensBelowTheWindowAndCopies)
{
    const QString source = path("a.msd");
    writeBytes(source, record("one") + emptyFile(254));
    click(button(8));
    auto *copy = child<FileCopyWindow>("FileCopy_");
    ASSERT_TRUE(copy->isVisible());
    EXPECT_EQ(copy->windowTitle(), QStringLiteral("ファイルの複写"));
    EXPECT_EQ(copy->pos(), FileCopyWindow::placeBelow(window.get()));

    chosen = source;
    click(child<QPushButton>("Command4", copy)); // 参照 of the source
    EXPECT_EQ(child<QLineEdit>("Text2", copy)->text(), source);
    child<QLineEdit>("Text1", copy)->setText(path("b"));
    p->script({Answer::Yes});
    click(child<QPushButton>("Command1", copy));
    EXPECT_EQ(p->codes(), (QList<int>{350, 18}));
    EXPECT_EQ(bytesOf(path("b.msd")), bytesOf(source));

    click(child<QPushButton>("Command2", copy));
    EXPECT_FALSE(copy->isVisible());
}

TEST_F(MessageWindowTest, BackToMenuKeepsThePositionAndClosesTheOtherWindows)
{
    window->move(200, 120);
    click(button(8));
    click(button(15));
    click(button(9));
    EXPECT_EQ(host.returned, 1);
    EXPECT_EQ(host.settingsClosed, 1);
    EXPECT_EQ(ctx->state.launcherLeft, window->x() * 15);
    EXPECT_EQ(ctx->state.launcherTop, window->y() * 15);
    EXPECT_FALSE(window->findChild<FileCopyWindow *>("FileCopy_")->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window->findChild<QWidget *>("QlmAux"), nullptr);
    EXPECT_EQ(host.quit, 0);
}

TEST_F(MessageWindowTest, CloseBoxShutsTheChannelDownAndEndsTheProgram)
{
    window->close();
    EXPECT_EQ(host.settingsClosed, 1);
    EXPECT_EQ(host.quit, 1);
    EXPECT_EQ(host.returned, 0);
}

using LauncherToolTest = MessageTest;

TEST_F(LauncherToolTest, OpensFromTheLauncherAndGoesBack)
{
    int ended = 0;
    LauncherWindow launcher(*ctx);
    launcher.endProcess = [&ended] { ++ended; };
    launcher.registerTool(Tool::Message,
                          [](AppContext &c, ToolHost &host) -> QWidget * { return new MessageWindow(c, host); });
    launcher.show();
    launcher.openTool(Tool::Message);
    QWidget *tool = launcher.currentTool();
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(tool->objectName(), QStringLiteral("QLM"));
    EXPECT_TRUE(tool->isVisible());
    EXPECT_FALSE(launcher.isVisible());
    EXPECT_EQ(ctx->state.toolState, ToolStates::Message);

    QTest::mouseClick(tool->findChild<QPushButton *>("Command9"), Qt::LeftButton);
    EXPECT_TRUE(launcher.isVisible());
    EXPECT_EQ(ctx->state.toolState, ToolStates::Launcher);
    EXPECT_EQ(launcher.currentTool(), nullptr);

    launcher.openTool(Tool::Message);
    launcher.currentTool()->close();
    EXPECT_EQ(ended, 1);
}

#include "comm/appcontext.h"
#include "shell/ui/launcherwindow.h"
#include "shell/ui/messageboxprompter.h"
#include "support/fakeportio.h"
#include "support/scriptedprompter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

class LauncherWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto prompter = std::make_unique<ScriptedPrompter>();
        auto port = std::make_unique<FakePortIo>();
        p = prompter.get();
        io = port.get();
        ctx = std::make_unique<AppContext>(std::move(prompter), std::move(port));
        ctx->state.programFolder = dir.path();
        window = std::make_unique<LauncherWindow>(*ctx);
        window->endProcess = [this] { ++ended; };
        window->openPage = [this](const QString &path) { opened << path; };
    }
    void click(const char *name)
    {
        auto *w = window->findChild<QWidget *>(QString::fromLatin1(name));
        ASSERT_NE(w, nullptr) << name;
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, 5));
    }

    QTemporaryDir dir;
    ScriptedPrompter *p = nullptr;
    FakePortIo *io = nullptr;
    std::unique_ptr<AppContext> ctx;
    std::unique_ptr<LauncherWindow> window;
    int ended = 0;
    QStringList opened;
};

} // namespace

TEST_F(LauncherWindowTest, ShowsThePanelCaptionsExactly)
{
    const QStringList expected{"WinQLM V1.3 LX-350QLM\r\nメッセージ作成ツール",
                               "WinTQ V1.2 K-2200TQ/K-07\r\nチケット作成ツール",
                               "WinUX V1.3 UX/VUX-350Q\r\n単位設定ツール",
                               "Kestrel V1.3 標準品\r\n印字テスト用ツール ",
                               "Exit\r\nZentrixを終了します",
                               "Drossel V2.3.5\r\n印字データ閲覧ツール",
                               "Palmira V1.1\r\n指紋データ管理ツール"};
    for (int i = 0; i < 7; ++i) {
        auto *label = window->findChild<QLabel *>(QStringLiteral("Label%1").arg(i + 2));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->property("captionText").toString(), expected[i]);
        EXPECT_NE(window->findChild<QWidget *>(QStringLiteral("Frame%1").arg(i + 1)), nullptr);
    }
    EXPECT_EQ(window->windowTitle(), QStringLiteral("メインメニュー"));
    EXPECT_TRUE(window->findChild<QLabel *>("Label1")->text().startsWith("Zentrix  Ver. 1.94\nMay 23 2018\n"));
    EXPECT_EQ(window->findChild<QPushButton *>("Command1")->text(), QStringLiteral("Zentrixについて"));
}

TEST_F(LauncherWindowTest, LoadReadsSettingsStartsParallelAndKeepsTheArgument)
{
    window->load(QStringLiteral("\"12\""));
    EXPECT_EQ(ctx->state.startupArgument, QStringLiteral("12"));
    EXPECT_TRUE(ctx->state.parallelAvailable);
    EXPECT_EQ(io->starts, 1);
    EXPECT_TRUE(QFile::exists(dir.filePath("zentrix.ini")));
    EXPECT_EQ(window->size(), QSize(666, 533));
    EXPECT_TRUE(p->requests.isEmpty());
}

TEST_F(LauncherWindowTest, MissingToolIsReportedNotIgnored)
{
    window->load(QString());
    window->show();
    click("Label3");
    ASSERT_EQ(p->requests.size(), 1);
    EXPECT_EQ(ctx->state.toolState, 0);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(LauncherWindowTest, OpensAToolHidesItselfAndComesBack)
{
    QPointer<QWidget> opened;
    window->registerTool(Tool::Unit, [&](AppContext &, ToolHost &) {
        opened = new QWidget;
        return opened.data();
    });
    ctx->state.output.interfaceName = kInterfaceParallel;
    window->load(QString());
    window->show();
    click("Frame3");
    ASSERT_TRUE(opened);
    EXPECT_TRUE(opened->isVisible());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(ctx->state.toolState, 800);
    EXPECT_EQ(ctx->state.output.interfaceName, kInterfaceSerial);
    window->returnToMenu();
    EXPECT_EQ(ctx->state.toolState, 0);
    EXPECT_TRUE(window->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(opened);
}

TEST_F(LauncherWindowTest, FingerprintToolWarnsAboutAMissingDataFile)
{
    window->registerTool(Tool::Finger, [](AppContext &, ToolHost &) { return new QWidget; });
    window->load(QString());
    window->show();
    click("Frame7");
    ASSERT_EQ(p->requests.size(), 1);
    EXPECT_TRUE(
        p->requests[0].text.startsWith(QStringLiteral("指紋データ管理ファイル FingerData.msd がありません。\r\n\r\n")));
    EXPECT_EQ(ctx->state.toolState, 900);
    window->returnToMenu();

    QDir(dir.path()).mkpath("Finger");
    QFile f(dir.filePath("Finger/FingerData.msd"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    p->clear();
    click("Frame7");
    EXPECT_TRUE(p->requests.isEmpty());
}

TEST_F(LauncherWindowTest, HelpButtonOpensThePageOfTheToolState)
{
    QDir(dir.path()).mkpath("Help");
    QFile f(dir.filePath("Help/ToolHelp.htm"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    window->load(QString());
    click("Command1");
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened[0].endsWith("/Help/ToolHelp.htm"));
}

TEST_F(LauncherWindowTest, ClosingStopsTheDriverAndRemovesTheFontFile)
{
    QFile font(dir.filePath("KZmarugothic.ttf"));
    ASSERT_TRUE(font.open(QIODevice::WriteOnly));
    font.close();
    window->load(QString());
    window->show();
    click("Frame5");
    EXPECT_EQ(io->stops, 1);
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(font.exists());
}

TEST(MessageBoxPrompter, DefaultButtonAndAnswersFollowTheStyle)
{
    MessageBoxPrompter prompter;
    QMessageBox::StandardButton defaultSeen = QMessageBox::NoButton;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        defaultSeen = box->standardButton(box->defaultButton());
        box->button(QMessageBox::Ok)->click();
    });
    PromptRequest req{921, "登録の確認", "指紋が登録されているか確認します。", MessageStyle::fromCode(289), false};
    EXPECT_EQ(prompter.ask(req), Answer::Ok);
    EXPECT_EQ(defaultSeen, QMessageBox::Cancel);

    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        box->button(QMessageBox::Retry)->click();
    });
    EXPECT_EQ(prompter.ask({202, "プリンタの確認", "プリンタがビジー状態です。", MessageStyle::fromCode(69), false}),
              Answer::Retry);

    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        box->reject(); // Escape / close box
    });
    EXPECT_EQ(prompter.ask({202, "プリンタの確認", "プリンタがビジー状態です。", MessageStyle::fromCode(69), false}),
              Answer::Cancel);
}

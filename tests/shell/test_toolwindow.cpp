// What every tool window gets from the platform: the discard question, the
// remembered file, the shortcuts, readable blinking and the status strip.
#include "toolprobe.h"

#include "shell/lastfiles.h"
#include "shell/ui/contrast.h"
#include "shell/ui/statusstrip.h"
#include "shell/ui/trafficwindow.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <memory>
#include <optional>

namespace {

class ToolWindowTest : public ::testing::Test {
protected:
    ToolWindowTest() { QSettings().remove(QStringLiteral("LastFile")); }

    std::unique_ptr<ProbeWindow> open(const QString &name = QStringLiteral("Probe"))
    {
        auto w = std::make_unique<ProbeWindow>(*pc.ctx, host, name);
        w->chooseFile = [this](QWidget *, MsdDialog kind, const QString &current) {
            dialogs.push_back({kind, current});
            return chosen;
        };
        w->show();
        QApplication::setActiveWindow(w.get());
        return w;
    }
    static QAction *toolButton(QWidget *w, int n)
    {
        return w->findChild<QToolBar *>(QStringLiteral("Toolbar1"))
            ->findChild<QAction *>(QStringLiteral("Button%1").arg(n));
    }
    QString touch(const QString &name)
    {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return f.fileName();
    }

    PrinterContext pc{QStringLiteral("message")};
    ProbeHost host;
    QTemporaryDir dir;
    QString chosen;
    std::vector<std::pair<MsdDialog, QString>> dialogs;
};

} // namespace

TEST_F(ToolWindowTest, LeavingWithUnsavedEditsAsksFirstAndNoKeepsEverything)
{
    enum class Leave { CloseBox, Menu };
    struct Row {
        const char *name;
        bool unsaved;
        Leave leave;
        std::optional<Answer> answer;
        bool left;
    };
    const Row rows[] = {
        {"nothing to lose, close box", false, Leave::CloseBox, {}, true},
        {"nothing to lose, menu", false, Leave::Menu, {}, true},
        {"edits, close box, No", true, Leave::CloseBox, Answer::No, false},
        {"edits, close box, Yes", true, Leave::CloseBox, Answer::Yes, true},
        {"edits, menu, No", true, Leave::Menu, Answer::No, false},
        {"edits, menu, Yes", true, Leave::Menu, Answer::Yes, true},
        {"edits, menu, box closed (no answer)", true, Leave::Menu, Answer::None, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        pc.prompter->clear();
        host = ProbeHost{};
        auto w = open();
        w->unsaved = row.unsaved;
        w->box->setText(QStringLiteral("/tmp/kept.msd"));
        if (row.answer)
            pc.prompter->script({*row.answer});
        if (row.leave == Leave::CloseBox)
            w->close();
        else
            w->backToMenu();

        ASSERT_EQ(pc.prompter->requests.size(), row.answer ? 1 : 0);
        if (row.answer) {
            const PromptRequest &q = pc.prompter->requests.first();
            EXPECT_EQ(q.style.buttons, Buttons::YesNo);
            EXPECT_EQ(q.style.defaultButton, 1); // No
            EXPECT_TRUE(q.text.contains(QStringLiteral("破棄")));
        }
        EXPECT_EQ(host.quit + host.returned, row.left ? 1 : 0);
        if (!row.left) {
            EXPECT_TRUE(w->isVisible());
            EXPECT_EQ(w->box->text(), QStringLiteral("/tmp/kept.msd"));
            // Asked again next time, not taken as answered.
            pc.prompter->script({Answer::Yes});
            w->backToMenu();
            EXPECT_EQ(host.returned, 1);
        }
    }
}

TEST_F(ToolWindowTest, TheLastFileComesBackAfterARestart)
{
    enum class Used { Dialog, TypedThenMenu, TypedThenCloseBox };
    struct Row {
        const char *name;
        Used used;
        bool deletedBeforeRestart;
    };
    const Row rows[] = {
        {"chosen in the open dialog", Used::Dialog, false},
        {"typed, back to menu", Used::TypedThenMenu, false},
        {"typed, close box", Used::TypedThenCloseBox, false},
        {"chosen, then deleted", Used::Dialog, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QSettings().remove(QStringLiteral("LastFile"));
        const QString file = touch(QStringLiteral("last%1.msd").arg(int(row.used)));
        {
            auto first = open();
            EXPECT_TRUE(first->box->text().isEmpty());
            if (row.used == Used::Dialog) {
                chosen = file;
                toolButton(first.get(), 2)->trigger();
                EXPECT_EQ(first->opened, 1);
            } else {
                first->box->setText(file);
                if (row.used == Used::TypedThenMenu)
                    first->backToMenu();
                else
                    first->close();
            }
        }
        if (row.deletedBeforeRestart)
            QFile::remove(file);

        // A new run: a new window, the same per-user settings.
        dialogs.clear();
        chosen.clear();
        auto second = open();
        EXPECT_EQ(second->box->text(), row.deletedBeforeRestart ? QString() : file);
        second->box->clear();
        toolButton(second.get(), 3)->trigger();
        ASSERT_EQ(dialogs.size(), 1u);
        EXPECT_EQ(dialogs[0].first, MsdDialog::Save);
        EXPECT_EQ(dialogs[0].second, file); // the dialog starts in its folder

        auto other = open(QStringLiteral("OtherTool"));
        EXPECT_TRUE(other->box->text().isEmpty()) << "each tool has its own";
    }
    EXPECT_EQ(QSettings().value(lastfiles::settingKey(QStringLiteral("Probe"))).toString(), dir.filePath("last0.msd"));
}

TEST_F(ToolWindowTest, KeysReachTheToolbarHelpAndTheTrafficWindow)
{
    struct Row {
        const char *name;
        int key;
        Qt::KeyboardModifiers mods;
        int ProbeWindow::*counter; // or help / traffic below
        std::optional<MsdDialog> dialog;
    };
    const Row rows[] = {
        {"Ctrl+O opens", Qt::Key_O, Qt::ControlModifier, &ProbeWindow::opened, MsdDialog::Open},
        {"Ctrl+S saves", Qt::Key_S, Qt::ControlModifier, &ProbeWindow::saved, MsdDialog::Save},
        {"Ctrl+P prints the list", Qt::Key_P, Qt::ControlModifier, &ProbeWindow::printed, {}},
        {"F1 help", Qt::Key_F1, Qt::NoModifier, nullptr, {}},
        {"Ctrl+L traffic", Qt::Key_L, Qt::ControlModifier, nullptr, {}},
    };
    chosen = dir.filePath(QStringLiteral("k.msd"));
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        host = ProbeHost{};
        dialogs.clear();
        auto w = open();
        QTest::keyClick(w.get(), Qt::Key(row.key), row.mods);
        if (row.counter)
            EXPECT_EQ(w.get()->*row.counter, 1);
        EXPECT_EQ(dialogs.size(), row.dialog ? 1u : 0u);
        if (row.key == Qt::Key_F1)
            EXPECT_EQ(host.help, 1);
        auto *traffic = w->findChild<TrafficWindow *>();
        EXPECT_EQ(traffic != nullptr && traffic->isVisible(), row.key == Qt::Key_L);

        // Busy: the file keys do nothing.
        if (row.counter) {
            w->setBusy(true);
            QTest::keyClick(w.get(), Qt::Key(row.key), row.mods);
            EXPECT_EQ(w.get()->*row.counter, 1);
            w->setBusy(false);
        }
    }
}

TEST_F(ToolWindowTest, BlinkingCaptionsStayReadableInBothPhases)
{
    struct Row {
        const char *name;
        QColor on;
        bool inverted;
    };
    // The colours the tools blink in, and the extremes.
    const Row rows[] = {
        {"light green", QColor(144, 238, 144), false}, {"lawn green, inverted", QColor(124, 252, 0), true},
        {"blue violet", QColor(138, 43, 226), false},  {"tester orange", QColor(255, 192, 128), false},
        {"black", QColor(Qt::black), false},           {"dark blue", QColor(0, 0, 128), true},
    };
    auto w = open();
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        w->setBusy(true, {}, {{w->button, row.on, Qt::white, row.inverted}});
        ASSERT_FALSE(w->button->isEnabled());
        for (int phase = 0; phase < 2; ++phase) {
            const QPalette pal = w->button->palette();
            for (auto group : {QPalette::Active, QPalette::Disabled})
                EXPECT_GE(contrast::ratio(pal.color(group, QPalette::ButtonText), pal.color(QPalette::Button)),
                          contrast::kReadable)
                    << "phase " << phase << " group " << int(group);
            const QColor before = pal.color(QPalette::Button);
            QTRY_VERIFY_WITH_TIMEOUT(w->button->palette().color(QPalette::Button) != before, ToolWindow::kBlinkMs * 3);
        }
        w->setBusy(false);
    }
}

TEST_F(ToolWindowTest, TheStripShowsPortLineDemoLampsAndProgress)
{
    struct Row {
        const char *name;
        qint16 parity;
        bool dsr;
        bool cts;
        QString lineText;
    };
    const Row rows[] = {
        {"both lines, no parity", 0, true, true, QStringLiteral("9600bps パリティなし")},
        {"no DSR, even", 1, false, true, QStringLiteral("9600bps 偶数パリティ")},
        {"no CTS, odd", 2, true, false, QStringLiteral("9600bps 奇数パリティ")},
        {"neither", 0, false, false, QStringLiteral("9600bps パリティなし")},
    };
    auto w = open();
    StatusStrip *strip = w->statusStrip();
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->geometry().top(), w->height() - StatusStrip::kHeight);
    EXPECT_EQ(w->findChild<QWidget *>(QStringLiteral("Block"))->geometry().bottom(), strip->geometry().top() - 1);
    const auto label = [strip](const char *name) { return strip->findChild<QLabel *>(QLatin1String(name)); };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        pc.ctx->state.output.parity = row.parity;
        pc.line->setDsr(row.dsr);
        pc.line->setCts(row.cts);
        strip->refresh();
        EXPECT_EQ(label("StripPort")->text(), QStringLiteral("COM1 → sim:COM1"));
        EXPECT_EQ(label("StripLine")->text(), row.lineText);
        EXPECT_TRUE(label("StripDemo")->isVisible());
        EXPECT_EQ(label("StripDSR")->property("lit").toBool(), row.dsr);
        EXPECT_EQ(label("StripCTS")->property("lit").toBool(), row.cts);
    }

    EXPECT_FALSE(strip->progressShown());
    w->showProgress(7, 255);
    EXPECT_TRUE(strip->progressShown());
    EXPECT_EQ(strip->progressText(), QStringLiteral("7 / 255"));
    w->showProgress(0, 0); // length unknown: a running bar, no numbers
    EXPECT_TRUE(strip->progressShown());
    EXPECT_EQ(strip->progressText(), QString());
    w->endProgress();
    EXPECT_FALSE(strip->progressShown());
}

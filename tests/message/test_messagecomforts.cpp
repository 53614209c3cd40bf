// The message window on the emulated printer: progress in the strip during
// register all and read all, and the discard question before the boxes are
// filled from the file or the printer.
#include "support/printercontext.h"

#include "base/cp932.h"
#include "message/msdfile.h"
#include "message/ui/messagewindow.h"
#include "messageprinter.h"
#include "shell/ui/statusstrip.h"
#include "shell/ui/toolhost.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {

struct QuietHost : ToolHost {
    void returnToMenu() override {}
    void quitFromTool() override {}
    void openHelp() override {}
    void openSettings(QWidget *, bool) override {}
    void closeSettings() override {}
};

class MessageComfortsTest : public ::testing::Test {
protected:
    MessageComfortsTest()
    {
        pc.ctx->state.programFolder = dir.path();
        pc.ctx->state.toolState = ToolStates::Message;
        window = std::make_unique<MessageWindow>(*pc.ctx, host);
        window->show();
        QApplication::setActiveWindow(window.get());
        strip = window->statusStrip();
    }
    template <typename T = QWidget> T *child(const QString &name)
    {
        T *w = window->findChild<T *>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    void click(int n) { child<QPushButton>(QStringLiteral("Command%1").arg(n))->click(); }
    QString file(const QList<int> &numbers)
    {
        const QString path = dir.filePath(QStringLiteral("m.msd"));
        QFile created(path);
        EXPECT_TRUE(created.open(QIODevice::WriteOnly)); // the container writes into a file that is there
        created.close();
        QMap<int, QByteArray> texts;
        for (int n : numbers)
            texts.insert(n, cp932::encode(QStringLiteral("No.%1").arg(n)));
        EXPECT_TRUE(MsdFile(path).writeRecords(texts));
        return path;
    }

    PrinterContext pc{QStringLiteral("message")};
    QTemporaryDir dir;
    QuietHost host;
    std::unique_ptr<MessageWindow> window;
    StatusStrip *strip = nullptr;
};

} // namespace

TEST_F(MessageComfortsTest, RegisterAllCountsEveryMessageOfTheFile)
{
    const QList<int> numbers{1, 2, 5, 17, 100, 254, 255};
    child<QLineEdit>("Text1")->setText(file(numbers));
    QStringList seen;
    const auto shown = window->transfer().showProgress;
    window->transfer().showProgress = [&](const MessageForm &f) {
        shown(f);
        seen << strip->progressText();
    };
    pc.prompter->script({Answer::Yes});
    click(12); // 全登録

    QStringList expected;
    for (int i = 1; i <= numbers.size(); ++i)
        expected << QStringLiteral("%1 / %2").arg(i).arg(numbers.size());
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(pc.printer<sim::MessagePrinter>()->messages().keys(), numbers);
    EXPECT_FALSE(strip->progressShown()) << "gone when the work ends";
}

TEST_F(MessageComfortsTest, ReadAllShowsHowFarThroughThe255ItIs)
{
    auto *printer = pc.printer<sim::MessagePrinter>();
    for (int n : {3, 9, 200})
        printer->setMessage(n, "AB");
    child<QLineEdit>("Text1")->setText(dir.filePath(QStringLiteral("back.msd")));
    QStringList seen;
    int busyCursorSeen = 0;
    OutputChannel &ch = pc.ctx->channel();
    const auto arrived = ch.replyArrived;
    ch.replyArrived = [&](const QByteArray &frame) {
        arrived(frame);
        // Still inside the reply wait.
        if (QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::BusyCursor)
            ++busyCursorSeen;
        if (seen.isEmpty() || seen.last() != strip->progressText())
            seen << strip->progressText();
    };
    pc.prompter->script({Answer::Yes, Answer::Yes}); // create the file, read
    click(4);                                        // プリンタから読込

    EXPECT_EQ(seen, (QStringList{"3 / 255", "9 / 255", "200 / 255"}));
    EXPECT_EQ(busyCursorSeen, 4); // three messages and the end frame
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the cursor comes back";
    EXPECT_EQ(MsdFile(dir.filePath(QStringLiteral("back.msd"))).occupiedNumbers(), (QList<int>{3, 9, 200}));
    EXPECT_FALSE(strip->progressShown());
}

TEST_F(MessageComfortsTest, UnsavedContentIsAskedForBeforeTheFileOrPrinterReplacesIt)
{
    struct Row {
        const char *name;
        bool saveFirst;
        int command; // 1 open, 4 read all, 12 register all, or 0: a list click
        std::optional<Answer> discard;
        bool replaced;
    };
    const Row rows[] = {
        {"open, No keeps the edit", false, 1, Answer::No, false},
        {"open, Yes", false, 1, Answer::Yes, true},
        {"list click, No", false, 0, Answer::No, false},
        {"read all, No: nothing is sent", false, 4, Answer::No, false},
        {"register all, No: nothing is sent", false, 12, Answer::No, false},
        {"saved edit: no question", true, 1, {}, true},
    };
    const QString path = file({1, 2});
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        auto *text3 = child<QPlainTextEdit>("Text3");
        child<QLineEdit>("Text1")->setText(path);
        pc.prompter->clear();
        click(1); // open: the list comes back, nothing edited yet
        child<QLineEdit>("Text2")->setText(QStringLiteral("7"));
        text3->setFocus();
        QTest::keyClicks(text3, "EDIT");
        if (row.saveFirst) {
            pc.prompter->script({Answer::Yes});
            click(2); // ファイルに保存
        }
        const int sentBefore = int(pc.printer<sim::MessagePrinter>()->messages().size());
        pc.prompter->clear();
        if (row.discard)
            pc.prompter->script({*row.discard});
        if (row.command == 0) {
            auto *list = child<QListWidget>("List1");
            ASSERT_GT(list->count(), 0);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        } else {
            click(row.command);
        }
        if (row.discard) {
            ASSERT_FALSE(pc.prompter->requests.isEmpty());
            EXPECT_EQ(pc.prompter->requests.first().code, 0);
            EXPECT_EQ(pc.prompter->requests.first().style.defaultButton, 1);
        } else {
            for (const PromptRequest &r : pc.prompter->requests)
                EXPECT_FALSE(r.text.contains(QStringLiteral("破棄")));
        }
        if (!row.replaced) {
            EXPECT_EQ(pc.prompter->requests.size(), 1) << "nothing after the No";
            EXPECT_EQ(window->form().content, QStringLiteral("EDIT"));
            EXPECT_EQ(int(pc.printer<sim::MessagePrinter>()->messages().size()), sentBefore);
        }
        // Leave the row with nothing unsaved.
        text3->clear();
    }
}

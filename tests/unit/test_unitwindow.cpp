// The unit-setting window, its selection dialog and sub menu, driven by
// object name against the emulated unit-setting printer.
#include "support/dialogsteps.h"
#include "support/printercontext.h"

#include "base/catalogcodes.h"
#include "shell/ui/statusstrip.h"
#include "shell/ui/toolhost.h"
#include "unit/ui/unitwindow.h"
#include "unit/ui/uxnumdialog.h"
#include "unit/unitwire.h"
#include "unitprinter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace unit;

namespace {

struct FakeHost : ToolHost {
    void returnToMenu() override {}
    void quitFromTool() override {}
    void openHelp() override {}
    void openSettings(QWidget *, bool) override {}
    void closeSettings() override {}
};

class UnitWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ChannelTimes t;
        t.replyMs = 300;
        t.replyLongMs = 300;
        pc.ctx->channel().setTimes(t);
        pc.ctx->state.output.replyWait = 300;
        pc.ctx->state.toolState = UnitStates::Idle;
        pc.ctx->state.programFolder = dir.path();
        window = std::make_unique<UnitWindow>(*pc.ctx, host);
        window->show();
        printer = pc.printer<sim::UnitPrinter>();
        ASSERT_NE(printer, nullptr);
    }

    template <typename T = QWidget> T *child(const QString &name, QObject *in = nullptr)
    {
        T *w = (in ? in : window.get())->findChild<T *>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QPushButton *command(int index) { return child<QPushButton>(QStringLiteral("Command1_%1").arg(index)); }
    void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, 5)); }
    // Answers the selection dialog once it shows: each step runs on it in turn.
    void onDialog(std::function<void(UxNumDialog *)> steps)
    {
        ::onDialog<UxNumDialog>(window.get(), QStringLiteral("UxNum"), std::move(steps));
    }

    QTemporaryDir dir;
    PrinterContext pc{QStringLiteral("unit")};
    FakeHost host;
    std::unique_ptr<UnitWindow> window;
    sim::UnitPrinter *printer = nullptr;
};

} // namespace

TEST_F(UnitWindowTest, ReadThroughTheDialogFillsTheChannelRow)
{
    auto &c = printer->channel(3);
    c.name = "SCALE3 ";
    c.decimalPoint = '4';
    c.unit = "t    ";
    c.rate = "05";
    onDialog([this](UxNumDialog *d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("プリンタから読込"));
        // No model yet: 825 even with a number; channel 9 is out of range.
        child<QLineEdit>("Text1", d)->setText("3");
        click(child<QPushButton>("Command1", d));
        child<QRadioButton>("Option1", d)->setChecked(true);
        child<QLineEdit>("Text1", d)->setText("9");
        click(child<QPushButton>("Command1", d));
        child<QLineEdit>("Text1", d)->setText("3");
        click(child<QPushButton>("Command1", d));
    });
    click(command(3));
    EXPECT_EQ(pc.prompter->codes(), (QList<int>{msg::ChoosePrinter, msg::BadNumber, msg::UnitRead}));
    EXPECT_EQ(child<QLineEdit>("Text3_3")->text(), QStringLiteral("SCALE3^"));
    EXPECT_EQ(child<QComboBox>("Combo1_3")->currentText(), QStringLiteral("12.3456"));
    EXPECT_EQ(child<QLineEdit>("Text4_3")->text(), QStringLiteral("t"));
    EXPECT_EQ(child<QLineEdit>("Text5_3")->text(), QStringLiteral("5"));
    EXPECT_EQ(child<QLineEdit>("Text5_2")->text(), QStringLiteral("1")) << "other rows untouched";
    EXPECT_EQ(pc.ctx->state.toolState, UnitStates::Idle);
    EXPECT_TRUE(command(3)->isEnabled());
}

TEST_F(UnitWindowTest, CancelAndCloseBoxSendNothing)
{
    onDialog([this](UxNumDialog *d) { click(child<QPushButton>("Command2", d)); });
    click(command(3));
    onDialog([](UxNumDialog *d) { d->close(); });
    click(command(4));
    EXPECT_TRUE(pc.prompter->codes().isEmpty());
    EXPECT_EQ(printer->channel(1).rate, "01");
    EXPECT_EQ(pc.ctx->state.toolState, UnitStates::Idle);
}

TEST_F(UnitWindowTest, RegisterFocusesTheOffendingBoxOrRegisters)
{
    window->choose = [] { return std::optional(Chosen{Model::Vux, 2}); };
    child<QLineEdit>("Text5_2")->setText("100");
    click(command(4));
    EXPECT_EQ(pc.prompter->codes(), QList<int>{msg::BadRate});
    EXPECT_EQ(QApplication::focusWidget(), child<QLineEdit>("Text5_2"));

    pc.prompter->clear();
    child<QLineEdit>("Text5_2")->setText("7");
    child<QLineEdit>("Text6_2")->setText("123");
    QTest::keyClicks(child<QLineEdit>("Text3_2"), "A B");
    EXPECT_EQ(child<QLineEdit>("Text3_2")->text(), QStringLiteral("A^B")) << "spaces shown as marks";
    click(command(4));
    EXPECT_EQ(pc.prompter->codes(), QList<int>{msg::UnitRegistered});
    EXPECT_EQ(printer->channel(2).name, "A B    ");
    EXPECT_EQ(printer->channel(2).rate, "07");
    EXPECT_EQ(printer->channel(2).compare, "000123");
}

TEST_F(UnitWindowTest, SaveAndOpenASetThroughTheFile)
{
    const QString file = dir.filePath("ux.msd");
    child<QLineEdit>("Text1")->setText(file);
    child<QComboBox>("Combo2_1")->setCurrentIndex(5);
    child<QComboBox>("Combo3")->setCurrentIndex(2);
    child<QLineEdit>("Text7")->setText("kg");
    window->choose = [] { return std::optional(Chosen{Model::Ux, 25}); };
    pc.prompter->script({Answer::Yes}); // create the file
    click(command(1));
    EXPECT_EQ(pc.prompter->codes().last(), msg::Saved);

    child<QComboBox>("Combo2_1")->setCurrentIndex(0);
    child<QLineEdit>("Text7")->clear();
    pc.prompter->clear();
    pc.prompter->script({Answer::Yes}); // the changes since the save may go
    click(command(0));
    EXPECT_EQ(child<QComboBox>("Combo2_1")->currentText(), uxPatterns().at(5));
    EXPECT_EQ(child<QComboBox>("Combo3")->currentText(), indicators().at(2));
    EXPECT_EQ(child<QLineEdit>("Text7")->text(), QStringLiteral("kg"));
}

TEST_F(UnitWindowTest, SubMenuResetsTotalsAndGivesTheWindowBack)
{
    click(command(6));
    auto *sub = window->findChild<QWidget *>(QStringLiteral("UxSub"));
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->windowTitle(), QStringLiteral("UXサブメニュー"));
    EXPECT_FALSE(window->isEnabled());
    EXPECT_TRUE(sub->isEnabled());
    EXPECT_EQ(pc.ctx->state.toolState, UnitStates::SubMenu);

    pc.prompter->script({Answer::Yes});
    click(child<QPushButton>("Command1", sub));
    EXPECT_EQ(printer->resets(), 1);
    EXPECT_EQ(pc.prompter->codes(), (QList<int>{msg::AskResetTotals, msg::TotalsReset}));
    EXPECT_EQ(pc.ctx->state.toolState, UnitStates::SubMenu);

    click(child<QPushButton>("Command4", sub));
    EXPECT_TRUE(window->isEnabled());
    EXPECT_EQ(pc.ctx->state.toolState, UnitStates::Idle);
}

TEST_F(UnitWindowTest, ReadShowsItsItemsInTheStripAndAsksBeforeReplacingEdits)
{
    struct Row {
        const char *name;
        bool edited;
        Answer discard;
        bool read;
    };
    const Row rows[] = {
        {"nothing edited: no question", false, Answer::None, true},
        {"edited, No keeps the boxes", true, Answer::No, false},
        {"edited, Yes reads", true, Answer::Yes, true},
    };
    printer->channel(2).name = "LOADER ";
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        pc.prompter->clear();
        child<QLineEdit>("Text3_2")->setText(row.edited ? QStringLiteral("MINE") : QString());
        if (row.edited)
            pc.prompter->script({row.discard});
        QStringList seen;
        const auto shown = window->transfer().showProgress;
        window->transfer().showProgress = [&](const UnitSettings &s) {
            shown(s);
            seen << window->statusStrip()->progressText();
        };
        window->choose = [] { return std::optional(Chosen{Model::Vux, 2}); };
        click(command(3));
        window->transfer().showProgress = shown;

        EXPECT_EQ(child<QLineEdit>("Text3_2")->text(), row.read ? QStringLiteral("LOADER^") : QStringLiteral("MINE"));
        if (row.read) {
            const int total = int(itemsOf(Model::Vux, 2).size());
            ASSERT_EQ(seen.size(), total);
            EXPECT_EQ(seen.first(), QStringLiteral("1 / %1").arg(total));
            EXPECT_EQ(seen.last(), QStringLiteral("%1 / %1").arg(total));
        } else {
            EXPECT_TRUE(seen.isEmpty());
            EXPECT_EQ(pc.prompter->requests.size(), 1);
        }
        EXPECT_FALSE(window->statusStrip()->progressShown());
    }
}

// The printer settings of the ticket tool against the emulated ticket
// printer, both models, with the printer's replies and their faults; and
// the ticket window driven by object name.
#include "tickettest.h"

#include "support/dialogsteps.h"
#include "support/printercontext.h"
#include "support/replyfaults.h"

#include "comm/eventwait.h"
#include "comm/outputchannel.h"
#include "comm/receiveframing.h"
#include "comm/simseriallink.h"
#include "message/msdfile.h"
#include "shell/ui/toolhost.h"
#include "ticket/ticketconversion.h"
#include "ticket/ticketfileoperations.h"
#include "ticket/ticketprintersettings.h"
#include "ticket/ui/ticketdialogs.h"
#include "ticket/ui/ticketwindow.h"
#include "ticketprinter.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

constexpr int kReplyMs = 150;

using Model = sim::TicketPrinter::Model;

struct Setting {
    const char *label;
    qint16 state; // 624: enable ("0") or disable by number 1
    int number;
    bool raw;
    const char *sent;  // everything the printer receives
    const char *reply; // the printer's answer
    int done;
};

// Bytes as the ticket printer's command table gives them.
const Setting kSettings[] = {
    {"K-07 start number 25", 621, 25, true, "135a3100 1346 30303235 00 135a3000", "1366 30303235 00", 621},
    {"K-2200TQ start number 1", 621, 1, false, "1346 30303031 00", "1366 30303031 00", 621},
    {"K-07 next number 9999", 622, 9999, true, "135a3100 1347 39393939 00 135a3000", "1367 39393939 00", 622},
    {"K-2200TQ next number 120", 622, 120, false, "1347 30313230 00", "1367 30313230 00", 622},
    {"K-07 delete 12", 615, 12, true, "135a3100 1341 0c 00 135a3000", "1361 0c 00", 615},
    {"K-2200TQ delete 4", 615, 4, false, "1341 34 00", "1361 34 00", 615},
    {"K-07 issue test 3", 616, 3, true, "135a3100 1343 03 00 135a3000", "1363 03 30 00", 616},
    {"K-2200TQ issue test 3", 616, 3, false, "1343 33 00", "1363 33 00", 616},
    {"K-07 content to issue 99", 623, 99, true, "135a3100 1349 63 00 135a3000", "1369 63 30 00", 623},
    {"K-2200TQ content to issue 2", 623, 2, false, "1349 32 00", "1369 32 00", 623},
    {"K-07 issue enable", 624, 0, true, "1348 30 00", "1368 30 00", 624},
    {"K-2200TQ issue disable", 624, 1, false, "1348 31 00", "1368 31 00", 624},
};

QByteArray bytes(const char *spaced) { return QByteArray::fromHex(QByteArray(spaced).replace(' ', "")); }

class TicketSettingsTest : public ::testing::Test {
protected:
    TicketSettingsTest() : pc("ticket"), settings(*pc.ctx, [this] { return raw; })
    {
        ChannelTimes t = pc.ctx->channel().times();
        t.replyMs = kReplyMs;
        t.dsrMs = kReplyMs;
        pc.ctx->channel().setTimes(t);
        pc.ctx->state.toolState = 600;
        EXPECT_TRUE(pc.ctx->channel().openSerialPort());
        printer = pc.printer<sim::TicketPrinter>();
    }

    bool run(const Setting &s)
    {
        raw = s.raw;
        printer->setModel(s.raw ? Model::K07 : Model::K2200TQ);
        pc.ctx->state.toolState = s.state;
        return s.state == 624 ? settings.setIssueEnable(s.number == 0) : settings.run(s.number);
    }

    PrinterContext pc;
    bool raw = true;
    TicketPrinterSettings settings;
    sim::TicketPrinter *printer = nullptr;
};

TEST_F(TicketSettingsTest, EachSettingSendsThePrinterBytesAndConfirmsTheReply)
{
    for (const Setting &s : kSettings) {
        pc.prompter->clear();
        pc.line->clearWritten();
        QByteArray replied;
        pc.line->setReplyFilter([&](const QByteArray &b) {
            replied += b;
            return b;
        });
        EXPECT_TRUE(run(s)) << s.label;
        EXPECT_EQ(pc.line->written(), bytes(s.sent)) << s.label;
        EXPECT_EQ(replied, bytes(s.reply)) << s.label;
        EXPECT_EQ(pc.prompter->codes(), QList<int>{s.done}) << s.label;
        EXPECT_EQ(pc.ctx->state.toolState, s.state) << s.label;
    }
    EXPECT_EQ(printer->startNumber(), 1);
    EXPECT_EQ(printer->nextNumber(), 120);
    EXPECT_EQ(printer->contentToIssue(), 2);
    EXPECT_FALSE(printer->issueEnabled());
    EXPECT_EQ(printer->issued(), (QList<int>{3, 3}));
    EXPECT_FALSE(printer->bracketOpen());
}

TEST_F(TicketSettingsTest, EveryReplyFaultIsJudgedForEverySetting)
{
    for (const Setting &s : kSettings) {
        for (const ReplyFault &f : replyFaults(bytes(s.reply))) {
            const std::string label = std::string(s.label) + ": " + f.label.toStdString();
            pc.prompter->clear();
            pc.line->setReplyFilter(replyInPlace(*pc.line, f, 2, kReplyMs));
            // The issue test's framing looks for the DC3 first: noise before it is
            // no fault there.
            const bool ok = f.ok || (s.state == 616 && f.label == QStringLiteral("garbage first"));
            EXPECT_EQ(run(s), ok) << label;
            EXPECT_EQ(pc.prompter->codes(), QList<int>{ok ? s.done : 631}) << label;
            pc.line->setReplyFilter(nullptr);
            if (f.inPieces)
                eventwait::waitMs(kReplyMs); // late pieces out of the way
        }
    }
}

// The issue test of "K-2200TQ" is answered with four bytes: the framing
// completes on them and the compare stops at the NUL; "K-07" keeps five.
TEST(TicketIssueTestFraming, CompletesOnTheFourByteReplyOfK2200TQ)
{
    const struct {
        const char *chunks[2];
        bool complete;
        const char *frame;
    } kCases[] = {
        {{"136333", "00"}, true, "13633300"},
        {{"1363", "033000"}, true, "1363033000"},
        {{"13630330", ""}, false, ""},
        {{"aa13", "633300"}, true, "13633300"},
    };
    for (const auto &c : kCases) {
        ReceiveState rx;
        for (const char *chunk : c.chunks)
            framing::feed(rx, 616, QByteArray::fromHex(chunk));
        EXPECT_EQ(rx.replyComplete, c.complete) << c.chunks[0];
        if (c.complete) {
            EXPECT_EQ(rx.bytes.left(QByteArray::fromHex(c.frame).size()), QByteArray::fromHex(c.frame));
        }
    }
}

TEST_F(TicketSettingsTest, NoSettingWithoutDsrAndNothingAfterTheCancel)
{
    printer->setDsr(false);
    pc.prompter->script({Answer::Cancel, Answer::Cancel});
    const Setting &s = kSettings[1]; // K-2200TQ start number
    pc.line->clearWritten();
    EXPECT_FALSE(run(s));
    EXPECT_TRUE(pc.line->written().isEmpty());
    EXPECT_EQ(printer->startNumber(), 1);
    EXPECT_FALSE(pc.prompter->codes().contains(631));
}

// ---- the window -----------------------------------------------------------

struct FakeHost : ToolHost {
    void returnToMenu() override {}
    void quitFromTool() override {}
    void openHelp() override {}
    void openSettings(QWidget *, bool) override {}
    void closeSettings() override {}
};

class TicketWindowTest : public TicketSettingsTest {
protected:
    TicketWindowTest()
    {
        window = std::make_unique<TicketWindow>(*pc.ctx, host);
        window->show();
    }
    template <typename T = QWidget> T *child(const QString &name, QWidget *in = nullptr)
    {
        T *w = (in ? in : window.get())->findChild<T *>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QLineEdit *line(int k) { return child<QLineEdit>(QStringLiteral("Text3_%1").arg(k)); }
    void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, 5)); }
    // What to do in the number dialog once it is up.
    void inDialog(const std::function<void(TicketNumberDialog *)> &act)
    {
        QTimer::singleShot(0, window.get(), [this, act] {
            auto *d = window->findChild<TicketNumberDialog *>(QStringLiteral("TqNum"));
            ASSERT_NE(d, nullptr);
            act(d);
        });
    }

    FakeHost host;
    std::unique_ptr<TicketWindow> window;
};

TEST_F(TicketWindowTest, CancelledDialogsLeaveFileWindowAndPrinterUnchanged)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("t.msd"));
    child<QLineEdit>("Text1")->setText(file);
    line(1)->setText(QStringLiteral("AB"));
    pc.prompter->clear();
    // The open asks first whether the edited line may go (Yes), then creates
    // the file.
    pc.prompter->script({Answer::Yes, Answer::Yes});
    for (const char *button : {"Command1_0", "Command1_1", "Command1_2", "Command1_5", "Command1_6"}) {
        pc.line->clearWritten();
        inDialog([this](TicketNumberDialog *d) { click(d->findChild<QPushButton *>(QStringLiteral("Command2"))); });
        click(child<QPushButton>(QString::fromLatin1(button)));
        eventwait::waitMs(20);
        EXPECT_EQ(window->findChild<TicketNumberDialog *>(), nullptr) << button;
        EXPECT_EQ(line(1)->text(), QStringLiteral("AB")) << button;
        EXPECT_EQ(pc.ctx->state.toolState, 600) << button;
        EXPECT_TRUE(pc.line->written().isEmpty()) << button;
    }
    EXPECT_EQ(pc.prompter->codes(), (QList<int>{0, 350}));
    EXPECT_TRUE(MsdFile(file).occupiedNumbers().isEmpty());
    EXPECT_TRUE(child<QPushButton>("Command1_0")->isEnabled());
}

TEST_F(TicketWindowTest, EditedLinesAreOnlyLostAfterYes)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("t.msd"));
    child<QLineEdit>("Text1")->setText(file);
    line(1)->setText(QStringLiteral("AB"));
    pc.prompter->clear();
    pc.prompter->script({Answer::No});
    for (const char *button : {"Command1_0", "Command1_3"}) { // open, read from the printer
        pc.line->clearWritten();
        click(child<QPushButton>(QString::fromLatin1(button)));
        EXPECT_EQ(line(1)->text(), QStringLiteral("AB")) << button;
        EXPECT_TRUE(pc.line->written().isEmpty()) << button;
        pc.prompter->script({Answer::No});
    }
    EXPECT_EQ(pc.prompter->codes(), (QList<int>{0, 0}));
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_TRUE(window->close() == false) << "the close box asks too";
}

TEST_F(TicketWindowTest, IssueTestFromTheWindowWithK2200TQ)
{
    child<QComboBox>("Combo1")->setCurrentText(QStringLiteral("K-2200TQ"));
    printer->setModel(Model::K2200TQ);
    pc.prompter->clear();
    QList<int> codesBeforeClose;
    inDialog([&](TicketNumberDialog *d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("TQ発券テスト"));
        auto *box = d->findChild<QLineEdit *>(QStringLiteral("Text1"));
        box->setText(QStringLiteral("5"));
        d->ok(); // out of 1-4: 630, stays open
        box->setText(QStringLiteral("3"));
        d->ok();
    });
    click(child<QPushButton>("Command1_6"));
    eventwait::pumpUntil([this] { return !window->findChild<TicketNumberDialog *>(); });
    EXPECT_EQ(printer->issued(), QList<int>{3});
    EXPECT_EQ(pc.prompter->codes(), (QList<int>{630, 616}));
    EXPECT_EQ(pc.ctx->state.toolState, 600);
}

TEST_F(TicketWindowTest, SaveAndOpenShowTheNumberInTheHeaderAndEnterEndsTheLine)
{
    QTemporaryDir dir;
    child<QLineEdit>("Text1")->setText(dir.filePath(QStringLiteral("t.msd")));
    line(2)->setFocus();
    line(2)->setText(QStringLiteral("AB CD"));
    line(2)->setCursorPosition(2);
    QTest::keyClick(line(2), Qt::Key_Return);
    EXPECT_EQ(line(2)->text(), QStringLiteral("AB↓"));
    EXPECT_TRUE(line(3)->hasFocus() || !QApplication::focusWidget());
    inDialog([](TicketNumberDialog *d) {
        d->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(QStringLiteral("7"));
        d->ok();
    });
    pc.prompter->script({Answer::Yes}); // a new file
    click(child<QPushButton>("Command1_1"));
    EXPECT_EQ(child<QLabel>("Label4")->text().mid(16, 2), QStringLiteral("07"));
    line(2)->clear();
    inDialog([](TicketNumberDialog *d) {
        d->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(QStringLiteral("7"));
        d->ok();
    });
    pc.prompter->script({Answer::Yes}); // the cleared line may go
    click(child<QPushButton>("Command1_0"));
    EXPECT_EQ(line(2)->text(), QStringLiteral("AB↓"));
    EXPECT_EQ(pc.prompter->codes(), (QList<int>{350, 634, 0}));
}

// A new user's round: read what the printer holds (a barcode gives the
// height), compose with every placeholder, register as 5, clear, read 5.
TEST_F(TicketWindowTest, ReadRegisterClearAndReadBackThroughTheButtons)
{
    ChannelTimes t = pc.ctx->channel().times();
    t.replyLongMs = 300;
    pc.ctx->channel().setTimes(t);
    printer->setContent(1,
                        {QByteArray::fromHex("1c65 3232 41420d4344"), QByteArray::fromHex("1c65 3131 1d6838 135300")});
    // The dialog comes after the line checks: answer it once it is up.
    const auto choose = [this](const char *n) {
        onDialog<TicketNumberDialog>(window.get(), QStringLiteral("TqNum"), [n](TicketNumberDialog *d) {
            d->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(QString::fromLatin1(n));
            d->ok();
        });
    };
    auto mag = [this](int k) { return child<QLineEdit>(QStringLiteral("Text4_%1").arg(k)); };
    pc.prompter->clear();
    choose("1");
    click(child<QPushButton>("Command1_3"));
    // Loaded as read: the line end inside line 2 is not cut by the editing.
    EXPECT_EQ(line(1)->text(), QStringLiteral("#バーコード印字#"));
    EXPECT_EQ(line(2)->text(), QStringLiteral("AB↓CD"));
    EXPECT_EQ(mag(2)->text(), QStringLiteral("2x2"));
    EXPECT_EQ(window->barcodeHeight(), 56);

    const QStringList placeholders = ticketconversion::placeholders();
    for (int k = 1; k <= 16; ++k) {
        line(k)->setText(k <= placeholders.size() ? QStringLiteral("No.") + placeholders[k - 1] : QString());
        mag(k)->setText(QStringLiteral("%1x%2").arg(1 + k % 4).arg(1 + k / 4 % 4));
    }
    choose("5");
    click(child<QPushButton>("Command1_4"));
    EXPECT_EQ(child<QLabel>("Label4")->text().mid(16, 2), QStringLiteral("05"));
    // Line 8 went first and line 1 last, each as STX FS "e" A B text.
    const QList<QByteArray> stored = printer->contents().value(5);
    ASSERT_EQ(stored.size(), 8);
    EXPECT_EQ(stored.last(), QByteArray::fromHex("1c65 3231 4e6f2e 1b4a48"));
    EXPECT_EQ(stored.first(), QByteArray::fromHex("1c65 3133 4e6f2e 13544a3400"));

    for (int k = 1; k <= 16; ++k) {
        line(k)->clear();
        mag(k)->setText(QStringLiteral("1x1"));
    }
    choose("5");
    pc.prompter->script({Answer::Yes}); // registering is no save: the cleared lines may go
    click(child<QPushButton>("Command1_3"));
    for (int k = 1; k <= 16; ++k) {
        EXPECT_EQ(line(k)->text(), k <= placeholders.size() ? QStringLiteral("No.") + placeholders[k - 1] : QString())
            << k;
        EXPECT_EQ(mag(k)->text(), k <= placeholders.size() ? QStringLiteral("%1x%2").arg(1 + k % 4).arg(1 + k / 4 % 4)
                                                           : QStringLiteral("1x1"))
            << k;
    }
    EXPECT_EQ(pc.prompter->codes(), (QList<int>{613, 614, 0, 613}));
    EXPECT_EQ(pc.ctx->state.toolState, 600);
    EXPECT_TRUE(child<QPushButton>("Command1_4")->isEnabled());
}

} // namespace

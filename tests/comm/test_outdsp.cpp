// The output display monitor over the in-process line: records pushed as
// the printer would send them, the window driven by object name.
#include "comm/eventwait.h"
#include "comm/ui/outputdisplaywindow.h"
#include "commfixture.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {

QByteArray ticketRecord(char code, int n)
{
    // Day, hour, minute, second from n, so every record is told apart.
    return QByteArray(1, code) + QByteArray::number(10 + n % 90).rightJustified(2, '0') + "123045" + '\0';
}

QString ticketLine(const QString &text, int n)
{
    return QStringLiteral("%1日12時30分45秒　").arg(10 + n % 90, 2, 10, QChar(u'0')) + text;
}

} // namespace

class OutDspTest : public CommTest {
protected:
    void SetUp() override
    {
        CommTest::SetUp();
        ASSERT_TRUE(open());
    }
    void TearDown() override { delete window.data(); }

    OutputDisplayWindow *openWindow(qint16 toolState, OutputDisplayWindow::Options options = {})
    {
        st().toolState = toolState;
        window = OutputDisplayWindow::open(*ctx, options);
        return window;
    }

    // Waits, with events running, until the display holds n lines (at most 2 s).
    bool waitForLines(int n)
    {
        QElapsedTimer clock;
        clock.start();
        eventwait::pumpUntil([&] { return window->lines().size() >= n || clock.hasExpired(2000); });
        return window->lines().size() == n;
    }

    QPointer<OutputDisplayWindow> window;
};

TEST_F(OutDspTest, OpensCentredWithCaptionColourAndAnEmptyReceiveState)
{
    ch().rx().text = "stale";
    ch().rx().replyComplete = true;
    ch().rx().monitor.put("Zold");
    OutputDisplayWindow::Options options;
    options.background = QColor(0xC0, 0xFF, 0xC0);
    openWindow(626, options);

    EXPECT_EQ(window->objectName(), QStringLiteral("OutDsp"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("出力表示"));
    EXPECT_EQ(window->palette().color(QPalette::Window), options.background);
    EXPECT_EQ(window->findChild<QPushButton *>(QStringLiteral("Command1"))->text(), QStringLiteral("キャンセル"));
    EXPECT_EQ(window->findChild<QTimer *>(QStringLiteral("Timer1"))->interval(), 10);
    const QPoint centre = window->screen()->availableGeometry().center();
    EXPECT_LE((window->frameGeometry().center() - centre).manhattanLength(), 2);

    EXPECT_TRUE(ch().rx().text.isEmpty());
    EXPECT_FALSE(ch().rx().replyComplete);
    EXPECT_TRUE(ch().rx().monitor.queue.empty());
    EXPECT_EQ(ch().rx().monitor.writeSlot, 1);
    EXPECT_TRUE(window->lines().isEmpty());
}

TEST_F(OutDspTest, ShowsTicketRecordsInJapaneseAsTheyArrive)
{
    openWindow(626);
    // One record cut across two events, then the number record.
    link->sendToHost(QByteArray("Z0512", 5));
    link->sendToHost(QByteArray("3045\0N05123046", 14), 5);
    link->sendToHost(QByteArray("0042\0", 5), 10);
    ASSERT_TRUE(waitForLines(2));
    EXPECT_EQ(window->lines(), (QStringList{QStringLiteral("05日12時30分45秒　電源　ＯＮ"),
                                            QStringLiteral("05日12時30分46秒　0042番発券開始")}));
    // The newest line is where the caret is.
    auto *text = window->findChild<QPlainTextEdit *>(QStringLiteral("Text1"));
    EXPECT_TRUE(text->textCursor().atEnd());
    EXPECT_TRUE(text->isReadOnly());
}

TEST_F(OutDspTest, BurstInOneChunkIsShownOnceInOrder)
{
    openWindow(626);
    QByteArray burst;
    QStringList expected;
    const char codes[] = "ZKkSsXxEeHhTCFOPn";
    for (int i = 0; i < 50; ++i) {
        burst += ticketRecord(codes[i % 17], i);
        expected << ticketLine(statusrecords::eventText(statusrecords::Printer::Ticket, codes[i % 17]), i);
    }
    link->sendToHost(burst);
    ASSERT_TRUE(waitForLines(50));
    EXPECT_EQ(window->lines(), expected);
    // Shown in one tick; an idle monitor keeps no timer running.
    EXPECT_FALSE(window->findChild<QTimer *>(QStringLiteral("Timer1"))->isActive());
    // Nothing is shown a second time by later ticks or events.
    link->sendToHost(ticketRecord('e', 50), 20);
    ASSERT_TRUE(waitForLines(51));
    eventwait::waitMs(30);
    EXPECT_EQ(window->lines().size(), 51);
    EXPECT_EQ(window->lines().last(), ticketLine(QStringLiteral("ペーパーエンド解除"), 50));
}

TEST_F(OutDspTest, HundredthRecordDropsTheOldestLine)
{
    openWindow(626);
    for (int i = 0; i < 99; ++i)
        link->sendToHost(ticketRecord('Z', i), i % 3);
    ASSERT_TRUE(waitForLines(99));
    EXPECT_EQ(window->lines().first(), ticketLine(QStringLiteral("電源　ＯＮ"), 0));

    link->sendToHost(ticketRecord('E', 99));
    QElapsedTimer clock;
    clock.start();
    eventwait::pumpUntil([&] { return window->lines().last().endsWith(u"発生") || clock.hasExpired(2000); });
    const QStringList lines = window->lines();
    ASSERT_EQ(lines.size(), 99);
    EXPECT_EQ(lines.first(), ticketLine(QStringLiteral("電源　ＯＮ"), 1));
    EXPECT_EQ(lines.last(), ticketLine(QStringLiteral("ペーパーエンド発生"), 99));
}

TEST_F(OutDspTest, UnitPrintersUseTheirTableAndTheChosenLayout)
{
    OutputDisplayWindow::Options vux;
    vux.unitModel = statusrecords::UnitModel::Vux;
    openWindow(872, vux);
    link->sendToHost(QByteArray("M05123045\0A05123046\r1.5\r2.5\r\0", 29));
    ASSERT_TRUE(waitForLines(4));
    EXPECT_EQ(window->lines(), (QStringList{QStringLiteral("05日12時30分45秒　印字メカニズム故障"),
                                            QStringLiteral("05日12時30分46秒　データ印字"),
                                            QStringLiteral("        CH.1-1.5"), QStringLiteral("        CH.2-2.5")}));
    window->close();

    OutputDisplayWindow::Options ux;
    ux.unitModel = statusrecords::UnitModel::Ux;
    openWindow(873, ux);
    link->sendToHost(QByteArray("A05123047\r1.5\r2.5\r\0", 19));
    ASSERT_TRUE(waitForLines(1));
    EXPECT_EQ(window->lines(), QStringList{QStringLiteral("05日12時30分47秒　DATA 1.5DATA 2.5")});
}

TEST_F(OutDspTest, CancelReturnsToTheOpeningToolAndStopsListening)
{
    openWindow(626);
    link->sendToHost(ticketRecord('Z', 1));
    ASSERT_TRUE(waitForLines(1));
    window->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    eventwait::processPending();
    EXPECT_TRUE(window.isNull()); // deleted once closed
    EXPECT_EQ(st().toolState, 620);
    EXPECT_TRUE(ch().rx().monitor.queue.empty());
    EXPECT_TRUE(ch().rx().text.isEmpty());

    openWindow(873);
    link->sendToHost(QByteArray("Z05123045", 9)); // a record still incomplete
    eventwait::waitMs(20);
    window->close();
    EXPECT_EQ(st().toolState, 870);
    EXPECT_TRUE(ch().rx().text.isEmpty());
    EXPECT_FALSE(ch().rx().replyComplete);
}

TEST_F(OutDspTest, FingerprintManagerWatchesModallyAndGetsItsStateBack)
{
    st().toolState = 925;
    OutputDisplayWindow monitor(*ctx, {});
    QStringList lines;
    // Two recognised fingers, one after the other, then the user closes.
    link->sendToHost(QByteArray("\x02\x72PABC1234\x03", 11), 10);
    link->sendToHost(QByteArray("\x02\x72QXYZ9876\x03", 11), 40);
    QTimer::singleShot(150, &monitor, [&] {
        lines = monitor.lines();
        monitor.findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    });
    monitor.showModal();
    EXPECT_FALSE(monitor.isVisible());
    EXPECT_EQ(lines, (QStringList{QStringLiteral("指紋認識　第１指　ID:ABC1234"),
                                  QStringLiteral("指紋認識　第２指　ID:XYZ9876")}));
    EXPECT_EQ(st().toolState, 900);
}

// The sample slips and the list slip as the printer must receive them, and
// the ticket test and the list print against the emulated unit. Expected
// bytes are spelled out here; their Japanese texts go through the system's
// iconv, not through the program's own code page tables.
#include "fingertest.h"
#include "support/printercontext.h"

#include "base/catalogcodes.h"
#include "comm/eventwait.h"
#include "finger/fingerunit.h"
#include "finger/listslip.h"
#include "finger/sampleslips.h"
#include "finger/tickettest.h"
#include "fingerprinter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>

#include <iconv.h>

namespace {

QByteArray h(const char *hexBytes) { return QByteArray::fromHex(hexBytes); }

QByteArray sj(const char *utf8)
{
    iconv_t cd = iconv_open("CP932", "UTF-8");
    QByteArray in(utf8);
    QByteArray out(in.size() * 2 + 4, '\0');
    char *src = in.data();
    char *dst = out.data();
    size_t srcLeft = size_t(in.size());
    size_t dstLeft = size_t(out.size());
    const size_t done = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    EXPECT_NE(done, size_t(-1)) << utf8;
    out.truncate(out.size() - qsizetype(dstLeft));
    return out;
}

const QDateTime kNow(QDate(2026, 3, 7), QTime(9, 5, 4));
const char *const kDate = "2026年03月07日 09時05分04秒";
const QByteArray kUser = QByteArray("P") + "ABC1234";

QByteArray reception(const char *count4, const char *countPad)
{
    return h("07 1b4931 1b4a18") +                                          //
           h("1b6c10 1d6828 1d") + "k5081231" + count4 + h("00") +          //
           h("1b6c04 0e") + sj("ケルノソルバタルネ病院") + h("14 0d") +     //
           h("1b4a18") + sj("　　　　医療法人　ケルノソルバ会") + h("0d") + //
           h("1b4a20") + sj("　　　　しばらくお待ちください") + h("0d") +   //
           sj("　　　　番号をお呼びしますので") + h("0d") +                 //
           h("1b4a18 1b") + "h1" + sj("　　") + sj(kDate) + h("0d") +       //
           h("1b4a20 1b") + "L1  " + countPad + h("1b") + "L0" + h("0d") +  //
           h("1b4a18 1b") + "h1 ID No." + "ABC1234" + h("0d") +             //
           h("1b4a18 1c") + sj("W1　　　受付票") + h("1c") + "W0" + h("0d") + h("1b4a78 1b47 03");
}

QByteArray weighing()
{
    return h("07 1b4931 1b4a18") + sj("　計量課確認印") + h("0d") +                            //
           h("1b4a18 1b") + sj("N1計量値") + h("1b") + "L1 " + "0504" + h("1b") + "L0 " +      //
           h("0e") + "kg" + h("14 1b") + "N0" + h("0d") +                                      //
           h("1b") + "h1" + h("1b4a18") + sj("----------　計量票確認　----------") + h("0d") + //
           h("07 1b") + "I1" + h("1b4a40") +                                                   //
           h("1b6c04 0e") + sj("エルモ　ソルバ計量所") + h("14 0d") +                          //
           h("1b67") + sj("　　　　社団法人　計量工業会") + h("0d") +                          //
           h("1b4a18") + sj("　　確認印のない計量票は無効です。") + h("0d") +                  //
           sj("　　計量課での確認が必要です。") + h("0d") +                                    //
           h("1b4a18 1b") + sj("h1　　") + sj(kDate) + h("0d") +                               //
           h("1b4a20 1b") + sj("N1 計量値") + h("1b") + "L1 " + "0504" + h("1b") + "L0 " +     //
           h("0e") + "kg" + h("14 1b") + "N0" + h("0d") +                                      //
           h("1b4a18 1b") + "h1 ID No." + "ABC1234" + h("0d") +                                //
           h("1b4a18 1c") + sj("W1　　　計量票") + h("1c") + "W0" + h("0d") + h("1b4a78 1b47 03");
}

QByteArray roomEntry()
{
    return h("07 1b4931 1b4a18") +                                                           //
           h("1b") + sj("w1　　　ソルバタルネ薬品工業株式会社") + h("1b") + "w0" + h("0d") + //
           h("1b4a18 1b6c11") + sj("特殊薬品管理室") + h("0d") +                             //
           h("1b4a20") + sj(" 薬品管理課へ提出してください。") + h("0d") +                   //
           sj(" 退室時認証を受け退室管理票とともに") + h("0d") +                             //
           h("1b4a18 1b") + "h1" + sj("　　") + sj(kDate) + h("0d") +                        //
           h("1b4a20 1b") + "h1 NO." + "0042" + " USER_ID " + "ABC1234" + h("0d") +          //
           h("1b4a18 1c") + sj("W1　　入室管理票") + h("1c") + "W0" + h("0d") + h("1b4a20 1b47 03");
}

QByteArray radiation()
{
    return h("07 1b4931 1b4a18") +                                                    //
           h("1b6c0b 1b") + sj("w1ソルバ放射線センター") + h("1b") + "w0" + h("0d") + //
           h("1b4a18 1b6c0b") + sj("放射線課放射線管理室") + h("0d") +                //
           h("1b4a20 1b") + "h1" + sj("　　") + sj(kDate) + h("0d") +                 //
           h("1b4a20") + sj(" 退室の手続きを行ってください。") + h("0d") +            //
           sj(" 退室時認証を受け、放射線管理室で") + h("0d") +                        //
           sj(" 管理バッチの確認をしてください。") + h("0d") +                        //
           sj(" この先から放射線管理地域です。") + h("0d") +                          //
           h("1b4a18") + " NO." + "0042" + " USER_ID " + "ABC1234" + h("0d") +        //
           h("1b4a18 1b6c09 1c") + sj("W1放射線管理票") + h("1c") + "W0" + h("0d") + h("1b4a20 1b47 03");
}

void expectBytes(const QByteArray &got, const QByteArray &want)
{
    qsizetype i = 0;
    while (i < qMin(got.size(), want.size()) && got.at(i) == want.at(i))
        ++i;
    EXPECT_EQ(got.toHex(' '), want.toHex(' ')) << "first difference at byte " << i;
}

TEST(SampleSlips, EachSlipByteForByte)
{
    const struct {
        int choice;
        QByteArray want;
    } rows[] = {
        {1, reception("0042", "42  ")},
        {2, weighing()},
        {3, roomEntry()},
        {4, radiation()},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.choice);
        SampleSlips slips(41);
        expectBytes(slips.next(r.choice, kUser, kNow), r.want);
        EXPECT_EQ(slips.lastNumber(), 42);
    }
}

TEST(SampleSlips, NumbersAndChoices)
{
    const struct {
        int before;
        int choice;
        const char *count4;
        const char *countPad;
    } rows[] = {
        {0, 1, "0001", "1  "},         // the first slip of the run
        {0, 0, "0001", "1  "},         // any choice but 2 to 4 is the reception slip
        {0, 5, "0001", "1  "},         //
        {0, -3, "0001", "1  "},        //
        {9, 1, "0010", "10  "},        // two digits: still two spaces
        {99, 1, "0100", "100 "},       // three digits: one
        {9998, 1, "9999", "9999 "},    //
        {32766, 1, "32767", "32767 "}, // the last number
        {32767, 1, "0001", "1  "},     // and then 1 again, never negative
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(testing::Message() << r.before << " / " << r.choice);
        SampleSlips slips(r.before);
        expectBytes(slips.next(r.choice, kUser, kNow), reception(r.count4, r.countPad));
    }
}

TEST(SampleSlips, TheNumberBoxText)
{
    const struct {
        const char *text;
        sampleslips::Kind kind;
    } rows[] = {
        {"2", sampleslips::Kind::Weighing}, {" 3 ", sampleslips::Kind::RoomEntry}, {"4", sampleslips::Kind::Radiation},
        {"", sampleslips::Kind::Reception}, {"abc", sampleslips::Kind::Reception}, {"2x", sampleslips::Kind::Reception},
    };
    for (const auto &r : rows)
        EXPECT_EQ(sampleslips::kindOf(sampleslips::choiceFromText(QString::fromUtf8(r.text))), r.kind) << r.text;
}

QByteArray listRow(const char *number, const char *id1, const char *id2)
{
    return sj("　 ") + number + "   " + id1 + "      " + id2 + h("0d");
}

const QByteArray kListEnd = h("1b4ac8 1b47 1b4ac8 1b4ac8");

QByteArray listWith(const QByteArray &rows)
{
    return h("07 1b4931") + h("1b4a18 1b03 1b") + "h1" + "-----------------------------" + h("0d 1b02") + rows +
           h("1b4a08 1b01") + sj("　 No.  第1指UserID   第2指UserID") + h("0d") + h("1b4a18 1b") + "h1" +
           sj(" 　　□□□ 登録者の記録 □□□") + h("0d") + kListEnd;
}

const QByteArray kNoRegistrants = h("07 1b4931 1b") + "h1" + sj(" 　□□□ 登録者の記録無し □□□") + h("0d") + kListEnd;

TEST(ListSlip, BuiltFromTheLastLineToTheFirst)
{
    const struct {
        const char *label;
        std::function<void(FingerUsers &)> fill;
        QByteArray want;
    } rows[] = {
        {"three registrants: rows 3, 2, 1, then the header",
         [](FingerUsers &u) {
             u[1].userId = {"A000001", "B000001"};
             u[2].userId = {"A000002", "B000002"};
             u[3].userId = {"A000003", "B000003"};
         },
         listWith(listRow("003", "A000003", "B000003") + listRow("002", "A000002", "B000002") +
                  listRow("001", "A000001", "B000001"))},
        {"rows without finger 1 are left out",
         [](FingerUsers &u) {
             u[1].userId = {"A000001", {}};
             u[2].userId = {"       ", "B000002"};
             u[100].userId = {"A000100", "B000100"};
         },
         listWith(listRow("100", "A000100", "B000100") + listRow("001", "A000001", ""))},
        {"nobody", [](FingerUsers &) {}, kNoRegistrants},
        {"the unit's empty list (7 spaces)",
         [](FingerUsers &u) {
             u[1].userId = {"       ", {}};
         },
         kNoRegistrants},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.label);
        FingerUsers users;
        r.fill(users);
        expectBytes(listslip::build(users), r.want);
    }
}

// ---- against the emulated unit ------------------------------------------

class OnTheUnit : public FingerTest {
public:
    OnTheUnit()
    {
        pc.ctx->state.programFolder = dir.filePath("program");
        QDir().mkpath(files.folderPath());
        pc.ctx->channel().openSerialPort();
        fingerunit::Times t;
        t.openCloseMs = 300;
        t.settleMs = 0;
        unit.setTimes(t);
        unit.status = [this](const QString &s) { statuses << s; };
        unit.countdown = [this](int s) { countdowns << s; };
        printer().fill(3);
    }
    sim::FingerPrinter &printer() { return *pc.printer<sim::FingerPrinter>(); }
    QList<int> codes() const
    {
        QList<int> out = pc.prompter->codes();
        out.removeAll(0);
        return out;
    }
    QString texts() const
    {
        QStringList out;
        for (const PromptRequest &r : pc.prompter->requests)
            out << r.text;
        return out.join('|');
    }
    // The jobs the print engine took, once the last one is complete.
    QList<sim::PrintJob> jobsAfterQuiet(int expected)
    {
        QElapsedTimer t;
        t.start();
        eventwait::pumpUntil([&] { return printer().jobs().size() >= expected || t.elapsed() > 1000; });
        eventwait::waitMs(2 * sim::FingerPrinter::kJobGapMs);
        return printer().jobs();
    }

    PrinterContext pc{QStringLiteral("finger")};
    FingerUsers users;
    FingerFiles files{dir.filePath("program"), pc.ctx->messenger()};
    FingerUnit unit{pc.ctx->channel(), pc.ctx->messenger(), users, files};
    SampleSlips slips;
    QStringList statuses;
    QList<int> countdowns;
};

TEST_F(OnTheUnit, TheTicketTestPrintsASlipPerFinger)
{
    const struct {
        const char *label;
        std::function<void(OnTheUnit &)> during; // what happens at 150 ms and 400 ms
        bool ranToEnd;                           // notice 916
        QList<QByteArray> slipsFor;              // marker + ID of each slip, in order
        const char *told;
    } rows[] = {
        {"two fingers, then the countdown runs out",
         [](OnTheUnit &t) {
             QTimer::singleShot(150, [&t] { t.printer().placeFinger(0, "A000002"); });
             QTimer::singleShot(400, [&t] { t.printer().placeFinger(1, "B000003"); });
         },
         true,
         {"PA000002", QByteArray(1, '\0') + "B000003"},
         ""},
        {"Esc", [](OnTheUnit &t) { QTimer::singleShot(150, [&t] { t.unit.cancel(); }); }, true, {}, ""},
        {"a short message is no finger",
         [](OnTheUnit &t) {
             QTimer::singleShot(150, [&t] { t.printer().sendGarbage(h("027203")); });
             QTimer::singleShot(400, [&t] { t.printer().placeFinger(0, "A000001"); });
         },
         true,
         {"PA000001"},
         ""},
        {"the sensor turns dirty",
         [](OnTheUnit &t) { QTimer::singleShot(150, [&t] { t.printer().reportDirtySensor(); }); },
         false,
         {},
         "センサ部に汚れを検出しました。"},
        {"reading cannot be opened",
         [](OnTheUnit &t) { t.printer().setNextReply(std::nullopt); },
         false,
         {},
         "読み取り許可応答がありません。"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.label);
        pc.prompter->clear();
        statuses.clear();
        countdowns.clear();
        const qsizetype jobsBefore = printer().jobs().size();
        const int numberBefore = slips.lastNumber();
        r.during(*this);
        QElapsedTimer took;
        took.start();
        EXPECT_EQ(tickettest::run(unit, slips, 1, 1), r.ranToEnd);
        EXPECT_LT(took.elapsed(), 4000);
        EXPECT_EQ(codes().contains(msg::FingerTestDone), r.ranToEnd) << texts().toStdString();
        if (*r.told) {
            EXPECT_TRUE(texts().contains(QString::fromUtf8(r.told))) << texts().toStdString();
        }

        const QList<sim::PrintJob> jobs = jobsAfterQuiet(int(jobsBefore + r.slipsFor.size())).mid(jobsBefore);
        ASSERT_EQ(jobs.size(), r.slipsFor.size());
        for (int i = 0; i < jobs.size(); ++i) {
            const QByteArray number = QByteArray::number(numberBefore + i + 1).rightJustified(4, '0');
            EXPECT_TRUE(jobs[i].bytes.startsWith(h("07 1b4931 1b4a18 1b6c10 1d6828 1d") + "k5081231" + number)) << i;
            EXPECT_TRUE(jobs[i].bytes.contains("h1 ID No." + r.slipsFor[i].mid(1) + '\r')) << i;
        }
        EXPECT_FALSE(printer().readingOpen());
        EXPECT_TRUE(statuses.isEmpty() || statuses.last().isEmpty());
        if (!countdowns.isEmpty()) {
            EXPECT_EQ(countdowns.first(), 1);
            EXPECT_EQ(countdowns.last(), -1); // hidden
        }
    }
    const QList<QByteArray> commands = printer().commands();
    EXPECT_EQ(commands.count("O"), 5);
}

TEST_F(OnTheUnit, TwoFingersWithinASecondGetConsecutiveNumbers)
{
    QTimer::singleShot(100, [this] { printer().placeFinger(0, "A000001"); });
    QTimer::singleShot(150, [this] { printer().placeFinger(0, "A000003"); });
    ASSERT_TRUE(tickettest::run(unit, slips, 3, 1));
    const QList<sim::PrintJob> jobs = jobsAfterQuiet(2);
    ASSERT_EQ(jobs.size(), 2);
    EXPECT_TRUE(jobs[0].bytes.contains("h1 NO.0001 USER_ID A000001\r"));
    EXPECT_TRUE(jobs[1].bytes.contains("h1 NO.0002 USER_ID A000003\r"));
}

TEST_F(OnTheUnit, ASlipOpensAClosedPortFirst)
{
    pc.ctx->serial().close();
    ASSERT_TRUE(slips.print(pc.ctx->channel(), 4, "PA000001"));
    EXPECT_TRUE(pc.ctx->serial().isOpen());
    const QList<sim::PrintJob> jobs = jobsAfterQuiet(1);
    ASSERT_EQ(jobs.size(), 1);
    EXPECT_TRUE(jobs[0].bytes.contains("\x1bJ\x18 NO.0001 USER_ID A000001\r"));
}

TEST_F(OnTheUnit, TheListPrintReachesThePrintEngineWhole)
{
    users[1].userId = {"A000001", "B000001"};
    users[2].userId = {"A000002", "B000002"};
    users[3].userId = {"A000003", "B000003"};
    ASSERT_TRUE(listslip::print(pc.ctx->channel(), pc.ctx->messenger(), users));
    EXPECT_EQ(pc.ctx->state.toolState, 922);
    const QList<sim::PrintJob> jobs = jobsAfterQuiet(1);
    ASSERT_EQ(jobs.size(), 1);
    expectBytes(jobs[0].bytes, listslip::build(users));
    EXPECT_TRUE(codes().isEmpty());
    EXPECT_EQ(pc.ctx->serial().inBufferCount(), 0);
}

TEST_F(OnTheUnit, NothingIsPrintedWhenTheLinesAreNotReady)
{
    const struct {
        const char *label;
        bool cts;
        int asked;
    } rows[] = {{"no CTS", false, msg::NoCts}, {"no DSR", true, msg::NoDsr}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.label);
        pc.prompter->clear();
        printer().setCts(r.cts);
        printer().setDsr(false);
        pc.prompter->script({Answer::Cancel});
        EXPECT_FALSE(listslip::print(pc.ctx->channel(), pc.ctx->messenger(), users));
        EXPECT_FALSE(tickettest::run(unit, slips, 1, 1));
        EXPECT_EQ(codes().value(0), r.asked);
        EXPECT_FALSE(codes().contains(msg::FingerTestDone));
    }
    EXPECT_TRUE(jobsAfterQuiet(0).isEmpty());
    EXPECT_TRUE(printer().commands().isEmpty());
}

} // namespace

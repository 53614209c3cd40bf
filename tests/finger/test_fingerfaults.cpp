// Faults on the line between the fingerprint manager and the emulated
// fingerprint unit, at every (sampled) byte of the list, a template read
// saved into the data file, a registration, a write-back, the version print
// and a ticket test with one slip: the cable
// pulled on either side, DSR lost, replies cut short, doubled, with a byte
// wrong, behind noise or too late; and the unit's own faults: a dirty
// sensor, a unit error, a reset in the middle of a template. Whatever
// happens the manager is back in its state, the data file holds what it
// held unless the sequence completed, a success is what the unit sent or
// holds, and the healed line carries the next list.
#include "fingertest.h"
#include "shell/toolprobe.h"
#include "support/faultyline.h"
#include "support/printercontext.h"

#include "comm/eventwait.h"
#include "finger/fingerunit.h"
#include "finger/sampleslips.h"
#include "finger/tickettest.h"
#include "finger/ui/fingerwindow.h"
#include "fingerprinter.h"
#include "personas.h"

#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

using Fault = FaultyLine::Fault;
using sim::FingerPrinter;

constexpr int kWaitMs = 100;
constexpr int kLateMs = 200;
// The reception slip's last feed and cut.
const QByteArray kSlipEnd = QByteArray::fromHex("1b4a781b4703");

class FingerFaults : public FingerTest {
protected:
    FingerFaults() : line(FaultyLine::install(*pc.line, sim::createPrinter("finger")))
    {
        pc.ctx->state.programFolder = dir.filePath("program");
        pc.ctx->state.toolState = 900;
        QDir().mkpath(files.folderPath());
        ChannelTimes ct = pc.ctx->channel().times();
        ct.dsrMs = 60;
        pc.ctx->channel().setTimes(ct);
        pc.ctx->channel().openSerialPort();
        fingerunit::Times t;
        t.openCloseMs = t.listSilenceMs = t.templateMs = t.deleteMs = t.registerStartMs = t.writeReplyMs = t.versionMs =
            kWaitMs;
        t.registerReadMs = 300;
        t.settleMs = 0;
        unit.setTimes(t);
        printer().setRegisterDelayMs(10);
        // Somebody registered earlier, already in the data file.
        FingerUsers earlier;
        earlier[1].userId = {"Z000001", "Z000002"};
        for (int f = 0; f < 2; ++f)
            earlier[1].fingerTemplate[f] = FingerPrinter::templateFor(earlier[1].userId[f]);
        EXPECT_TRUE(files.writeFinger(earlier, 1, FingerFiles::Target::DataFile));
        before = bytesOf(files.dataFilePath());
    }

    FingerPrinter &printer() { return line.printer<FingerPrinter>(); }
    QString shown() const
    {
        QStringList out;
        for (const PromptRequest &r : pc.prompter->requests)
            out << r.text;
        return out.join('|');
    }

    // One sequence as the table runs it: what the unit and the table hold
    // first, the run, and what a success must leave.
    struct Op {
        const char *name;
        int step; // every step-th byte (templates are hundreds long)
        std::function<void(FingerFaults &)> arrange;
        std::function<bool(FingerFaults &)> run;
        std::function<void(FingerFaults &, const std::string &)> succeeded;
        bool changesFile;
        bool slipSent = false; // a slip goes out character by character
    };
    // One burst per character would make every slip byte a frame end: a
    // run of bursts of one or two bytes counts as one send instead.
    static FaultyLine::Measure oneSendPerRun(FaultyLine::Measure m)
    {
        QList<int> ends;
        for (qsizetype i = 0; i < m.hostEnds.size(); ++i) {
            const auto size = [&](qsizetype k) { return m.hostEnds[k] - (k ? m.hostEnds[k - 1] : 0); };
            if (i + 1 == m.hostEnds.size() || size(i) > 2 || size(i + 1) > 2)
                ends.append(m.hostEnds[i]);
        }
        m.hostEnds = ends;
        return m;
    }
    static QList<Op> ops();

    bool runOp(const Op &op)
    {
        pc.prompter->clear();
        users = FingerUsers{};
        op.arrange(*this);
        return op.run(*this);
    }
    void expectIdle(qint16 state, const std::string &label)
    {
        EXPECT_EQ(pc.ctx->state.toolState, state) << label;
        EXPECT_FALSE(unit.exchange().cancelled()) << label;
    }
    // The line healed, the next list comes in.
    void expectNextWorks(const FaultyLine::Case &c, const std::string &label)
    {
        line.heal();
        printer().setDirtySensor(false);
        printer().setUnitError(false);
        // What the unit still had to say (a late reply, the result of a
        // registration it went on with) falls away meanwhile.
        eventwait::waitMs(c.fault == Fault::TooSlow ? c.at + 50 : 40);
        line.arm(Fault::None);
        printer().clearRegistrants();
        printer().fill(2);
        pc.prompter->clear();
        users = FingerUsers{};
        EXPECT_TRUE(unit.readRegistrants(true)) << label << ": the next list; " << shown().toStdString();
        EXPECT_EQ(users[2].userId[1], "B000002") << label;
        filebytes::write(files.dataFilePath(), before);
    }

    PrinterContext pc{QStringLiteral("finger")};
    FaultyLine &line;
    FingerUsers users;
    FingerFiles files{dir.filePath("program"), pc.ctx->messenger()};
    FingerUnit unit{pc.ctx->channel(), pc.ctx->messenger(), users, files};
    SampleSlips slips;
    qsizetype jobsBefore = 0;
    QByteArray before;

    // The print engine's jobs since the run began, once the last is whole.
    QList<sim::PrintJob> newJobs(int expected)
    {
        QElapsedTimer t;
        t.start();
        eventwait::pumpUntil([&] { return printer().jobs().size() >= jobsBefore + expected || t.elapsed() > 1000; });
        eventwait::waitMs(2 * FingerPrinter::kJobGapMs);
        return printer().jobs().mid(jobsBefore);
    }
};

QList<FingerFaults::Op> FingerFaults::ops()
{
    const auto templatesOf = [](FingerFaults &t, int row, const std::string &label) {
        for (int f = 0; f < 2; ++f)
            EXPECT_TRUE(t.users[row].fingerTemplate[f] == FingerPrinter::templateFor(t.users[row].userId[f])) << label;
    };
    return {
        {"list", 3, [](FingerFaults &t) { t.printer().clearRegistrants(), t.printer().fill(3); },
         [](FingerFaults &t) { return t.unit.readRegistrants(true); },
         [](FingerFaults &t, const std::string &label) {
             EXPECT_EQ(t.users.nextFreeRow(), 4) << label;
             for (int row = 1; row <= 3; ++row) {
                 const QByteArray n = QByteArray::number(row);
                 EXPECT_EQ(t.users[row].userId[0], "A00000" + n) << label;
                 EXPECT_EQ(t.users[row].userId[1], "B00000" + n) << label;
             }
         },
         false},
        {"template read, saved", 60,
         [](FingerFaults &t) {
             t.printer().clearRegistrants();
             t.printer().fill(1);
             t.users[2].userId = {"A000001", "B000001"};
         },
         [](FingerFaults &t) {
             return t.unit.readTemplates(2, 2, true) && t.files.writeFinger(t.users, 2, FingerFiles::Target::DataFile);
         },
         [templatesOf](FingerFaults &t, const std::string &label) { templatesOf(t, 2, label); }, true},
        {"registration", 250,
         [](FingerFaults &t) {
             t.printer().clearRegistrants();
             t.pc.prompter->script({Answer::Ok});
         },
         [](FingerFaults &t) {
             return t.unit.registerUser({"NEW0001", "NEW0002"});
         },
         [](FingerFaults &t, const std::string &label) {
             ASSERT_EQ(t.printer().registrants().size(), 1) << label;
             EXPECT_EQ(t.printer().registrants()[0].id[1], "NEW0002") << label;
             const QByteArray file = bytesOf(t.files.dataFilePath());
             const FingerUser added = fingerrecord::decode(file.mid(t.before.size()));
             EXPECT_EQ(added.fingerTemplate[1], FingerPrinter::templateFor("NEW0002")) << label;
         },
         true},
        {"write-back", 120,
         [](FingerFaults &t) {
             t.printer().clearRegistrants();
             t.users[1].userId = {"F000001", "G000001"};
             for (int f = 0; f < 2; ++f)
                 t.users[1].fingerTemplate[f] = FingerPrinter::templateFor(t.users[1].userId[f]);
         },
         [](FingerFaults &t) { return t.unit.writeTemplates(1, 1); },
         [](FingerFaults &t, const std::string &label) {
             ASSERT_EQ(t.printer().registrants().size(), 1) << label;
             for (int f = 0; f < 2; ++f)
                 EXPECT_EQ(t.printer().registrants()[0].templ[f], t.users[1].fingerTemplate[f]) << label;
         },
         true},
        {"version print", 4, [](FingerFaults &t) { t.jobsBefore = t.printer().jobs().size(); },
         [](FingerFaults &t) { return t.unit.printVersion(); },
         [](FingerFaults &t, const std::string &label) {
             const QList<sim::PrintJob> jobs = t.newJobs(2);
             ASSERT_EQ(jobs.size(), 2) << label;
             EXPECT_TRUE(jobs[0].bytes.contains(" v" + FingerPrinter::version() + " ---\r"))
                 << label << ": " << jobs[0].bytes.toHex(' ').toStdString();
             EXPECT_EQ(jobs[1].bytes, QByteArray::fromHex("07135000")) << label;
         },
         false},
        {"ticket test, one slip", 20,
         [](FingerFaults &t) {
             t.printer().clearRegistrants();
             t.printer().fill(2);
             t.jobsBefore = t.printer().jobs().size();
         },
         [](FingerFaults &t) {
             // A finger as soon as reading is open, Esc once its slip is
             // printed whole (or after 800 ms).
             bool placed = false;
             bool escaped = false;
             QElapsedTimer since;
             since.start();
             QTimer hand;
             QObject::connect(&hand, &QTimer::timeout, [&] {
                 if (!placed) {
                     placed = t.printer().placeFinger(0, "A000002");
                 } else if (!escaped && ((t.printer().jobs().size() > t.jobsBefore &&
                                          t.printer().jobs().last().bytes.endsWith(kSlipEnd)) ||
                                         since.elapsed() > 800)) {
                     escaped = true;
                     t.unit.cancel();
                 }
             });
             hand.start(10);
             return tickettest::run(t.unit, t.slips, 1, 1);
         },
         [](FingerFaults &t, const std::string &label) {
             // Esc ends the test also when a spoilt message brought no
             // slip; a slip that came is whole.
             const QList<sim::PrintJob> jobs = t.newJobs(1);
             ASSERT_LE(jobs.size(), 1) << label;
             for (const sim::PrintJob &job : jobs) {
                 EXPECT_TRUE(job.bytes.contains("h1 ID No.A000002\r")) << label;
                 EXPECT_TRUE(job.bytes.endsWith(kSlipEnd)) << label;
             }
         },
         false, true},
    };
}

} // namespace

TEST_F(FingerFaults, EveryLineFaultInEverySequence)
{
    for (const Op &op : ops()) {
        line.arm(Fault::None);
        ASSERT_TRUE(runOp(op)) << op.name << ": " << shown().toStdString();
        const FaultyLine::Measure clean = line.measured();
        const qint16 endState = pc.ctx->state.toolState;
        const QByteArray done = bytesOf(files.dataFilePath());
        ASSERT_EQ(done != before, op.changesFile) << op.name;
        filebytes::write(files.dataFilePath(), before);
        for (const FaultyLine::Case &c :
             FaultyLine::cases(op.slipSent ? oneSendPerRun(clean) : clean, op.step, kLateMs)) {
            const std::string label = std::string(op.name) + ": " + c.label().toStdString();
            line.arm(c);
            const bool ok = runOp(op);
            // A wrong byte inside an ID or a template is the unit's word:
            // the program never computes the check byte.
            const bool dataByte = c.fault == Fault::WrongPrinterByte && clean.printerByte(c.at) != 0x02 &&
                                  clean.printerByte(c.at) != 0x03;
            if (ok) {
                if (!dataByte)
                    op.succeeded(*this, label);
            } else {
                ASSERT_TRUE(bytesOf(files.dataFilePath()) == before) << label << ": the data file changed by a failure";
            }
            expectIdle(endState, label);
            expectNextWorks(c, label);
        }
    }
}

TEST_F(FingerFaults, TheUnitsOwnFaults)
{
    const struct {
        const char *label;
        std::function<void(FingerPrinter &)> arrange;
        const char *told;
    } kFaults[] = {
        {"dirty sensor", [](FingerPrinter &p) { p.setDirtySensor(true); }, "センサ部に汚れを検出しました。"},
        {"unit error", [](FingerPrinter &p) { p.setUnitError(true); }, "指紋認証部エラー"},
    };
    for (const Op &op : ops()) {
        line.arm(Fault::None);
        ASSERT_TRUE(runOp(op)) << op.name;
        const qint16 endState = pc.ctx->state.toolState;
        filebytes::write(files.dataFilePath(), before);
        for (const auto &f : kFaults) {
            const std::string label = std::string(op.name) + ": " + f.label;
            pc.prompter->clear();
            users = FingerUsers{};
            op.arrange(*this);
            f.arrange(printer());
            EXPECT_FALSE(op.run(*this)) << label;
            EXPECT_TRUE(shown().contains(QString::fromUtf8(f.told))) << label << ": " << shown().toStdString();
            EXPECT_TRUE(bytesOf(files.dataFilePath()) == before) << label;
            expectIdle(endState, label);
            expectNextWorks({}, label);
        }
    }
}

TEST_F(FingerFaults, AResetInTheMiddleOfATemplate)
{
    const QString reset = QStringLiteral("指紋認証部リセット実施");
    const QList<Op> all = ops();
    for (const Op &op : {all[1], all[2]}) {
        line.arm(Fault::None);
        ASSERT_TRUE(runOp(op)) << op.name;
        const qint16 endState = pc.ctx->state.toolState;
        filebytes::write(files.dataFilePath(), before);
        for (const int cut : {0, 1, 100, 199}) {
            const std::string label = std::string(op.name) + ", reset after template byte " + std::to_string(cut);
            pc.prompter->clear();
            users = FingerUsers{};
            op.arrange(*this);
            printer().setResetInTemplate(cut);
            EXPECT_FALSE(op.run(*this)) << label;
            EXPECT_TRUE(bytesOf(files.dataFilePath()) == before) << label;
            if (std::string(op.name) != "registration")
                EXPECT_TRUE(shown().contains(reset)) << label << ": " << shown().toStdString();
            expectIdle(endState, label);
            expectNextWorks({}, label);
        }
    }
}

// The window after a list that lost its line: not busy, nothing loaded;
// once the cable is back the next list comes in without leaving the tool.
TEST_F(FingerFaults, TheWindowAfterAPulledCable)
{
    ProbeHost host;
    FingerWindow window(*pc.ctx, host);
    window.unit().setTimes(unit.times());
    window.show();
    printer().clearRegistrants();
    printer().fill(3);
    auto *list = window.findChild<QPushButton *>(QStringLiteral("Command1_2"));
    ASSERT_NE(list, nullptr);

    line.arm(Fault::DropAtPrinterByte, 5);
    pc.prompter->clear();
    pc.prompter->script({Answer::Ok}); // the question before the list
    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(line.fired());
    EXPECT_FALSE(window.isBusy());
    EXPECT_TRUE(list->isEnabled());
    EXPECT_EQ(pc.ctx->state.toolState, FingerWindow::kIdle);
    EXPECT_FALSE(window.users().registrantsLoaded());

    line.heal();
    line.arm(Fault::None);
    pc.prompter->clear();
    pc.prompter->script({Answer::Ok});
    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(window.users().registrantsLoaded()) << shown().toStdString();
    EXPECT_EQ(window.users()[3].userId[1], "B000003");
    EXPECT_FALSE(window.isBusy());
}

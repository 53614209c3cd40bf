// Faults on the line between the ticket tool and the emulated ticket
// printer, at every byte of a registration, a read and a printer setting:
// the cable pulled on either side, DSR lost, replies cut short, doubled,
// with a byte wrong, behind noise or too late. Whatever happens the tool
// is idle afterwards, the file holds what it held unless the read came
// through, a success is what the printer holds, and the healed line
// carries the next registration.
#include "tickettest.h"

#include "support/dialogsteps.h"
#include "support/faultyline.h"
#include "support/printercontext.h"

#include "comm/eventwait.h"
#include "comm/printeroperation.h"
#include "message/msdfile.h"
#include "personas.h"
#include "shell/toolprobe.h"
#include "ticket/ticketfileoperations.h"
#include "ticket/ticketprintersettings.h"
#include "ticket/tickettransfer.h"
#include "ticket/ui/ticketdialogs.h"
#include "ticket/ui/ticketwindow.h"
#include "ticketprinter.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Fault = FaultyLine::Fault;
using Outcome = TicketTransfer::Outcome;
using Model = sim::TicketPrinter::Model;

constexpr qint16 kIdle = 600;
constexpr qint16 kNextNumber = 622;
constexpr int kLateMs = 300;

class TicketFaults : public ::testing::Test {
protected:
    TicketFaults() : pc("ticket"), line(FaultyLine::install(*pc.line, sim::createPrinter("ticket")))
    {
        ChannelTimes t = pc.ctx->channel().times();
        t.replyMs = 100;
        t.dsrMs = 60;
        t.replyLongMs = 200;
        pc.ctx->channel().setTimes(t);
        pc.ctx->state.toolState = kIdle;
        runner.busyChanged = [this](qint16, bool on) { busyShown = on; };
        EXPECT_TRUE(pc.ctx->channel().openSerialPort());
        file = dir.filePath("tickets.msd");
        EXPECT_TRUE(MsdFile::createEmpty(file));
        MsdFile(file).writeText(ticketfile::recordOf(1, 1), QStringLiteral("1x1kept"));
        before = filebytes::read(file);
    }

    sim::TicketPrinter &printer() { return line.printer<sim::TicketPrinter>(); }
    void useModel(bool rawModel)
    {
        raw = rawModel;
        printer().setModel(raw ? Model::K07 : Model::K2200TQ);
    }

    Outcome registerAs(int n, const TicketContent &c)
    {
        pc.prompter->clear();
        number = n;
        TicketForm f;
        f.content = c;
        f.rawNumberModel = raw;
        return transfer.registerContent(f, 64);
    }
    // As the command line reads: into the form, which is saved as content
    // 1 of the file once the read came through.
    Outcome readIntoFile(int n, TicketContent *read)
    {
        pc.prompter->clear();
        number = n;
        TicketForm f;
        f.fileName = file;
        f.rawNumberModel = raw;
        f.content = kept;
        int height = 0;
        const Outcome o = transfer.readContent(f, &height);
        if (o != Outcome::Done)
            EXPECT_EQ(f.content, kept) << "a failed read changed the form";
        else {
            pc.prompter->script({Answer::Yes}); // content 1 is in use
            files.save(f);                      // refuses a magnification gone wrong on the line, the file untouched
        }
        *read = f.content;
        return o;
    }

    void expectIdle(const std::string &label)
    {
        EXPECT_EQ(pc.ctx->state.toolState, kIdle) << label;
        EXPECT_FALSE(runner.busy()) << label;
        EXPECT_FALSE(busyShown) << label;
        EXPECT_FALSE(pc.ctx->channel().state().transferActive) << label;
    }
    // The line healed, the next registration goes through.
    void expectNextWorks(const FaultyLine::Case &c, const std::string &label)
    {
        line.heal();
        if (c.fault == Fault::TooSlow)
            eventwait::waitMs(c.at + 50); // the late reply arrives and is dropped by the next arm
        if (!pc.ctx->serial().isOpen()) {
            ASSERT_TRUE(pc.ctx->channel().openSerialPort()) << label;
        }
        line.arm(Fault::None);
        printer().setContent(2, {});
        EXPECT_EQ(registerAs(2, contentOf({{1, "OK"}})), Outcome::Done) << label << ": the next registration";
        EXPECT_EQ(printer().contents().value(2), QList<QByteArray>{hex("1c65 3131 4f4b")}) << label;
        expectIdle(label + ", after the next registration");
    }

    PrinterContext pc;
    FaultyLine &line;
    OperationRunner runner{*pc.ctx};
    std::optional<int> number;
    TicketTransfer transfer{*pc.ctx, runner, {[this] { return number; }, {}}};
    TicketFileOperations files{*pc.ctx, [] { return std::optional<int>(1); }};
    QTemporaryDir dir;
    QString file;
    QByteArray before;
    const TicketContent kept = contentOf({{1, "kept"}});
    bool raw = true;
    bool busyShown = false;
};

// A frame byte of the ticket printer (STX, FS, ETX, DC3, NUL): wrong, it
// cannot pass for a good reply.
bool frameByte(char b) { return b == 0x02 || b == 0x1C || b == 0x03 || b == 0x13 || b == 0x00; }

QStringList linesOf(const TicketContent &c)
{
    QStringList out;
    for (int k = 1; k <= TicketContent::kLineCount; ++k)
        out << c.line(k).text;
    return out;
}

} // namespace

TEST_F(TicketFaults, RegisterOnBothModels)
{
    const TicketContent ab = contentOf({{1, "AB", "2x1"}, {2, "12"}});
    for (const bool rawModel : {true, false}) {
        useModel(rawModel);
        line.arm(Fault::None);
        ASSERT_EQ(registerAs(3, ab), Outcome::Done);
        const QList<QByteArray> held = printer().contents().value(3);
        ASSERT_FALSE(held.isEmpty());
        for (const FaultyLine::Case &c : FaultyLine::cases(line.measured(), 1, kLateMs)) {
            const std::string label = (rawModel ? "K-07 " : "K-2200TQ ") + c.label().toStdString();
            printer().setContent(3, {});
            line.arm(c);
            const Outcome o = registerAs(3, ab);
            EXPECT_NE(o, Outcome::NotRun) << label;
            // Told as registered only when the printer holds it.
            if (o == Outcome::Done) {
                EXPECT_EQ(printer().contents().value(3), held) << label;
            }
            EXPECT_TRUE(filebytes::read(file) == before) << label;
            expectIdle(label);
            expectNextWorks(c, label);
        }
    }
}

TEST_F(TicketFaults, ReadIntoAFile)
{
    const QList<QByteArray> lines{hex("1c65 3231 4142"), hex("1c65 3131 3132")};
    // "K-07" waits half a second after its bracket: its read is sampled
    // at the frame boundaries.
    for (const bool rawModel : {false, true}) {
        useModel(rawModel);
        printer().setContent(4, lines);
        TicketContent read;
        line.arm(Fault::None);
        ASSERT_EQ(readIntoFile(4, &read), Outcome::Done);
        const FaultyLine::Measure clean = line.measured();
        const TicketContent good = read;
        const QByteArray saved = filebytes::read(file);
        ASSERT_NE(saved, before);
        filebytes::write(file, before);
        for (const FaultyLine::Case &c : FaultyLine::cases(clean, rawModel ? 1000 : 3, kLateMs)) {
            const std::string label = (rawModel ? "K-07 " : "K-2200TQ ") + c.label().toStdString();
            printer().setContent(4, lines);
            line.arm(c);
            const Outcome o = readIntoFile(4, &read);
            EXPECT_NE(o, Outcome::NotRun) << label;
            const char wrong = c.fault == Fault::WrongPrinterByte ? clean.printerByte(c.at) : 'x';
            if (o == Outcome::Done) {
                if (wrong == 'x') {
                    EXPECT_EQ(read, good) << label;
                    EXPECT_TRUE(filebytes::read(file) == saved) << label << ": the file holds what was shown";
                } else if (frameByte(wrong)) {
                    // A wrong text or magnification byte is the printer's
                    // word. A frame byte gone wrong may lose a line (an STX
                    // turned into noise, an ETX that ends the block early)
                    // but never makes one wrong.
                    for (int k = 1; k <= TicketContent::kLineCount; ++k) {
                        if (read.line(k) != TicketLine{}) {
                            EXPECT_TRUE(linesOf(good).contains(read.line(k).text)) << label << " line " << k;
                        }
                    }
                }
                filebytes::write(file, before);
            } else {
                ASSERT_TRUE(filebytes::read(file) == before) << label << ": the file changed by a failed read";
            }
            expectIdle(label);
            expectNextWorks(c, label);
        }
    }
}

TEST_F(TicketFaults, NextNumberSetting)
{
    TicketPrinterSettings settings(*pc.ctx, [this] { return raw; });
    settings.runner().busyChanged = [this](qint16, bool on) { busyShown = on; };
    const auto set = [&](int n) {
        pc.prompter->clear();
        pc.ctx->state.toolState = kNextNumber;
        const bool ok = settings.run(n);
        EXPECT_EQ(pc.ctx->state.toolState, kNextNumber);
        pc.ctx->state.toolState = kIdle;
        return ok;
    };
    line.arm(Fault::None);
    ASSERT_TRUE(set(1234));
    ASSERT_EQ(printer().nextNumber(), 1234);
    int n = 1;
    for (const FaultyLine::Case &c : FaultyLine::cases(line.measured(), 1, kLateMs)) {
        const std::string label = c.label().toStdString();
        ++n;
        line.arm(c);
        const bool ok = set(n);
        if (ok) {
            EXPECT_EQ(printer().nextNumber(), n) << label << ": told as set";
        }
        EXPECT_FALSE(settings.runner().busy()) << label;
        expectIdle(label);
        expectNextWorks(c, label);
    }
}

// The window after a read that lost its line: not busy, its lines as they
// were; once the cable is back the next read loads them without leaving
// the tool (the line check opens the closed port again).
TEST_F(TicketFaults, TheWindowAfterAPulledCable)
{
    ProbeHost host;
    TicketWindow window(*pc.ctx, host);
    window.show();
    printer().setContent(1, {QByteArray::fromHex("1c65 3232 41420d4344")});
    auto *line1 = window.findChild<QLineEdit *>(QStringLiteral("Text3_1"));
    auto *read = window.findChild<QPushButton *>(QStringLiteral("Command1_3"));
    ASSERT_TRUE(line1 && read);
    const auto readContent1 = [&] {
        pc.prompter->clear();
        onDialog<TicketNumberDialog>(&window, QStringLiteral("TqNum"), [](TicketNumberDialog *d) {
            d->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(QStringLiteral("1"));
            d->ok();
        });
        QTest::mouseClick(read, Qt::LeftButton, {}, QPoint(5, 5));
    };

    line.arm(Fault::DropAtPrinterByte, 5);
    readContent1();
    EXPECT_TRUE(line.fired());
    EXPECT_FALSE(pc.ctx->serial().isOpen());
    EXPECT_FALSE(window.isBusy());
    EXPECT_TRUE(read->isEnabled());
    EXPECT_EQ(pc.ctx->state.toolState, kIdle);
    EXPECT_TRUE(line1->text().isEmpty());

    line.heal();
    line.arm(Fault::None);
    readContent1();
    EXPECT_EQ(line1->text(), QStringLiteral("AB↓CD"));
    EXPECT_FALSE(window.isBusy());
    EXPECT_EQ(pc.ctx->state.toolState, kIdle);
}

// The message tool's operations against the emulated message printer that
// demo mode and zentrix-printer-sim use: in-process, and over a
// pseudo-terminal with the real serial link.
#include "support/printercontext.h"
#include "support/printersim.h"

#include "comm/eventwait.h"
#include "comm/qtseriallink.h"
#include "message/messagefileoperations.h"
#include "message/messagetransfer.h"
#include "message/msdfile.h"
#include "messageprinter.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace {

MessageForm form(int number, const QString &content = {}, const QString &file = {})
{
    return {file, number > 0 ? QString::number(number) : QString(), content, {}};
}

} // namespace

TEST(MessageToolOnEmulatedPrinter, EveryOperationFromRegisterToClearAll)
{
    PrinterContext pc(QStringLiteral("message"));
    QTemporaryDir dir;
    AppContext &ctx = *pc.ctx;
    ctx.state.programFolder = dir.path();
    ctx.state.toolState = ToolStates::Message;
    ASSERT_TRUE(ctx.channel().openSerialPort());
    auto *printer = pc.printer<sim::MessagePrinter>();
    ASSERT_NE(printer, nullptr);
    MessageTransfer transfer(ctx);

    pc.prompter->script({Answer::Yes});
    MessageForm f = form(5, QStringLiteral("計量^12.5kg↓\r\n&0C"));
    EXPECT_TRUE(transfer.registerOne(f));
    EXPECT_EQ(printer->messages().value(5), QByteArray("\x8C\x76\x97\xCA 12.5kg\r\x0C"));

    pc.prompter->script({Answer::Yes});
    f = form(7, QStringLiteral("B"));
    EXPECT_TRUE(transfer.registerOne(f));

    f = form(7);
    EXPECT_TRUE(transfer.testPrint(f));
    ASSERT_FALSE(printer->printed().isEmpty());
    EXPECT_EQ(printer->printed().last().number, 7);

    pc.prompter->script({Answer::Yes});
    EXPECT_TRUE(transfer.deleteOne(f));
    EXPECT_FALSE(printer->messages().contains(7));

    // Read back into a new file: only No.5 is written.
    pc.prompter->clear();
    pc.prompter->script({Answer::Yes, Answer::Yes});
    f = form(0, {}, dir.filePath(QStringLiteral("back")));
    EXPECT_TRUE(transfer.readAll(f));
    EXPECT_EQ(pc.prompter->codes().last(), 10);
    const MsdFile back(dir.filePath(QStringLiteral("back.msd")));
    EXPECT_EQ(back.occupiedNumbers(), QList<int>{5});
    EXPECT_EQ(back.readText(5), QStringLiteral("計量^12.5kg↓\r\n&0C"));

    pc.prompter->script({Answer::Yes});
    EXPECT_TRUE(transfer.clearAll());
    EXPECT_TRUE(printer->messages().isEmpty());

    // Register all puts the file back; print all prints it.
    pc.prompter->script({Answer::Yes});
    f = form(0, {}, dir.filePath(QStringLiteral("back.msd")));
    EXPECT_TRUE(transfer.registerAll(f));
    EXPECT_EQ(printer->messages().keys(), QList<int>{5});
    pc.prompter->script({Answer::Yes});
    EXPECT_TRUE(transfer.printAll());
    EXPECT_EQ(pc.prompter->codes().last(), 8);
    EXPECT_EQ(ctx.state.toolState, ToolStates::Message);
}

TEST(MessageToolOnEmulatedPrinter, WrongReplyIsReportedAsAFailure)
{
    PrinterContext pc(QStringLiteral("message"));
    QTemporaryDir dir;
    AppContext &ctx = *pc.ctx;
    ctx.state.programFolder = dir.path();
    ctx.state.toolState = ToolStates::Message;
    ASSERT_TRUE(ctx.channel().openSerialPort());
    auto *printer = pc.printer<sim::MessagePrinter>();
    ASSERT_NE(printer, nullptr);
    MessageTransfer transfer(ctx);

    sim::FaultPlan faults;
    faults.wrongReply = true;
    printer->setFaults(faults);
    pc.prompter->script({Answer::Yes});
    MessageForm f = form(3, QStringLiteral("AB"));
    EXPECT_FALSE(transfer.registerOne(f));
    EXPECT_EQ(pc.prompter->codes().last(), 4);
    EXPECT_EQ(ctx.state.toolState, ToolStates::Message);
}

TEST(MessageToolOnEmulatedPrinter, RegisterAndReadAllOverThePrinterProgram)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("printer"));
    PrinterSimProcess sim(QStringLiteral("message"), link);
    ASSERT_TRUE(sim.ready());

    auto prompter = std::make_unique<ScriptedPrompter>();
    ScriptedPrompter *p = prompter.get();
    AppContext ctx(std::move(prompter), std::make_unique<FakePortIo>(), std::make_unique<QtSerialLink>());
    ctx.state.programFolder = dir.path();
    ctx.state.toolState = ToolStates::Message;
    ctx.state.output.dtrWait = 1;
    ctx.serial().setPortResolver([link](int) { return link; });
    ASSERT_TRUE(ctx.channel().openSerialPort());
    MessageTransfer transfer(ctx);

    p->script({Answer::Yes});
    MessageForm f = form(12, QStringLiteral("重量^&1B"));
    EXPECT_TRUE(transfer.registerOne(f));
    EXPECT_EQ(p->codes().last(), 11);

    p->clear();
    p->script({Answer::Yes, Answer::Yes});
    f = form(0, {}, dir.filePath(QStringLiteral("read")));
    EXPECT_TRUE(transfer.readAll(f));
    EXPECT_EQ(p->codes().last(), 10);
    const MsdFile file(dir.filePath(QStringLiteral("read.msd")));
    EXPECT_EQ(file.occupiedNumbers(), QList<int>{12});
    EXPECT_EQ(file.readText(12), QStringLiteral("重量^&1B"));

    ctx.channel().closeAndRestore();
    sim.process().terminate();
    EXPECT_TRUE(sim.process().waitForFinished(5000));
    const QString log = QString::fromUtf8(sim.process().readAllStandardOutput() + sim.process().readAllStandardError());
    EXPECT_TRUE(log.contains(QStringLiteral("register No.12"))) << qPrintable(log);
}

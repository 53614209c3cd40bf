// Demo mode: which printer a "sim:" port gets, and the windows saying so.
#include "demo.h"
#include "messageprinter.h"
#include "personas.h"
#include "printsink.h"
#include "ticketprinter.h"

#include "comm/appcontext.h"
#include "comm/eventwait.h"
#include "comm/mappedseriallink.h"
#include "comm/outputchannel.h"
#include "comm/printerexchange.h"
#include "message/ui/messagewindow.h"
#include "shell/ui/launcherwindow.h"
#include "support/fakeportio.h"
#include "support/scriptedprompter.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(DemoMode, PlainSimPortGetsThePrinterOfTheOpenToolAndKeepsIt)
{
    AppState st;
    MappedSerialLink link;
    sim::attachDemoPrinters(link, st);
    const auto openSim = [&](const char *device) {
        return link.open(QLatin1String(device), 9600, Parity::None) == OpenResult::Ok;
    };

    st.toolState = ToolStates::Message;
    ASSERT_TRUE(openSim("sim:"));
    auto *message = sim::printerOn<sim::MessagePrinter>(link);
    ASSERT_NE(message, nullptr);
    EXPECT_FALSE(message->messages().isEmpty()) << "the demo printer holds samples";
    EXPECT_EQ(message->lineBaud(), 9600) << "paced as the port is set";
    link.write(QByteArray::fromHex("134205414200"));
    eventwait::pumpUntil([&] { return link.inputCount() >= 5; });
    EXPECT_EQ(link.read(10), QByteArray::fromHex("1362053000"));

    st.toolState = ToolStates::Tester;
    ASSERT_TRUE(openSim("sim:"));
    EXPECT_NE(sim::printerOn<sim::PrintSink>(link), nullptr);

    st.toolState = 207; // an operation of the message tool
    ASSERT_TRUE(openSim("sim:"));
    EXPECT_EQ(sim::printerOn<sim::MessagePrinter>(link), message) << "the same printer again";
    EXPECT_EQ(message->messages().value(5), QByteArray("AB"));

    ASSERT_TRUE(openSim("sim:ticket")); // named in the port map
    EXPECT_NE(sim::printerOn<sim::TicketPrinter>(link), nullptr);

    ASSERT_TRUE(openSim("sim:nobody")); // a line with nothing on it
    EXPECT_EQ(sim::printerOn(link), nullptr);
}

TEST(DemoMode, WindowTitlesShowTheEmulatedPrinter)
{
    qputenv("ZENTRIX_COM1", "sim:");
    qputenv("ZENTRIX_COM2", "/dev/ttyS1");
    QTemporaryDir dir;
    AppContext ctx(std::make_unique<ScriptedPrompter>(), std::make_unique<FakePortIo>());
    ctx.state.programFolder = dir.path();
    MappedSerialLink link;
    ctx.state.output.comPort = 2;
    EXPECT_EQ(sim::simulationMark(link, ctx.state), QString());
    ctx.state.output.comPort = 1;
    EXPECT_EQ(sim::simulationMark(link, ctx.state), sim::kSimulationMark);

    LauncherWindow launcher(ctx);
    launcher.endProcess = [] {};
    launcher.titleMark = [&] { return sim::simulationMark(link, ctx.state); };
    launcher.registerTool(Tool::Message, [](AppContext &, ToolHost &) -> QWidget * {
        auto *w = new QWidget;
        w->setWindowTitle(QStringLiteral("WinQLM"));
        return w;
    });
    launcher.load(QString());
    EXPECT_EQ(launcher.windowTitle(), QStringLiteral("メインメニュー [プリンタ模擬]"));
    launcher.openTool(Tool::Message);
    ASSERT_NE(launcher.currentTool(), nullptr);
    EXPECT_EQ(launcher.currentTool()->windowTitle(), QStringLiteral("WinQLM [プリンタ模擬]"));

    // Back at the menu with a real port: the caption as it always was.
    ctx.state.output.comPort = 2;
    launcher.returnToMenu();
    EXPECT_EQ(launcher.windowTitle(), QStringLiteral("メインメニュー"));
    qunsetenv("ZENTRIX_COM1");
    qunsetenv("ZENTRIX_COM2");
}

TEST(DemoMode, EnvironmentSetsLogFaultsPacingAndSchedule)
{
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("sim.log"));
    qputenv("ZENTRIX_SIM_LOG", QFile::encodeName(log));
    qputenv("ZENTRIX_SIM_FAULT", "wrong-reply,times:1");
    qputenv("ZENTRIX_SIM_BAUD", "0");
    qputenv("ZENTRIX_SIM_STATUS_EVERY", "250");
    auto message = sim::createDemoPrinter(QStringLiteral("message"));
    auto ticket = sim::createDemoPrinter(QStringLiteral("ticket"));
    for (const char *name : {"ZENTRIX_SIM_LOG", "ZENTRIX_SIM_FAULT", "ZENTRIX_SIM_BAUD", "ZENTRIX_SIM_STATUS_EVERY"})
        qunsetenv(name);

    EXPECT_TRUE(message->faults().wrongReply);
    EXPECT_EQ(message->faults().times, 1);
    EXPECT_EQ(message->lineBaud(), 0) << "no pacing";
    EXPECT_EQ(qobject_cast<sim::StatusPrinter *>(ticket.get())->statusEvery(), 250);
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("faults: wrong reply (next 1 replies)"));
}

TEST(DemoMode, MessageToolOpensItsPortOnTheEmulatedMessagePrinter)
{
    // As main() and scripts/run set it up.
    qputenv("ZENTRIX_COM1", "sim:");
    QTemporaryDir dir;
    auto mapped = std::make_unique<MappedSerialLink>();
    MappedSerialLink *link = mapped.get();
    AppContext ctx(std::make_unique<ScriptedPrompter>(), std::make_unique<FakePortIo>(), std::move(mapped));
    ctx.state.programFolder = dir.path();
    sim::attachDemoPrinters(*link, ctx.state);
    LauncherWindow launcher(ctx);
    launcher.endProcess = [] {};
    launcher.titleMark = [&] { return sim::simulationMark(*link, ctx.state); };
    launcher.registerTool<MessageWindow>(Tool::Message);
    launcher.load(QString());
    launcher.openTool(Tool::Message);
    qunsetenv("ZENTRIX_COM1");

    ASSERT_NE(launcher.currentTool(), nullptr);
    EXPECT_EQ(launcher.currentTool()->windowTitle(), QStringLiteral("WinQLM [プリンタ模擬]"));
    EXPECT_TRUE(link->isSimulated());
    auto *printer = sim::printerOn<sim::MessagePrinter>(ctx.serialLink());
    ASSERT_NE(printer, nullptr);

    // What the message tool's register operation will send.
    OutputChannel &ch = ctx.channel();
    ctx.state.toolState = 205;
    ch.rx().setExpectedReply(QByteArray::fromHex("1362093000"));
    ASSERT_TRUE(ch.waitCts() && ch.waitDsrAfterDtr());
    ASSERT_TRUE(ch.sendSerial(QByteArray::fromHex("134209") + "XY" + QByteArray(1, '\0')));
    EXPECT_TRUE(PrinterExchange(ch).waitReplyMatch());
    EXPECT_EQ(printer->messages().value(9), QByteArray("XY"));
}

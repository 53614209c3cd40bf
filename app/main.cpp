#include "comm/appcontext.h"
#include "comm/mappedseriallink.h"
#include "comm/outputchannel.h"
#include "comm/portio.h"
#include "comm/traffictrace.h"
#include "finger/ui/fingerwindow.h"
#include "message/ui/messagewindow.h"
#include "shell/programfolder.h"
#include "shell/startupreport.h"
#include "shell/ui/launcherwindow.h"
#include "shell/ui/messageboxprompter.h"
#include "tester/ui/testerwindow.h"
#include "ticket/ui/ticketwindow.h"
#include "unit/ui/unitwindow.h"

#include "demo.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zentrix"));
    QApplication::setOrganizationName(QStringLiteral("Zentrix"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("zentrix")));

    // Standard buttons and dialogs in Japanese, whatever the locale.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    const QString folder = resolveProgramFolder();
    // COMn resolves through the port map to a real device, or with "sim:"
    // to an emulated printer (demo mode).
    auto serialLink = std::make_unique<MappedSerialLink>();
    MappedSerialLink *mapped = serialLink.get();
    serialLink->setTrace(TrafficTrace::fromEnvironment());
    AppContext ctx(std::make_unique<MessageBoxPrompter>(), std::make_unique<LibraryPortIo>(folder),
                   std::move(serialLink));
    ctx.state.programFolder = folder;
    sim::attachDemoPrinters(*mapped, ctx.state);

    LauncherWindow launcher(ctx);
    // Nobody should take the emulator for a printer on the desk.
    launcher.titleMark = [&ctx, mapped] { return sim::simulationMark(*mapped, ctx.state); };
    launcher.registerTool<MessageWindow>(Tool::Message);
    launcher.registerTool<TesterWindow>(Tool::Tester);
    launcher.registerTool<TicketWindow>(Tool::Ticket);
    launcher.registerTool<unit::UnitWindow>(Tool::Unit);
    launcher.registerTool<FingerWindow>(Tool::Finger);
    launcher.load(QApplication::arguments().mid(1).join(QLatin1Char(' ')));
    launcher.show();
    if (qEnvironmentVariableIsSet("ZENTRIX_STARTUP_REPORT")) {
        // Measure until the launcher has been painted, then leave.
        QTimer::singleShot(0, &launcher, [] {
            std::fprintf(stderr, "launcher shown after %.0f ms, peak memory %ld KiB\n", msSinceProcessStart(),
                         peakResidentKiB());
            QApplication::exit(0);
        });
    }
    return QApplication::exec();
}

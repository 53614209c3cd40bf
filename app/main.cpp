#include "comm/portio.h"
#include "message/ui/messagewindow.h"
#include "shell/appcontext.h"
#include "shell/programfolder.h"
#include "shell/ui/launcherwindow.h"
#include "shell/ui/messageboxprompter.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

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
    AppContext ctx(std::make_unique<MessageBoxPrompter>(), std::make_unique<LibraryPortIo>(folder));
    ctx.state.programFolder = folder;

    LauncherWindow launcher(ctx);
    launcher.registerTool(Tool::Message, [](AppContext &c, ToolHost &host) -> QWidget * {
        // The channel hooks (open the port, the settings window, restore at
        // the close box) are wired here once the output channel exists.
        return new MessageWindow(c, host);
    });
    launcher.load(QApplication::arguments().mid(1).join(QLatin1Char(' ')));
    launcher.show();
    return QApplication::exec();
}

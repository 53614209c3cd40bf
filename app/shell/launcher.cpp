#include "launcher.h"

#include "comm/appcontext.h"
#include "comm/portio.h"

#include <QDir>
#include <QFile>

namespace launcher {

QString startupArgument(const QString &commandLine)
{
    if (commandLine.indexOf(QLatin1Char('"')) >= 0 && commandLine.lastIndexOf(QLatin1Char('"')) >= 0)
        return commandLine.mid(1, qMax(0, commandLine.size() - 2));
    return commandLine;
}

void placeOnFirstLoad(AppState &state, int screenWidthTwips, int screenHeightTwips)
{
    if (state.firstLoadDone)
        return;
    state.launcherLeft = (screenWidthTwips - kDesignWidth) / 2;
    state.launcherTop = (screenHeightTwips - kDesignHeight) / 2;
    state.contentOffsetX = 0;
    state.contentOffsetY = 0;
    state.firstLoadDone = true;
}

void applyResize(AppState &state, int widthTwips, int heightTwips)
{
    if (widthTwips > kEnlargedAbove) {
        state.launcherMaximized = true;
        state.contentOffsetX = (widthTwips - kDesignWidth) / 2;
        state.contentOffsetY = qMax(0, (heightTwips - kDesignHeight) / 2);
    } else {
        state.launcherMaximized = false;
        state.contentOffsetX = 0;
        state.contentOffsetY = 0;
    }
}

namespace {

// The library resolves its files relative to the current directory.
class InProgramFolder {
public:
    explicit InProgramFolder(const QString &folder) : old_(QDir::currentPath())
    {
        if (!folder.isEmpty())
            QDir::setCurrent(folder);
    }
    ~InProgramFolder() { QDir::setCurrent(old_); }

private:
    QString old_;
};

} // namespace

void decideParallel(AppContext &ctx)
{
    AppState &st = ctx.state;
    st.parallelAvailable = false;
    quint32 result = 0x01;
    if (ctx.portIo().available()) {
        InProgramFolder cd(st.programFolder);
        result = ctx.portIo().start();
    }
    if ((result & 0x01u) == 0)
        st.parallelAvailable = true;
    else
        ctx.messenger().showMessage(kNoParallelText, Icon::Exclamation, kAppTitle);
}

void stopParallel(AppContext &ctx)
{
    if (!ctx.state.parallelAvailable)
        return;
    InProgramFolder cd(ctx.state.programFolder);
    if (ctx.portIo().stop() == 0)
        ctx.state.parallelAvailable = false;
}

void removeFontFile(const QString &programFolder)
{
    const QString path = QDir(programFolder).filePath(QStringLiteral("KZmarugothic.ttf"));
    QFile f(path);
    if (!f.exists())
        return;
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    f.remove();
}

void forceUnitToolSettings(AppState &state)
{
    state.output.interfaceName = kInterfaceSerial;
    state.output.parity = 0;
    state.output.baudText = QStringLiteral("9600bps ");
}

} // namespace launcher

#include "programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString resolveProgramFolder()
{
    const QString env = qEnvironmentVariable("ZENTRIX_HOME");
    if (!env.isEmpty()) {
        QDir().mkpath(env);
        return QDir(env).absolutePath();
    }
    const QString exeDir = QCoreApplication::applicationDirPath();
    QFileInfo info(exeDir);
    if (!exeDir.isEmpty() && info.isDir() && info.isWritable())
        return exeDir;
    QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share/Zentrix");
    QDir().mkpath(data);
    return data;
}

QString findHelpFile(const QString &programFolder, const QString &pageName)
{
    QStringList candidates{programFolder + QStringLiteral("/Help/") + pageName};
    const QString exeDir = QCoreApplication::applicationDirPath();
    candidates << exeDir + QStringLiteral("/Help/") + pageName;
    candidates << exeDir + QStringLiteral("/../share/zentrix/Help/") + pageName;
    for (const QString &c : candidates) {
        QFileInfo fi(c);
        if (fi.isFile())
            return fi.absoluteFilePath();
    }
    return {};
}

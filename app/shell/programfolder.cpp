#include "programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString resolveProgramFolder() { return resolveProgramFolder(QCoreApplication::applicationDirPath()); }

QString resolveProgramFolder(const QString &exeDir)
{
    const QString env = qEnvironmentVariable("ZENTRIX_HOME");
    if (!env.isEmpty()) {
        QDir().mkpath(env);
        return QDir(env).absolutePath();
    }
    // An installed program never writes beside itself, not even when run
    // by root: /usr/bin is nobody's program folder.
    QFileInfo info(exeDir);
    if (!exeDir.isEmpty() && info.isDir() && info.isWritable() && installedShareFolder(exeDir).isEmpty())
        return QDir(exeDir).absolutePath();
    // One folder for the launcher and the command line alike, so both see
    // the same zentrix.ini (the application name differs between them).
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share");
    data += QStringLiteral("/Zentrix");
    QDir().mkpath(data);
    return data;
}

QString installedShareFolder(const QString &exeDir)
{
    if (exeDir.isEmpty())
        return {};
    const QFileInfo share(exeDir + QStringLiteral("/../share/zentrix"));
    return share.isDir() ? share.absoluteFilePath() : QString();
}

QString findHelpFile(const QString &programFolder, const QString &pageName)
{
    return findHelpFile(programFolder, pageName, QCoreApplication::applicationDirPath());
}

QString findHelpFile(const QString &programFolder, const QString &pageName, const QString &exeDir)
{
    if (pageName.isEmpty())
        return {};
    QStringList candidates;
    if (!programFolder.isEmpty())
        candidates << programFolder + QStringLiteral("/Help/") + pageName;
    if (!exeDir.isEmpty()) {
        candidates << exeDir + QStringLiteral("/Help/") + pageName;
        const QString share = installedShareFolder(exeDir);
        if (!share.isEmpty())
            candidates << share + QStringLiteral("/Help/") + pageName;
    }
    for (const QString &c : candidates) {
        QFileInfo fi(c);
        if (fi.isFile())
            return fi.absoluteFilePath();
    }
    return {};
}

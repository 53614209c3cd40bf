#include "lastfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace lastfiles {

QString settingKey(const QString &tool) { return QStringLiteral("LastFile/") + tool; }

QString lastFile(const QString &tool) { return QSettings().value(settingKey(tool)).toString(); }

void remember(const QString &tool, const QString &path)
{
    if (path.trimmed().isEmpty())
        return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QSettings settings;
    if (settings.value(settingKey(tool)).toString() != absolute)
        settings.setValue(settingKey(tool), absolute);
}

QString startFolder(const QString &tool, const QString &current)
{
    for (const QString &file : {current, lastFile(tool)}) {
        if (file.trimmed().isEmpty())
            continue;
        const QString folder = QFileInfo(file).absolutePath();
        if (QFileInfo(folder).isDir())
            return folder;
    }
    return QDir::homePath();
}

} // namespace lastfiles

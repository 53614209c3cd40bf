#include "lastfiles.h"

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

} // namespace lastfiles

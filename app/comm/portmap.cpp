#include "portmap.h"

#include <QFileInfo>
#include <QSettings>

namespace portmap {

namespace {

QString envName(int comPort) { return QStringLiteral("ZENTRIX_COM%1").arg(comPort); }

QString canonical(const QString &device)
{
    if (isSim(device))
        return device;
    const QString c = QFileInfo(device).canonicalFilePath();
    return c.isEmpty() ? device : c;
}

} // namespace

QString settingKey(int comPort) { return QStringLiteral("Ports/COM%1").arg(comPort); }

QString defaultDevice(int comPort) { return QStringLiteral("/dev/ttyS%1").arg(qMax(0, comPort - 1)); }

QString devicePath(int comPort)
{
    const QString env = qEnvironmentVariable(envName(comPort).toLatin1().constData());
    if (!env.isEmpty())
        return env;
    const QString setting = QSettings().value(settingKey(comPort)).toString();
    if (!setting.isEmpty())
        return setting;
    return defaultDevice(comPort);
}

QString sourceOf(int comPort)
{
    if (!qEnvironmentVariable(envName(comPort).toLatin1().constData()).isEmpty())
        return QStringLiteral("env");
    if (!QSettings().value(settingKey(comPort)).toString().isEmpty())
        return QStringLiteral("setting");
    return QStringLiteral("default");
}

void setDevicePath(int comPort, const QString &path)
{
    QSettings settings;
    if (path.isEmpty())
        settings.remove(settingKey(comPort));
    else
        settings.setValue(settingKey(comPort), path);
}

bool isSim(const QString &device) { return device.startsWith(kSimPrefix); }

QString simPersona(const QString &device) { return isSim(device) ? device.mid(kSimPrefix.size()) : QString(); }

QList<int> comPortsFor(const QString &device)
{
    QList<int> out;
    const QString wanted = canonical(device);
    for (int n = 1; n <= 30; ++n) {
        if (canonical(devicePath(n)) == wanted)
            out << n;
    }
    return out;
}

} // namespace portmap

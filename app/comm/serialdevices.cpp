#include "serialdevices.h"

#include "base/messagecatalogue.h"
#include "portmap.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace serialdevices {

namespace {

QString sourceName(int comPort)
{
    const QString source = portmap::sourceOf(comPort);
    if (source == QLatin1String("env"))
        return QStringLiteral("環境変数");
    if (source == QLatin1String("setting"))
        return QStringLiteral("設定");
    return QStringLiteral("既定");
}

QString defaultItem(int comPort) { return QStringLiteral("既定 (%1)").arg(portmap::defaultDevice(comPort)); }

QString envName(int comPort) { return QStringLiteral("ZENTRIX_COM%1").arg(comPort); }

} // namespace

QString byIdName(const QString &location, const QString &byIdFolder)
{
    const QString wanted = QFileInfo(location).canonicalFilePath();
    if (wanted.isEmpty())
        return {};
    const QDir dir(byIdFolder);
    const QStringList names = dir.entryList(QDir::Files | QDir::System, QDir::Name);
    for (const QString &name : names) {
        const QString path = dir.filePath(name);
        if (QFileInfo(path).canonicalFilePath() == wanted)
            return path;
    }
    return {};
}

QList<Device> present(const QString &byIdFolder)
{
    QList<Device> out;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports) {
        Device d;
        d.portName = info.portName();
        d.location = info.systemLocation();
        d.description = info.description();
        d.byId = byIdName(d.location, byIdFolder);
        out << d;
    }
    return out;
}

QString report(const QList<Device> &devices)
{
    QString listed;
    QList<int> shown;
    for (const Device &d : devices) {
        const QString description = d.description.isEmpty() ? QStringLiteral("(説明なし)") : d.description;
        listed += d.portName + QLatin1Char('\t') + description + QStringLiteral("\r\n");
        if (!d.byId.isEmpty())
            listed += QStringLiteral("　　") + d.byId + QStringLiteral("\r\n");
        const QList<int> ports = portmap::comPortsFor(d.location);
        QStringList names;
        for (int n : ports)
            names << QStringLiteral("COM%1(%2)").arg(n).arg(sourceName(n));
        shown << ports;
        listed += QStringLiteral("　　→ ") +
                  (names.isEmpty() ? QStringLiteral("COM割当なし") : names.join(QStringLiteral(", "))) +
                  QStringLiteral("\r\n");
    }

    // Mappings the user made to something not listed above.
    QStringList others;
    for (int n = 1; n <= 30; ++n) {
        if (shown.contains(n) || portmap::sourceOf(n) == QLatin1String("default"))
            continue;
        const QString device = portmap::devicePath(n);
        const QString what = portmap::isSim(device) ? QStringLiteral("エミュレータ") : QStringLiteral("未接続");
        others << QStringLiteral("　　COM%1 → %2 (%3, %4)").arg(n).arg(device, what, sourceName(n));
    }

    QString text = devices.isEmpty() ? QStringLiteral("シリアルポートが見つかりません。\r\n") : listed;
    if (!others.isEmpty())
        text += QStringLiteral("その他の割当:\r\n") + others.join(QStringLiteral("\r\n"));
    if (text.endsWith(QLatin1String("\r\n")))
        text.chop(2);
    return text;
}

void showReport(Messenger &messenger, const QList<Device> &devices)
{
    messenger.showMessage(report(devices), Icon::Information);
}

MappingChoices mappingChoices(int comPort, const QList<Device> &devices)
{
    MappingChoices c;
    c.items << defaultItem(comPort);
    for (const Device &d : devices)
        c.items << (d.byId.isEmpty() ? d.location : d.byId);
    c.items << portmap::kSimPrefix;

    if (portmap::sourceOf(comPort) != QLatin1String("default")) {
        const QString current = portmap::devicePath(comPort);
        const QString canonical = QFileInfo(current).canonicalFilePath();
        c.current = -1;
        for (int i = 1; i < c.items.size(); ++i) {
            if (c.items[i] == current ||
                (!canonical.isEmpty() && QFileInfo(c.items[i]).canonicalFilePath() == canonical)) {
                c.current = i;
                break;
            }
        }
        if (c.current < 0) {
            c.items << current;
            c.current = int(c.items.size()) - 1;
        }
    }
    return c;
}

bool applyMapping(Messenger &messenger, int comPort, const QString &chosen)
{
    const QString text = chosen.trimmed();
    QString path;
    if (!text.isEmpty() && text != defaultItem(comPort)) {
        if (!text.startsWith(QLatin1Char('/')) && !portmap::isSim(text)) {
            messenger.showMessage(QStringLiteral("デバイスは /dev/ で始まるパスか sim: で指定して下さい。"),
                                  Icon::Exclamation);
            return false;
        }
        path = text;
    }
    portmap::setDevicePath(comPort, path);
    const QString env = qEnvironmentVariable(envName(comPort).toLatin1().constData());
    if (!env.isEmpty()) {
        messenger.showMessage(QStringLiteral("環境変数 %1 が設定されているため、COM%2 は引き続き %3 を使います。")
                                  .arg(envName(comPort))
                                  .arg(comPort)
                                  .arg(env),
                              Icon::Exclamation);
    }
    return true;
}

} // namespace serialdevices

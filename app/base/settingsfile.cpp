#include "settingsfile.h"

#include "cp932.h"
#include "fileerrors.h"
#include "savefile.h"

#include <QFile>
#include <QtEndian>

namespace settingsfile {

namespace {

const QStringList kBaudTexts{"1200bps ", "2400bps ", "4800bps ", "9600bps ", "19200bps", "38400bps"};

template <typename T> T readLe(const QByteArray &rec, int offset)
{
    return qFromLittleEndian<T>(rec.constData() + offset);
}

template <typename T> void writeLe(QByteArray &rec, int offset, T value)
{
    qToLittleEndian<T>(value, rec.data() + offset);
}

QByteArray fixedBytes(const QByteArray &bytes, int size)
{
    QByteArray out = bytes.left(size);
    while (out.size() < size)
        out.append(' ');
    return out;
}

} // namespace

Loaded decode(const QByteArray &raw)
{
    QByteArray rec = raw.left(kRecordSize);
    rec.append(QByteArray(kRecordSize - rec.size(), '\0'));

    Loaded out;
    OutputSettings &s = out.settings;

    s.comPort = readLe<qint16>(rec, 0);
    if (s.comPort < 1 || s.comPort > 30)
        s.comPort = 1;

    s.lptBase = readLe<qint32>(rec, 2);

    const QString name = cp932::decode(rec.mid(6, 8)).left(4);
    s.interfaceName = (name == kInterfaceParallel) ? kInterfaceParallel : kInterfaceSerial;

    const QString baud = QString::fromLatin1(rec.mid(14, 8));
    s.baudText = kBaudTexts.contains(baud) ? baud : QStringLiteral("9600bps ");

    s.parity = readLe<qint16>(rec, 22);

    s.byteInterval = readLe<qint16>(rec, 24);
    out.byteIntervalSet = s.byteInterval >= 1; // an int16 never exceeds 99999
    if (!out.byteIntervalSet)
        s.byteInterval = 0;

    s.numberInterval = readLe<qint32>(rec, 26);
    out.numberIntervalSet = s.numberInterval >= 1 && s.numberInterval <= 600000;
    if (!out.numberIntervalSet)
        s.numberInterval = 0;

    s.dtrWait = readLe<qint32>(rec, 30);
    if (s.dtrWait == 0)
        s.dtrWait = 100;

    s.replyWait = readLe<qint32>(rec, 34);
    return out;
}

QByteArray encode(const OutputSettings &s)
{
    QByteArray rec(kRecordSize, '\0');
    writeLe<qint16>(rec, 0, s.comPort);
    writeLe<qint32>(rec, 2, s.lptBase);
    rec.replace(6, 8, fixedBytes(cp932::encode(s.interfaceName), 8));
    rec.replace(14, 8, fixedBytes(s.baudText.toLatin1(), 8));
    writeLe<qint16>(rec, 22, s.parity);
    writeLe<qint16>(rec, 24, s.byteInterval);
    writeLe<qint32>(rec, 26, s.numberInterval);
    writeLe<qint32>(rec, 30, s.dtrWait);
    writeLe<qint32>(rec, 34, s.replyWait);
    return rec;
}

void load(AppState &state, const QString &path)
{
    QByteArray raw;
    QFile file(path);
    if (file.exists()) {
        if (file.open(QIODevice::ReadOnly))
            raw = file.read(kRecordSize);
    } else {
        // An unwritable folder leaves no file; the defaults still apply.
        if (file.open(QIODevice::WriteOnly))
            file.close();
    }
    const Loaded loaded = decode(raw);
    state.output = loaded.settings;
    state.byteIntervalSet = loaded.byteIntervalSet;
    state.numberIntervalSet = loaded.numberIntervalSet;
}

bool save(const OutputSettings &settings, const QString &path, QString *error)
{
    // Keep any bytes that follow record 1 (the file is record-addressed).
    QByteArray tail;
    {
        QFile old(path);
        if (old.open(QIODevice::ReadOnly) && old.size() > kRecordSize) {
            old.seek(kRecordSize);
            tail = old.readAll();
        }
    }
    return savefile::replace(path, encode(settings) + tail, error);
}

} // namespace settingsfile

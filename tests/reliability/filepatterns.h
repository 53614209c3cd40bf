#pragma once
// Contents the crash-safety writer puts in files, each telling by itself
// which write it came from: a record or file that does not match its own
// generation exactly is torn.
#include "base/settingsfile.h"
#include "finger/fingerfiles.h"
#include "message/msdfile.h"

#include <QRegularExpression>

#include <optional>

namespace filepatterns {

// Record n of generation g: "N<n>G<g>:" and a run of one letter whose
// length changes with g, so two generations differ in every part.
inline QByteArray recordText(int n, qint64 g)
{
    const QByteArray head = "N" + QByteArray::number(n) + "G" + QByteArray::number(g) + ":";
    return head + QByteArray(int((g * 7 + n) % 400) + 10, char('a' + g % 26));
}

// The generation of a record that is exactly record n of some generation.
inline std::optional<qint64> generationOf(int n, const QByteArray &record)
{
    const MsdRecord r = MsdFile::decodeRecord(record);
    static const QRegularExpression head(QStringLiteral("^N(\\d+)G(\\d+):"));
    const auto m = head.match(QString::fromLatin1(r.text));
    if (!m.hasMatch() || m.captured(1).toInt() != n)
        return std::nullopt;
    const qint64 g = m.captured(2).toLongLong();
    if (record != MsdFile::encodeRecord(recordText(n, g)))
        return std::nullopt;
    return g;
}

// A whole file of 255 records of generation g.
inline QByteArray wholeFile(qint64 g)
{
    QByteArray all;
    for (int n = 1; n <= MsdFile::kRecordCount; ++n)
        all += MsdFile::encodeRecord(recordText(n, g));
    return all;
}

// Settings whose every field follows from g (g >= 0).
inline OutputSettings settings(qint64 g)
{
    static const char *const kBauds[] = {"1200bps ", "2400bps ", "4800bps ", "9600bps ", "19200bps", "38400bps"};
    OutputSettings s;
    s.comPort = qint16(g % 30 + 1);
    s.lptBase = qint32(g);
    s.interfaceName = g % 2 ? kInterfaceParallel : kInterfaceSerial;
    s.baudText = QString::fromLatin1(kBauds[g % 6]);
    s.parity = qint16(g % 3);
    s.byteInterval = qint16(g % 30000 + 1);
    s.numberInterval = qint32(g % 600000 + 1);
    s.dtrWait = qint32(g + 1);
    s.replyWait = qint32(g);
    return s;
}

// The fingerprint users the data-file writer keeps: row n has its own IDs
// and templates, so every record tells which row it is.
inline FingerUser fingerUser(int row)
{
    FingerUser u;
    for (int f = 0; f < 2; ++f) {
        u.userId[size_t(f)] = QByteArray(f == 0 ? "A" : "B") + QByteArray::number(100000 + row);
        u.fingerTemplate[size_t(f)] =
            QByteArray(1, fingers::kStx) + QByteArray(300 + row, char('a' + row)) + QByteArray(1, fingers::kEtx) + 'c';
    }
    return u;
}

} // namespace filepatterns

#pragma once
// Contents the crash-safety writer puts in files, each telling by itself
// which write it came from: a record or file that does not match its own
// generation exactly is torn.
#include "base/settingsfile.h"
#include "finger/fingerfiles.h"
#include "message/msdfile.h"
#include "ticket/ticketfileoperations.h"
#include "unit/unitsetfile.h"

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

// The generation g in [first, first + span) whose value modulo `modulus`
// is `rest` (span <= modulus).
inline qint64 generationFrom(qint64 rest, qint64 modulus, qint64 first)
{
    return first + ((rest - first % modulus) % modulus + modulus) % modulus;
}

// Single-user and data-file records whose templates carry the generation.
inline FingerUser fingerUser(int row, qint64 g)
{
    FingerUser u = fingerUser(row);
    const QByteArray head = "G" + QByteArray::number(g) + ":";
    for (int f = 0; f < 2; ++f)
        u.fingerTemplate[size_t(f)] = QByteArray(1, fingers::kStx) + head +
                                      QByteArray(int((g * 3 + row + f) % 500) + 10, char('a' + (g + f) % 26)) +
                                      QByteArray(1, fingers::kEtx) + 'c';
    return u;
}
inline std::optional<qint64> fingerGenerationOf(int row, const QByteArray &record)
{
    static const QRegularExpression head(QStringLiteral("^\\x02G(\\d+):"));
    const auto m = head.match(QString::fromLatin1(fingerrecord::decode(record).fingerTemplate[0]));
    if (!m.hasMatch())
        return std::nullopt;
    const qint64 g = m.captured(1).toLongLong();
    return fingerrecord::encode(fingerUser(row, g)) == record ? std::optional(g) : std::nullopt;
}

// ---- ticket contents ----------------------------------------------------

// The content the writer saves and deletes; the others stay as they were.
constexpr int kTicketNumber = 2;

// Line k of generation g: a magnification and "K<k>G<g>:" with a run
// whose length follows g.
inline TicketLine ticketLine(int k, qint64 g)
{
    TicketLine line;
    line.magnification = QStringLiteral("%1x%2").arg((g + k) % 4 + 1).arg((g / 4 + k) % 4 + 1);
    line.text =
        QStringLiteral("K%1G%2:").arg(k).arg(g) + QString(int((g * 5 + k) % 60) + 1, QChar(char16_t(u'a' + g % 26)));
    return line;
}
inline TicketContent ticketContent(qint64 g)
{
    TicketContent c;
    for (int k = 1; k <= TicketContent::kLineCount; ++k)
        c.line(k) = ticketLine(k, g);
    return c;
}
// Record n is exactly line k of content kTicketNumber of some generation.
inline std::optional<qint64> ticketGenerationOf(int n, const QByteArray &record, qint64 /*first*/)
{
    const int k = (n - 1) % ticketfile::kRecordsPerContent + 1;
    if ((n - 1) / ticketfile::kRecordsPerContent + 1 != kTicketNumber)
        return std::nullopt;
    static const QRegularExpression head(QStringLiteral("^[1-4]x[1-4]K(\\d+)G(\\d+):"));
    const auto m = head.match(QString::fromLatin1(MsdFile::decodeRecord(record).text));
    if (!m.hasMatch() || m.captured(1).toInt() != k)
        return std::nullopt;
    const qint64 g = m.captured(2).toLongLong();
    if (record != MsdFile::encodeRecord(ticketfile::recordText(ticketLine(k, g))))
        return std::nullopt;
    return g;
}

// ---- unit setting sets ----------------------------------------------------

constexpr int kUnitSet = 3;

// Settings of both models that pass the check, every record telling its
// generation: a name "<channel><g mod 10^6>", g in the two comparison
// values, the UX unit g mod 10^5.
inline unit::UnitSettings unitSettings(qint64 g)
{
    unit::UnitSettings s;
    for (int c = 1; c <= unit::kVuxChannels; ++c) {
        unit::VuxChannel &ch = s.vux.channel(c);
        ch.name = QString::number(c) + QStringLiteral("%1").arg(g % 1000000, 6, 10, QLatin1Char('0'));
        ch.decimalPoint = unit::vuxPatterns()[int((g + c) % unit::vuxPatterns().size())];
        ch.unit = QString::number((g + c) % 100000);
        ch.rate = QString::number((g + c) % 99 + 1);
    }
    s.vux.compare = {QString::number(g / 1000000), QString::number(g % 1000000)};
    s.ux.decimalPoint1 = unit::uxPatterns()[int(g % unit::uxPatterns().size())];
    s.ux.decimalPoint2 = unit::uxPatterns()[int(g / 11 % unit::uxPatterns().size())];
    s.ux.unit = QStringLiteral("%1").arg(g % 100000, 5, 10, QLatin1Char('0'));
    s.ux.indicator = unit::indicators()[int(g % unit::indicators().size())];
    return s;
}
// Record n is exactly what a save of set kUnitSet of some generation in
// [first, first + 100000) writes there.
inline std::optional<qint64> unitGenerationOf(int n, const QByteArray &record, qint64 first)
{
    using namespace unit;
    const QByteArray text = MsdFile::decodeRecord(record).text;
    std::optional<qint64> g;
    Model model = Model::Vux;
    if (n == uxSettingsRecord(kUnitSet)) {
        model = Model::Ux;
        const QList<QByteArray> fields = text.split('\0');
        if (fields.size() > 2 && fields[2].size() == 5)
            g = generationFrom(fields[2].toLongLong(), 100000, first);
    } else if (n == vuxSettingsRecord(kUnitSet)) {
        const QList<QByteArray> fields = text.split('\0');
        const int at = 3 * kVuxChannels;
        if (fields.size() > at + 1)
            g = fields[at].toLongLong() * 1000000 + fields[at + 1].toLongLong();
    } else if (n >= nameRecord(kUnitSet, 1) && n <= nameRecord(kUnitSet, kVuxChannels) && text.size() == 7 &&
               text[0] == char('0' + n - nameRecord(kUnitSet, 1) + 1)) {
        g = generationFrom(text.mid(1).toLongLong(), 1000000, first);
    }
    if (!g)
        return std::nullopt;
    UnitSettings s = unitSettings(*g);
    checkModel(model, s);
    return record == MsdFile::encodeRecord(encodeSet(model, kUnitSet, s).value(n)) ? g : std::nullopt;
}

} // namespace filepatterns

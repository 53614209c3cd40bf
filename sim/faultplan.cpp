#include "faultplan.h"

#include <QStringList>

namespace sim {

namespace {

// A non-negative number after "name:", or -1.
int valueAfter(const QString &word, const QString &name)
{
    if (!word.startsWith(name + QLatin1Char(':')))
        return -1;
    bool ok = false;
    const int v = word.mid(name.size() + 1).toInt(&ok);
    return ok && v >= 0 ? v : -1;
}

} // namespace

QByteArray FaultPlan::noise() { return QByteArray("\xFF\xA5\x13\x7E\x81", 5); }

QByteArray FaultPlan::corrupted(const QByteArray &frame)
{
    QByteArray out = frame;
    if (out.isEmpty())
        return out;
    const qsizetype at = (out.size() >= 2 && out.endsWith('\0')) ? out.size() - 2 : out.size() - 1;
    out[at] = char(quint8(out[at]) + 1);
    return out;
}

bool FaultPlan::apply(const QString &text)
{
    const QString word = text.trimmed().toLower();
    FaultPlan next = *this;
    if (word == QLatin1String("none")) {
        next = FaultPlan();
    } else if (word == QLatin1String("no-reply")) {
        next.noReply = true;
    } else if (word == QLatin1String("wrong-reply")) {
        next.wrongReply = true;
    } else if (word == QLatin1String("garbage")) {
        next.garbage = true;
    } else if (word == QLatin1String("drop-mid-frame")) {
        next.dropMidFrame = true;
    } else if (int ms = valueAfter(word, QStringLiteral("drop-mid-frame")); ms >= 0) {
        next.dropMidFrame = true;
        next.reconnectMs = ms;
    } else if (int ms = valueAfter(word, QStringLiteral("slow-reply")); ms >= 0) {
        next.slowMs = ms;
    } else if (int n = valueAfter(word, QStringLiteral("times")); n >= 0) {
        next.times = n;
    } else {
        return false;
    }
    *this = next;
    return true;
}

QString FaultPlan::describe() const
{
    QStringList parts;
    if (noReply)
        parts << QStringLiteral("no reply");
    if (wrongReply)
        parts << QStringLiteral("wrong reply");
    if (slowMs > 0)
        parts << QStringLiteral("reply %1 ms late").arg(slowMs);
    if (garbage)
        parts << QStringLiteral("garbage before the reply");
    if (dropMidFrame)
        parts << (reconnectMs >= 0 ? QStringLiteral("line dropped mid-frame, back after %1 ms").arg(reconnectMs)
                                   : QStringLiteral("line dropped mid-frame"));
    if (parts.isEmpty() || times == 0)
        return QStringLiteral("no faults");
    const QString scope = times < 0 ? QStringLiteral("every reply") : QStringLiteral("next %1 replies").arg(times);
    return parts.join(QStringLiteral(", ")) + QStringLiteral(" (") + scope + QLatin1Char(')');
}

} // namespace sim

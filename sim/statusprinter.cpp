#include "statusprinter.h"

namespace sim {

StatusPrinter::StatusPrinter(const QString &persona, QList<Event> events, QObject *parent)
    : Dc3Printer(persona, parent), events_(std::move(events))
{
    connect(&schedule_, &QTimer::timeout, this, &StatusPrinter::sendNext);
}

QByteArray StatusPrinter::record(char code, const QDateTime &when, const QByteArray &data)
{
    QByteArray r(1, code);
    r += when.toString(QStringLiteral("ddHHmmss")).toLatin1();
    r += data;
    r += '\0';
    return r;
}

QString StatusPrinter::describeRecord(const QByteArray &r) const
{
    if (r.isEmpty())
        return QStringLiteral("empty record");
    const char code = r[0];
    QString meaning = QStringLiteral("unknown event");
    for (const Event &e : events_) {
        if (e.code == code)
            meaning = QLatin1String(e.meaning);
    }
    const QByteArray body = r.endsWith('\0') ? r.chopped(1) : r;
    QString out = QStringLiteral("status %1 (%2)").arg(QString(QLatin1Char(code)), meaning);
    if (body.size() >= 9) {
        const QByteArray t = body.mid(1, 8);
        out += QStringLiteral(" day %1 %2:%3:%4")
                   .arg(QLatin1String(t.mid(0, 2)), QLatin1String(t.mid(2, 2)), QLatin1String(t.mid(4, 2)),
                        QLatin1String(t.mid(6, 2)));
    }
    if (body.size() > 9)
        out += QStringLiteral(" data \"%1\"").arg(FrameLog::readable(body.mid(9)));
    return out;
}

bool StatusPrinter::sendStatus(char code, const QByteArray &data)
{
    const QByteArray r = record(code, QDateTime::currentDateTime(), data);
    if (!hostListening()) {
        note(QStringLiteral("not sent, the port is closed: ") + describeRecord(r));
        return false;
    }
    sendOwn(r, describeRecord(r));
    return true;
}

void StatusPrinter::setStatusEvery(int ms)
{
    if (ms <= 0) {
        schedule_.stop();
        return;
    }
    schedule_.start(ms);
}

void StatusPrinter::sendNext()
{
    if (events_.isEmpty() || !hostListening())
        return;
    const Event &e = events_[next_ % events_.size()];
    next_ = (next_ + 1) % events_.size();
    sendStatus(e.code, scheduledData(e.code));
}

QString StatusPrinter::describe(const QByteArray &frame, bool fromProgram) const
{
    Q_UNUSED(frame)
    return fromProgram ? QStringLiteral("command (not emulated, not answered)") : QStringLiteral("answer");
}

} // namespace sim

#include "trafficlog.h"

#include "base/cp932.h"
#include "traffictrace.h"

#include <QDateTime>

namespace {

QString readable(const QByteArray &bytes)
{
    // Control bytes become dots first so that a split double-byte
    // character cannot swallow a frame's DC3 or NUL.
    QByteArray shown = bytes;
    for (char &c : shown) {
        const quint8 b = quint8(c);
        if (b < 0x20 || b == 0x7F)
            c = '.';
    }
    return cp932::decode(shown);
}

} // namespace

TrafficLog::TrafficLog(size_t capacity) : capacity_(qMax<size_t>(1, capacity)) {}

TrafficLog::Line &TrafficLog::startLine(Kind kind)
{
    if (lines_.size() >= capacity_)
        lines_.pop_front();
    Line line;
    line.seq = next_++;
    line.msecsSinceEpoch = QDateTime::currentMSecsSinceEpoch();
    line.kind = kind;
    lines_.push_back(std::move(line));
    return lines_.back();
}

bool TrafficLog::lastIsOpen() const
{
    return !lastClosed_ && !lines_.empty() && sinceLastByte_.isValid() && sinceLastByte_.elapsed() <= kBurstGapMs;
}

void TrafficLog::addBytes(Kind kind, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    qsizetype i = 0;
    while (i < bytes.size()) {
        Line *line = lastIsOpen() && lines_.back().kind == kind ? &lines_.back() : nullptr;
        if (!line || line->bytes.size() >= kBytesPerLine)
            line = &startLine(kind);
        const qsizetype take = qMin<qsizetype>(kBytesPerLine - line->bytes.size(), bytes.size() - i);
        line->bytes.append(bytes.constData() + i, take);
        i += take;
        lastClosed_ = false;
        sinceLastByte_.start();
    }
}

void TrafficLog::event(const QString &text)
{
    startLine(Kind::Event).text = text;
    lastClosed_ = true;
}

QList<TrafficLog::Line> TrafficLog::linesFrom(quint64 seq, int max, bool includeOpen) const
{
    QList<Line> out;
    if (lines_.empty() || max <= 0)
        return out;
    const quint64 first = lines_.front().seq;
    const quint64 end = includeOpen ? next_ : closedEndSeq();
    for (quint64 s = qMax(seq, first); s < end && out.size() < max; ++s)
        out << lines_[size_t(s - first)];
    return out;
}

QString TrafficLog::format(const Line &line)
{
    const QString stamp = QDateTime::fromMSecsSinceEpoch(line.msecsSinceEpoch).toString(QStringLiteral("HH:mm:ss.zzz"));
    switch (line.kind) {
    case Kind::Event:
        return stamp + QStringLiteral(" --  ") + line.text;
    case Kind::Sent:
    case Kind::Received:
        break;
    }
    const QString tag = line.kind == Kind::Sent ? QStringLiteral(" TX  ") : QStringLiteral(" RX  ");
    return stamp + tag + hexColumn(line.bytes).leftJustified(kBytesPerLine * 3) + QStringLiteral(" |") +
           readable(line.bytes) + QLatin1Char('|');
}

TrafficFeed::Batch TrafficFeed::next(int maxLines)
{
    Batch batch;
    const quint64 first = log_.firstSeq();
    if (next_ < first) {
        batch.skipped += first - next_;
        next_ = first;
    }
    const quint64 end = log_.closedEndSeq();
    if (maxLines > 0 && end > next_ && end - next_ > quint64(maxLines)) {
        // Behind by more than a batch: keep the newest.
        const quint64 to = end - quint64(maxLines);
        batch.skipped += to - next_;
        next_ = to;
    }
    for (const TrafficLog::Line &line : log_.linesFrom(next_, maxLines)) {
        batch.lines << TrafficLog::format(line);
        next_ = line.seq + 1;
    }
    return batch;
}

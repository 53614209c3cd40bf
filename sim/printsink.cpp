#include "printsink.h"

#include "lptlogfollower.h"

namespace sim {

namespace {

constexpr char kEsc = 0x1B;

bool endsWithEndCommand(const QByteArray &b)
{
    const qsizetype n = b.size();
    return n >= 3 && b[n - 3] == kEsc && b[n - 2] == 'h' && b[n - 1] >= '0' && b[n - 1] <= '9';
}

} // namespace

PrintSink::PrintSink(QObject *parent) : EmulatedPrinter(QStringLiteral("sink"), parent)
{
    for (int s = 0; s < 2; ++s) {
        streams_[s].gap.setSingleShot(true);
        streams_[s].gap.setInterval(kDefaultJobGapMs);
        connect(&streams_[s].gap, &QTimer::timeout, this, [this, s] { finish(PrintJob::Source(s), {}); });
    }
}

PrintSink::~PrintSink() = default;

void PrintSink::setJobGapMs(int ms)
{
    for (Stream &s : streams_)
        s.gap.setInterval(qMax(1, ms));
}

bool PrintSink::followParallelLog(const QString &path)
{
    if (!lpt_) {
        lpt_ = new LptLogFollower(this);
        connect(lpt_, &LptLogFollower::bytes, this,
                [this](const QByteArray &bytes) { take(PrintJob::Parallel, bytes); });
    }
    if (!lpt_->start(path))
        return false;
    note(QStringLiteral("following the parallel printer's log %1").arg(path));
    return true;
}

QString PrintSink::decode(const QByteArray &job) { return FrameLog::readable(job); }

void PrintSink::take(PrintJob::Source source, const QByteArray &bytes)
{
    Stream &s = streams_[source];
    for (char c : bytes) {
        if (s.bytes.isEmpty())
            s.started = QDateTime::currentDateTime();
        s.bytes.append(c);
        if (endsWithEndCommand(s.bytes))
            finish(source, s.bytes.right(3));
    }
    if (!s.bytes.isEmpty())
        s.gap.start();
}

void PrintSink::finish(PrintJob::Source source, const QByteArray &endCommand)
{
    Stream &s = streams_[source];
    s.gap.stop();
    if (s.bytes.isEmpty())
        return;
    PrintJob job{source, s.started, s.bytes, endCommand};
    s.bytes.clear();
    ++total_;
    if (jobs_.size() >= kMaxJobs)
        jobs_.removeFirst();
    jobs_.append(job);
    const QString via = source == PrintJob::Serial ? QStringLiteral("serial") : QStringLiteral("parallel");
    const QString end = endCommand.isEmpty() ? QString() : QStringLiteral(", end ") + FrameLog::readable(endCommand);
    const QByteArray body = endCommand.isEmpty() ? job.bytes : job.bytes.chopped(endCommand.size());
    logReceived(job.bytes, QStringLiteral("job %1 (%2, %3 bytes%4): \"%5\"")
                               .arg(total_)
                               .arg(via)
                               .arg(job.bytes.size())
                               .arg(end, decode(body)));
    emit jobReceived(job);
}

} // namespace sim

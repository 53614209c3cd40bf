#pragma once
// The print sink: a printer that prints whatever it is sent and answers
// nothing, as the printers the print tester drives. It records every job,
// from the serial line and, when told to follow KZpio's printer log, from
// the parallel port, and logs it decoded.
//
// A job ends at a printer's end command (ESC "h" and a digit, e.g. ESC h1)
// or when the line has been quiet for the job gap.
#include "emulatedprinter.h"

#include <QDateTime>
#include <QList>
#include <QTimer>

namespace sim {

class LptLogFollower;

struct PrintJob {
    enum Source { Serial, Parallel };
    Source source = Serial;
    QDateTime started;
    QByteArray bytes;      // everything, end command included
    QByteArray endCommand; // ESC h n, or empty when the job ended by quiet
};

class PrintSink : public EmulatedPrinter {
    Q_OBJECT
public:
    explicit PrintSink(QObject *parent = nullptr);
    ~PrintSink() override;

    static constexpr int kDefaultJobGapMs = 300;
    // Jobs kept in memory (the oldest go first); the log keeps all.
    static constexpr int kMaxJobs = 1000;

    void setJobGapMs(int ms);
    // Also takes the jobs printed on KZpio's emulated parallel printer,
    // read from its log file. False when the file's folder does not exist.
    bool followParallelLog(const QString &path);

    QList<PrintJob> jobs() const { return jobs_; }
    int jobCount() const { return total_; }
    void clearJobs() { jobs_.clear(); }

    // The job as a technician reads it: text, control bytes as &XX.
    static QString decode(const QByteArray &job);

signals:
    void jobReceived(const sim::PrintJob &job);

protected:
    void received(const QByteArray &bytes) override { take(PrintJob::Serial, bytes); }
    void reset() override { finish(PrintJob::Serial, {}); }

private:
    struct Stream {
        QByteArray bytes;
        QDateTime started;
        QTimer gap;
    };
    void take(PrintJob::Source source, const QByteArray &bytes);
    void finish(PrintJob::Source source, const QByteArray &endCommand);

    Stream streams_[2];
    QList<PrintJob> jobs_;
    int total_ = 0;
    LptLogFollower *lpt_ = nullptr;
};

} // namespace sim

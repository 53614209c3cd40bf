#pragma once
// The line traffic kept in memory for the traffic window: every byte sent
// and received and every line event, in lines grouped as the trace file
// groups them (one direction, gaps under 20 ms), 16 bytes a line so that
// hex and text fit side by side in a window. The
// link appends whatever the window does; the window reads what is new from
// a timer, so a burst costs the link an append and nothing more.
#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <deque>

class TrafficLog {
public:
    enum class Kind { Sent, Received, Event };
    struct Line {
        quint64 seq = 0;
        qint64 msecsSinceEpoch = 0; // when its first byte came
        Kind kind = Kind::Event;
        QByteArray bytes;
        QString text; // events only
    };

    static constexpr int kBurstGapMs = 20;
    static constexpr int kBytesPerLine = 16;
    static constexpr size_t kDefaultCapacity = 20000;

    explicit TrafficLog(size_t capacity = kDefaultCapacity);

    void sent(const QByteArray &bytes) { addBytes(Kind::Sent, bytes); }
    void received(const QByteArray &bytes) { addBytes(Kind::Received, bytes); }
    void event(const QString &text);

    // Sequence numbers: lines [firstSeq, endSeq) are held; older ones were
    // dropped when the capacity was reached.
    quint64 firstSeq() const { return lines_.empty() ? next_ : lines_.front().seq; }
    quint64 endSeq() const { return next_; }
    // The end of the lines that are complete (the last one may still grow).
    quint64 closedEndSeq() const { return lastIsOpen() ? next_ - 1 : next_; }

    // Up to max lines from seq on (from firstSeq when seq is older). The
    // last line is left out while bytes may still join it, unless
    // includeOpen.
    QList<Line> linesFrom(quint64 seq, int max, bool includeOpen = false) const;

    // "12:34:56.789 TX  13 42 05  |.B.|": stamp, direction, hex column and
    // readable text (CP932; control bytes as dots).
    static QString format(const Line &line);

private:
    void addBytes(Kind kind, const QByteArray &bytes);
    Line &startLine(Kind kind);
    bool lastIsOpen() const;

    size_t capacity_;
    std::deque<Line> lines_;
    quint64 next_ = 0;
    bool lastClosed_ = true;
    QElapsedTimer sinceLastByte_;
};

// A reader's place in the log. Each next() hands over at most maxLines
// lines; when more are waiting (a burst faster than the reader, or lines
// already dropped from the log) the oldest are skipped and counted, so a
// reader never falls behind by more than one batch.
class TrafficFeed {
public:
    explicit TrafficFeed(const TrafficLog &log) : log_(log), next_(log.endSeq()) {}

    struct Batch {
        QStringList lines;
        quint64 skipped = 0;
    };
    Batch next(int maxLines);
    // Forget what is there now (the view was cleared).
    void skipToEnd() { next_ = log_.endSeq(); }

private:
    const TrafficLog &log_;
    quint64 next_;
};

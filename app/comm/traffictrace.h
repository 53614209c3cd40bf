#pragma once
// Field diagnosis: a time-stamped log of everything on the serial line.
// With ZENTRIX_TRACE=FILE every byte sent and received, every modem-line
// change and every open/close goes to FILE, one line per burst:
//
//   2024-05-01 12:34:56.789 TX  13 42 05 41 42 00     |.B.AB.|
//   2024-05-01 12:34:56.802 RX  13 62 05 30 00        |.b.0.|
//   2024-05-01 12:34:57.010 --  DSR off
//
// Consecutive bytes in one direction form a burst until the direction
// changes, another event is logged, 20 ms pass without a byte, or 32 bytes
// are collected (long bursts continue on the next line).
#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QTimer>

#include <memory>

// Bytes as upper-case hex pairs separated by blanks ("13 42 05").
QString hexColumn(const QByteArray &bytes);

class TrafficTrace {
public:
    // The trace named by ZENTRIX_TRACE, or nothing when it is not set or the
    // file cannot be opened (then a warning goes to stderr).
    static std::unique_ptr<TrafficTrace> fromEnvironment();

    // Appends to the file at path.
    explicit TrafficTrace(const QString &path);
    ~TrafficTrace();

    bool isOpen() const { return file_.isOpen(); }
    QString path() const { return file_.fileName(); }

    void sent(const QByteArray &bytes) { addBytes(Tx, bytes); }
    void received(const QByteArray &bytes) { addBytes(Rx, bytes); }
    // One line of text (open, close, line changes, errors).
    void event(const QString &text);
    // Writes the burst in progress.
    void flush();

    static constexpr int kBurstGapMs = 20;
    static constexpr int kBytesPerLine = 32;

private:
    enum Direction { None, Tx, Rx };
    void addBytes(Direction dir, const QByteArray &bytes);
    void writeLine(const QString &stamp, const char *tag, const QString &rest);

    QFile file_;
    Direction pendingDir_ = None;
    QByteArray pending_;
    QString pendingStamp_;
    QElapsedTimer sinceLast_;
    QTimer idle_;
};

#pragma once
// What an emulated printer saw and said, one entry per frame, with a time
// stamp, a readable decode and the bytes in hex:
//
//   2024-05-01 12:34:56.789 PC>PR register No.5 "AB"
//                                 13 42 05 41 42 00
//   2024-05-01 12:34:56.791 PR>PC registered No.5
//                                 13 62 05 30 00
//   2024-05-01 12:34:57.010 ----- DSR off
//
// PC>PR is what the printer received, PR>PC what it sent. Long frames
// continue their hex on further lines of 32 bytes.
#include <QByteArray>
#include <QString>

#include <functional>

namespace sim {

class FrameLog {
public:
    using Writer = std::function<void(const QString &line)>;

    // Where the lines go; without a writer nothing is formatted.
    void setWriter(Writer writer) { writer_ = std::move(writer); }
    bool enabled() const { return bool(writer_); }

    void received(const QByteArray &bytes, const QString &what) { frame("PC>PR", bytes, what); }
    void sent(const QByteArray &bytes, const QString &what) { frame("PR>PC", bytes, what); }
    void note(const QString &text);

    static constexpr int kBytesPerLine = 32;

    // "13 42 05 41 42 00".
    static QString hex(const QByteArray &bytes);
    // The bytes as text: CP932 decoded, control bytes in the program's
    // command notation (&0D, &1B, ...), so a technician can type them back.
    static QString readable(const QByteArray &bytes);

private:
    void frame(const char *tag, const QByteArray &bytes, const QString &what);

    Writer writer_;
};

// Writers: a file opened for appending (null when it cannot be opened),
// and standard error / standard output (each line flushed).
FrameLog::Writer fileWriter(const QString &path);
FrameLog::Writer stderrWriter();
FrameLog::Writer stdoutWriter();

} // namespace sim

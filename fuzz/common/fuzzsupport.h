#pragma once
// Shared by the libFuzzer targets on the program's core: texts that reach
// the notation's special characters, a scratch folder in memory, and a
// failed invariant that libFuzzer reports as a crash.
#include "base/prompter.h"
#include "comm/portio.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace fuzzsupport {

[[noreturn]] inline void fail(const char *invariant)
{
    std::fprintf(stderr, "invariant broken: %s\n", invariant);
    std::abort();
}

inline void check(bool ok, const char *invariant)
{
    if (!ok)
        fail(invariant);
}

// The input as a file for the targets that read files.
inline void writeFile(const QString &path, const QByteArray &contents)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(contents) != contents.size())
        fail("the scratch file is written");
}

// Reads the input from the front, so that seed files read in order.
class Input {
public:
    Input(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    size_t remaining() const { return size_ - pos_; }
    // 0 once the input is used up.
    quint8 byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    qint16 int16()
    {
        const quint8 low = byte();
        return qint16(low | byte() << 8);
    }
    // Up to n bytes (fewer at the end).
    QByteArray take(size_t n)
    {
        n = n < remaining() ? n : remaining();
        const QByteArray out(reinterpret_cast<const char *>(data_ + pos_), qsizetype(n));
        pos_ += n;
        return out;
    }
    QByteArray rest() { return take(remaining()); }

private:
    const uint8_t *data_;
    size_t size_;
    size_t pos_ = 0;
};

// Bytes below 0x80 stand for themselves; the others pick the characters
// the conversions treat specially (marks, wide space, double-byte text,
// characters CP932 cannot hold, broken surrogates), so that short inputs
// reach them.
inline QString text(const QByteArray &in)
{
    static const char16_t kSpecial[] = {
        u'\u2193', u'\uFF3E', u'\u3000', u'\u3042', u'\u6F22', u'\uFFFD', 0xD800,    0xDC00,    u'\u00A5', u'\u203E',
        u'\u2015', u'\uFF5E', u'\u301C', u'\u2460', u'\u00E9', u'\u0085', u'\u2028', u'\uFF61', u'\u00A0', u'\u2212',
    };
    constexpr int kCount = int(sizeof kSpecial / sizeof kSpecial[0]);
    QString out;
    out.reserve(in.size());
    for (const char c : in) {
        const auto b = quint8(c);
        if (b < 0x80) {
            out += QChar(b);
        } else if (b - 0x80 < kCount) {
            out += QChar(kSpecial[b - 0x80]);
        } else if (b >= 0xF0) {
            out += QString::fromUtf16(u"\U0001F600"); // a surrogate pair
        } else {
            out += QChar(char16_t(0x3000 + b)); // kana and CJK symbols
        }
    }
    return out;
}

// A folder in memory (tmpfs when there is one) for targets that go
// through files; removed when the process ends.
inline const QString &scratchFolder()
{
    static const QString folder = [] {
        const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        const QString path = QStringLiteral("%1/zentrix-fuzz-%2").arg(base).arg(getpid());
        QDir().mkpath(path);
        static const std::string remove = path.toStdString();
        std::atexit([] { QDir(QString::fromStdString(remove)).removeRecursively(); });
        return path;
    }();
    return folder;
}

} // namespace fuzzsupport

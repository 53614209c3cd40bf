#include "framelog.h"

#include "comm/traffictrace.h"

#include "base/cp932.h"

#include <QDateTime>
#include <QFile>

#include <cstdio>
#include <memory>

namespace sim {

namespace {

QString stampNow() { return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")); }

FrameLog::Writer streamWriter(FILE *stream)
{
    return [stream](const QString &line) {
        const QByteArray bytes = line.toUtf8();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
        std::fputc('\n', stream);
        std::fflush(stream);
    };
}

} // namespace

QString FrameLog::hex(const QByteArray &bytes) { return hexColumn(bytes); }

QString FrameLog::readable(const QByteArray &bytes)
{
    QString out;
    for (QChar c : cp932::decode(bytes)) {
        const ushort u = c.unicode();
        if (u < 0x20 || u == 0x7F)
            out += QStringLiteral("&%1").arg(u, 2, 16, QLatin1Char('0')).toUpper();
        else
            out += c;
    }
    return out;
}

void FrameLog::frame(const char *tag, const QByteArray &bytes, const QString &what)
{
    if (!writer_)
        return;
    const QString stamp = stampNow();
    writer_(stamp + QLatin1Char(' ') + QLatin1String(tag) + QLatin1Char(' ') + what);
    const QString indent(stamp.size() + 7, QLatin1Char(' '));
    for (qsizetype at = 0; at < bytes.size(); at += kBytesPerLine)
        writer_(indent + hex(bytes.mid(at, kBytesPerLine)));
}

void FrameLog::note(const QString &text)
{
    if (writer_)
        writer_(stampNow() + QStringLiteral(" ----- ") + text);
}

FrameLog::Writer fileWriter(const QString &path)
{
    auto file = std::make_shared<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return nullptr;
    return [file](const QString &line) {
        file->write(line.toUtf8());
        file->write("\n");
        file->flush();
    };
}

FrameLog::Writer stderrWriter() { return streamWriter(stderr); }

FrameLog::Writer stdoutWriter() { return streamWriter(stdout); }

} // namespace sim

#include "traffictrace.h"

#include <QDateTime>

#include <cstdio>

namespace {

QString stampNow() { return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")); }

QString readableColumn(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const quint8 b = quint8(c);
        out += (b >= 0x20 && b < 0x7F) ? QLatin1Char(char(b)) : QLatin1Char('.');
    }
    return out;
}

} // namespace

QString hexColumn(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size() * 3);
    for (char c : bytes) {
        if (!out.isEmpty())
            out += QLatin1Char(' ');
        out += QStringLiteral("%1").arg(quint8(c), 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

std::unique_ptr<TrafficTrace> TrafficTrace::fromEnvironment()
{
    const QString path = qEnvironmentVariable("ZENTRIX_TRACE");
    if (path.isEmpty())
        return nullptr;
    auto trace = std::make_unique<TrafficTrace>(path);
    if (!trace->isOpen()) {
        std::fprintf(stderr, "ZENTRIX_TRACE: cannot write %s\n", qPrintable(path));
        return nullptr;
    }
    return trace;
}

TrafficTrace::TrafficTrace(const QString &path) : file_(path)
{
    file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
    idle_.setSingleShot(true);
    idle_.setInterval(kBurstGapMs * 2);
    QObject::connect(&idle_, &QTimer::timeout, [this] { flush(); });
    if (file_.isOpen())
        writeLine(stampNow(), "--", QStringLiteral("trace started"));
}

TrafficTrace::~TrafficTrace() { flush(); }

void TrafficTrace::addBytes(Direction dir, const QByteArray &bytes)
{
    if (bytes.isEmpty() || !file_.isOpen())
        return;
    if (pendingDir_ != dir || (sinceLast_.isValid() && sinceLast_.elapsed() > kBurstGapMs))
        flush();
    for (char c : bytes) {
        if (pending_.isEmpty()) {
            pendingDir_ = dir;
            pendingStamp_ = stampNow();
        }
        pending_.append(c);
        if (pending_.size() >= kBytesPerLine)
            flush();
    }
    pendingDir_ = dir;
    sinceLast_.start();
    idle_.start();
}

void TrafficTrace::event(const QString &text)
{
    if (!file_.isOpen())
        return;
    flush();
    writeLine(stampNow(), "--", text);
    file_.flush();
}

void TrafficTrace::flush()
{
    if (!pending_.isEmpty() && file_.isOpen()) {
        const QString hex = hexColumn(pending_);
        const QString rest =
            hex.leftJustified(kBytesPerLine * 3) + QStringLiteral(" |") + readableColumn(pending_) + QLatin1Char('|');
        writeLine(pendingStamp_, pendingDir_ == Tx ? "TX" : "RX", rest);
        file_.flush();
    }
    pending_.clear();
    pendingDir_ = None;
}

void TrafficTrace::writeLine(const QString &stamp, const char *tag, const QString &rest)
{
    const QByteArray line = (stamp + QLatin1Char(' ') + QLatin1String(tag) + QStringLiteral("  ") + rest).toUtf8();
    file_.write(line);
    file_.write("\n");
}

#include "seriallink.h"

#include "trafficlog.h"
#include "traffictrace.h"

#include <QMetaObject>

namespace {

const char *resultName(OpenResult r)
{
    switch (r) {
    case OpenResult::Ok:
        return "ok";
    case OpenResult::NotFound:
        return "not found";
    case OpenResult::Busy:
        return "busy";
    case OpenResult::PermissionDenied:
        return "permission denied";
    case OpenResult::Failed:
        break;
    }
    return "failed";
}

} // namespace

QString lineSettingsText(qint32 baud, Parity parity)
{
    const char p = parity == Parity::Even ? 'E' : parity == Parity::Odd ? 'O' : 'N';
    return QStringLiteral("%1,%2,8,1").arg(baud).arg(QLatin1Char(p));
}

SerialLink::SerialLink(QObject *parent) : QObject(parent), log_(std::make_unique<TrafficLog>()) {}

SerialLink::~SerialLink() = default;

OpenResult SerialLink::open(const QString &device, qint32 baud, Parity parity)
{
    if (isOpen())
        close();
    device_ = device;
    baud_ = baud;
    parity_ = parity;
    errorText_.clear();
    lineErrorPending_ = false;
    lastDsr_ = lastCts_ = -1;
    ++openGeneration_;
    const OpenResult result = doOpen(device, baud, parity);
    if (result == OpenResult::Ok) {
        doSetDtr(dtr_);
        doSetRts(rts_);
    }
    QString text =
        QStringLiteral("OPEN %1 %2: %3").arg(device, lineSettingsText(baud, parity), QLatin1String(resultName(result)));
    if (result != OpenResult::Ok && !errorText_.isEmpty())
        text += QStringLiteral(" (%1)").arg(errorText_);
    else if (result == OpenResult::Ok)
        text += QStringLiteral(", DTR %1, RTS %2").arg(dtr_ ? "on" : "off", rts_ ? "on" : "off");
    logEvent(text);
    return result;
}

void SerialLink::close()
{
    if (!isOpen())
        return;
    doClose();
    logEvent(QStringLiteral("CLOSE %1").arg(device_));
}

void SerialLink::setLineSettings(qint32 baud, Parity parity)
{
    baud_ = baud;
    parity_ = parity;
    if (!isOpen())
        return;
    doSetLineSettings(baud, parity);
    logEvent(QStringLiteral("SETTINGS %1").arg(lineSettingsText(baud, parity)));
}

void SerialLink::setDtr(bool on)
{
    const bool changed = dtr_ != on;
    dtr_ = on;
    if (!isOpen())
        return;
    doSetDtr(on);
    if (changed)
        logEvent(QStringLiteral("DTR %1").arg(on ? "on" : "off"));
}

void SerialLink::setRts(bool on)
{
    const bool changed = rts_ != on;
    rts_ = on;
    if (!isOpen())
        return;
    doSetRts(on);
    if (changed)
        logEvent(QStringLiteral("RTS %1").arg(on ? "on" : "off"));
}

void SerialLink::traceLine(const char *name, bool on, int &last)
{
    if (last != int(on)) {
        if (last != -1)
            logEvent(QStringLiteral("%1 %2").arg(QLatin1String(name), on ? "on" : "off"));
        last = int(on);
    }
}

bool SerialLink::dsr()
{
    const bool on = isOpen() && doDsr();
    traceLine("DSR", on, lastDsr_);
    return on;
}

bool SerialLink::cts()
{
    const bool on = isOpen() && doCts();
    traceLine("CTS", on, lastCts_);
    return on;
}

QByteArray SerialLink::read(qint64 maxBytes)
{
    if (!isOpen() || maxBytes <= 0)
        return {};
    QByteArray bytes = doRead(maxBytes);
    log_->received(bytes);
    if (trace_)
        trace_->received(bytes);
    return bytes;
}

bool SerialLink::write(const QByteArray &bytes)
{
    if (!isOpen())
        return false;
    if (bytes.isEmpty())
        return true;
    const bool ok = doWrite(bytes);
    if (ok) {
        log_->sent(bytes);
        if (trace_)
            trace_->sent(bytes);
    } else {
        logEvent(QStringLiteral("WRITE FAILED (%1 bytes): %2").arg(bytes.size()).arg(errorText_));
    }
    return ok;
}

void SerialLink::discardOutput()
{
    if (!isOpen())
        return;
    doDiscardOutput();
}

void SerialLink::discardInput()
{
    if (!isOpen())
        return;
    doDiscardInput();
}

void SerialLink::setTrace(std::unique_ptr<TrafficTrace> trace) { trace_ = std::move(trace); }

void SerialLink::logEvent(const QString &text)
{
    log_->event(text);
    if (trace_)
        trace_->event(text);
}

void SerialLink::reportLineError(const QString &reason)
{
    if (lineErrorPending_)
        return;
    lineErrorPending_ = true;
    errorText_ = reason;
    logEvent(QStringLiteral("LINE ERROR %1: %2").arg(device_, reason));
    // Queued so that no caller sees the port closed under its feet in the
    // middle of one of our calls.
    // A report that is overtaken by a new open is dropped.
    const quint64 generation = openGeneration_;
    QMetaObject::invokeMethod(
        this,
        [this, reason, generation] {
            if (generation == openGeneration_)
                emit lineError(reason);
        },
        Qt::QueuedConnection);
}

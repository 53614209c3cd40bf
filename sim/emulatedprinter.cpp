#include "emulatedprinter.h"

#include <QTimer>

#include <algorithm>

namespace sim {

namespace {

const char *parityLetter(Parity p)
{
    switch (p) {
    case Parity::Even:
        return "E";
    case Parity::Odd:
        return "O";
    case Parity::None:
        break;
    }
    return "N";
}

// Whole milliseconds from now until usFromNow, rounded up so that nothing
// arrives before its time.
int ceilMs(qint64 usFromNow) { return usFromNow <= 0 ? 0 : int((usFromNow + 999) / 1000); }

} // namespace

EmulatedPrinter::EmulatedPrinter(const QString &persona, QObject *parent) : QObject(parent), persona_(persona)
{
    clock_.start();
}

EmulatedPrinter::~EmulatedPrinter() = default;

void EmulatedPrinter::attached(PeerPort &port)
{
    SerialPeer::attached(port);
    note(QStringLiteral("%1 printer on the line").arg(persona_));
}

qint64 EmulatedPrinter::byteTimeUs(qint32 baud, Parity parity) { return serialByteTimeUs(baud, parity); }

void EmulatedPrinter::setLineRate(qint32 baud, Parity parity)
{
    baud_ = qMax(0, baud);
    parity_ = parity;
    followHost_ = false;
}

qint32 EmulatedPrinter::lineBaud() const
{
    if (followHost_ && port())
        return port()->hostBaud();
    return baud_;
}

Parity EmulatedPrinter::lineParity() const
{
    if (followHost_ && port())
        return port()->hostParity();
    return parity_;
}

qint64 EmulatedPrinter::currentByteUs() const { return byteTimeUs(lineBaud(), lineParity()); }

bool EmulatedPrinter::hostListening() const { return port() && port()->hostOpen(); }

void EmulatedPrinter::bytesFromHost(const QByteArray &bytes)
{
    const qint64 now = nowUs();
    rxFreeUs_ = std::max(now, rxFreeUs_) + bytes.size() * currentByteUs();
    received(bytes);
}

void EmulatedPrinter::hostOpened()
{
    if (!port())
        return;
    note(QStringLiteral("the program opened the port (%1,%2,8,1)")
             .arg(port()->hostBaud())
             .arg(QLatin1String(parityLetter(port()->hostParity()))));
}

void EmulatedPrinter::hostClosed()
{
    note(QStringLiteral("the program closed the port"));
    rxFreeUs_ = txFreeUs_ = 0;
    reset();
}

void EmulatedPrinter::hostLinesChanged()
{
    if (port() && !port()->hostDtr())
        discardPartialFrame();
}

void EmulatedPrinter::setFaults(const FaultPlan &plan)
{
    faults_ = plan;
    note(QStringLiteral("faults: ") + plan.describe());
}

void EmulatedPrinter::setDsr(bool on)
{
    if (!port())
        return;
    port()->setDsr(on);
    note(on ? QStringLiteral("DSR on") : QStringLiteral("DSR off"));
}

void EmulatedPrinter::setCts(bool on)
{
    if (!port())
        return;
    port()->setCts(on);
    note(on ? QStringLiteral("CTS on") : QStringLiteral("CTS off"));
}

void EmulatedPrinter::dropLine(int reconnectMs)
{
    if (!port())
        return;
    note(QStringLiteral("line dropped"));
    const int generation = ++dropGeneration_;
    port()->dropLine();
    reset();
    if (reconnectMs >= 0) {
        QTimer::singleShot(reconnectMs, this, [this, generation] {
            if (generation == dropGeneration_)
                reconnect();
        });
    }
}

void EmulatedPrinter::reconnect()
{
    if (!port())
        return;
    ++dropGeneration_;
    port()->reconnect();
    note(QStringLiteral("line connected again"));
}

void EmulatedPrinter::sendGarbage(const QByteArray &bytes)
{
    if (!port() || bytes.isEmpty())
        return;
    log_.sent(bytes, QStringLiteral("garbage"));
    transmit(bytes, 0);
}

int EmulatedPrinter::transmit(const QByteArray &bytes, int delayMs)
{
    const qint64 now = nowUs();
    const qint64 start = std::max({now + qint64(qMax(0, delayMs)) * 1000, txFreeUs_, now});
    const qint64 byteUs = currentByteUs();
    if (byteUs == 0) {
        txFreeUs_ = start;
        const int ms = ceilMs(start - now);
        port()->sendToHost(bytes, ms);
        return ms;
    }
    // Bytes that are complete within the same millisecond go together.
    QByteArray chunk;
    int chunkMs = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const int ms = ceilMs(start + (i + 1) * byteUs - now);
        if (!chunk.isEmpty() && ms != chunkMs) {
            port()->sendToHost(chunk, chunkMs);
            chunk.clear();
        }
        chunk.append(bytes[i]);
        chunkMs = ms;
    }
    if (!chunk.isEmpty())
        port()->sendToHost(chunk, chunkMs);
    txFreeUs_ = start + bytes.size() * byteUs;
    return chunkMs;
}

void EmulatedPrinter::sendOwn(const QByteArray &bytes, const QString &what)
{
    if (!port())
        return;
    log_.sent(bytes, what);
    transmit(bytes, 0);
}

int EmulatedPrinter::reply(const QByteArray &frame, const QString &what, int workMs)
{
    if (!port())
        return -1;
    // The printer starts working once the command has arrived whole.
    int delay = ceilMs(rxFreeUs_ - nowUs()) + qMax(0, workMs);
    QByteArray out = frame;
    QString label = what;
    bool drop = false;
    int reconnectMs = -1;
    if (faults_.active()) {
        const FaultPlan f = faults_;
        if (faults_.times > 0)
            --faults_.times;
        if (f.noReply) {
            note(QStringLiteral("reply withheld (fault: no reply): ") + what);
            return -1;
        }
        QStringList applied;
        if (f.wrongReply) {
            out = FaultPlan::corrupted(out);
            applied << QStringLiteral("wrong reply");
        }
        if (f.slowMs > 0) {
            delay += f.slowMs;
            applied << QStringLiteral("%1 ms late").arg(f.slowMs);
        }
        if (f.garbage) {
            out.prepend(FaultPlan::noise());
            applied << QStringLiteral("garbage first");
        }
        if (f.dropMidFrame) {
            out = out.left(qMax<qsizetype>(1, out.size() / 2));
            drop = true;
            reconnectMs = f.reconnectMs;
            applied << QStringLiteral("cut, line drops");
        }
        label += QStringLiteral(" [fault: ") + applied.join(QStringLiteral(", ")) + QLatin1Char(']');
    }
    // Logged when it starts to go out.
    if (delay > 0) {
        QTimer::singleShot(delay, this, [this, out, label] { log_.sent(out, label); });
    } else {
        log_.sent(out, label);
    }
    const int doneMs = transmit(out, delay);
    if (drop) {
        // Once the cut frame is on the wire.
        QTimer::singleShot(doneMs + 2, this, [this, reconnectMs] { dropLine(reconnectMs); });
    }
    return doneMs;
}

} // namespace sim

#include "linestatus.h"

#include "comm/appcontext.h"
#include "comm/outputchannel.h"
#include "comm/portio.h"
#include "comm/serialcontrol.h"

namespace linestatus {

namespace {

Label level(const char *name, bool high)
{
    return {QLatin1String(name) + (high ? QLatin1String(" H") : QLatin1String(" L")),
            high ? Shade::Highlight : Shade::White};
}

} // namespace

Label cts(bool on)
{
    return {on ? QStringLiteral("CTS ON") : QStringLiteral("CTS OFF"), on ? Shade::Highlight : Shade::White};
}

Label dsr(bool on)
{
    return {on ? QStringLiteral("DSR ON") : QStringLiteral("DSR OFF"), on ? Shade::Highlight : Shade::White};
}

Parallel parallel(quint8 status)
{
    Parallel p;
    p.select = level("SELECT", status & 0x10);
    p.busy = level("BUSY", !(status & 0x80));
    p.paperEnd = level("P.E.", status & 0x20);
    p.error = level("ERROR", status & 0x08);
    return p;
}

QString receivedText(const QByteArray &window)
{
    QString text = kReceivedPrefix;
    text.reserve(text.size() + window.size() * 3);
    for (char b : window)
        text += QStringLiteral("%1,").arg(quint8(b), 2, 16, QLatin1Char('0')).toUpper();
    return text;
}

Status poll(AppContext &ctx)
{
    Status s;
    SerialControl &serial = ctx.serial();
    s.cts = cts(serial.isOpen() && serial.ctsHolding());
    s.dsr = dsr(serial.isOpen() && serial.dsrHolding());
    if (ctx.state.parallelAvailable)
        s.parallel = parallel(ctx.portIo().inpB(quint16(ctx.state.output.lptBase + 1)));
    const ReceiveState &rx = ctx.channel().rx();
    s.received = receivedText(rx.window.left(qBound(0, rx.count, int(rx.window.size()))));
    return s;
}

} // namespace linestatus

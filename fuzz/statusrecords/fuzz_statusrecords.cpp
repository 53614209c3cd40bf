// libFuzzer target: the status records a printer sends on its own, decoded
// one by one and as a stream through the monitor session (record rotation
// or, for the fingerprint unit, the acknowledgement cut).
//
// Input: a byte picking the watched tool state and the unit model, then
// per step a control byte (bits 0-6 chunk length, bit 7 the window takes
// its lines) and the chunk.
#include "fuzzsupport.h"

#include "base/appstate.h"
#include "comm/outputmonitor.h"
#include "comm/receiveframing.h"

using fuzzsupport::check;
using statusrecords::Printer;
using statusrecords::UnitModel;

namespace {

constexpr qint16 kWatched[] = {626, 872, 873, 925};

// A display line is one line of visible characters.
void checkLines(const QStringList &lines)
{
    for (const QString &line : lines)
        for (const QChar c : line)
            check(c.unicode() >= 0x20 && c.unicode() != 0x7F, "a display line holds no control character");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzsupport::Input in(data, size);
    const quint8 pick = in.byte();
    const UnitModel model = pick & 0x10 ? UnitModel::Ux : UnitModel::Vux;

    AppState app;
    app.toolState = kWatched[pick % 4];
    // The stores are large: built once, each input starts from a copy.
    static const ReceiveState fresh;
    static ReceiveState rx;
    rx = fresh;
    OutputMonitor monitor(app, rx);
    monitor.start(model);
    while (in.remaining() > 0) {
        const quint8 control = in.byte();
        const QByteArray chunk = in.take(control & 0x7Fu);
        // The chunk as one record of either printer, and as part of the stream.
        checkLines(statusrecords::decode(chunk, Printer::Ticket, model));
        const QStringList unit = statusrecords::decode(chunk, Printer::Unit, model);
        checkLines(unit);
        check(!unit.isEmpty(), "a record gives a line");

        framing::feed(rx, app.toolState, chunk);
        if (control & 0x80) {
            const QStringList shown = monitor.takeLines();
            checkLines(shown);
            check(shown.size() <= OutputMonitor::kMaxLines, "the display keeps 99 lines");
        }
    }
    monitor.stop();
    check(!monitor.hasPending(), "closing drops what was not shown");
    rx = fresh; // nothing held over to the next input (libFuzzer's leak check)
    return 0;
}

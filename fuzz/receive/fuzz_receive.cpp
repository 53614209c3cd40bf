// libFuzzer target: arbitrary byte streams, cut into arbitrary chunks,
// through the Receiver of the shared serial port in any tool state.
//
// Input: one byte picks the tool state (or, past the table, the next two
// bytes give any state); then per chunk one control byte and the chunk.
// Control byte: bits 0-5 length, bit 6 length x 16, bit 7 the reply wait
// has timed out before the chunk arrives. Length 63 without bit 6 is no
// chunk: the next byte switches the tool state, or with value 0xFF pulls
// the cable (line error and reopen).
//
// Checked after every chunk: no store past its bounds, ReceiveText bounded,
// the Receiver frames exactly as the pure framing does, and the monitor's
// record rotation loses no byte.
#include "fuzzsupport.h"
#include "support/quietcontext.h"

#include "base/messagecatalogue.h"
#include "comm/outputchannel.h"
#include "comm/receiver.h"
#include "comm/serialcontrol.h"

#include <QCoreApplication>

using fuzzsupport::check;

namespace {

// A line whose bytes arrive when the target says so.
class FuzzLink : public SerialLink {
public:
    void arrive(const QByteArray &bytes)
    {
        if (!open_)
            return;
        input_ += bytes;
        emit dataReceived();
    }
    qsizetype waiting() const { return input_.size(); }

protected:
    OpenResult doOpen(const QString &, qint32, Parity) override
    {
        open_ = true;
        return OpenResult::Ok;
    }
    void doClose() override
    {
        open_ = false;
        input_.clear();
    }
    bool doIsOpen() const override { return open_; }
    void doSetLineSettings(qint32, Parity) override {}
    void doSetDtr(bool) override {}
    void doSetRts(bool) override {}
    bool doDsr() override { return true; }
    bool doCts() override { return true; }
    qint64 doOutputQueueCount() override { return 0; }
    qint64 doInputCount() override { return input_.size(); }
    QByteArray doRead(qint64 maxBytes) override
    {
        const QByteArray out = input_.left(maxBytes);
        input_.remove(0, out.size());
        return out;
    }
    bool doWrite(const QByteArray &) override { return open_; }
    void doDiscardOutput() override {}
    void doDiscardInput() override { input_.clear(); }

private:
    QByteArray input_;
    bool open_ = false;
};

// Every framing, the byte-stream states and a few idle ones.
constexpr qint16 kStates[] = {400, 613, 616, 860, 626, 872, 873,  925, 841, 913,
                              200, 204, 205, 0,   600, 999, 9151, 810, 620};
constexpr int kStateCount = int(sizeof kStates / sizeof kStates[0]);

qint16 pickState(fuzzsupport::Input &in)
{
    const quint8 sel = in.byte();
    return sel < kStateCount ? kStates[sel] : in.int16();
}

void checkBounds(const ReceiveState &rx, qsizetype taken)
{
    const qsizetype textLimit = framing::kMaxReceiveText + taken;
    check(rx.text.size() <= textLimit, "ReceiveText bounded");
    check(rx.bytes.size() <= textLimit, "ReceiveBytes bounded");
    check(rx.window.size() <= ReceiveState::kWindowSize, "window holds 320 bytes at most");
    check(rx.block.size() <= framing::kMaxBlock, "template block bounded");
    check(rx.expectedReply.size() == ReceiveState::kExpectedSize, "ExpectedReply keeps 9 bytes");
    check(rx.lineSlot >= 1 && rx.lineSlot <= 16, "line slot 1..16");
    check(rx.monitor.writeSlot >= 1 && rx.monitor.writeSlot <= 3, "monitor write slot 1..3");
    check(rx.monitor.queue.size() <= size_t(MonitorStore::kQueueLimit), "monitor queue bounded");
    // Every record passes through a slot; the queue is checked at the end.
    for (const QByteArray &s : rx.monitor.slotData)
        check(s.size() <= ByteTable::kRows, "monitor slot cut at 513");
}

// The program's side of the shared port on the fuzz line.
struct Line {
    AppState state;
    FixedPrompter prompter{Answer::No};
    Messenger messenger{state, prompter};
    NoPortIo portIo;
    FuzzLink link;
    SerialControl serial{link};
    OutputChannel channel{state, messenger, portIo, serial};
    Receiver receiver{state, channel};

    Line()
    {
        serial.setPortResolver([](int) { return QStringLiteral("fuzz:"); });
    }
};

// The monitor queues are compared by their newest record on the way
// (comparing them whole after every chunk would dominate the run).
bool sameFraming(const ReceiveState &a, const ReceiveState &b)
{
    const auto &qa = a.monitor.queue;
    const auto &qb = b.monitor.queue;
    return a.text == b.text && a.bytes == b.bytes && a.count == b.count && a.replyComplete == b.replyComplete &&
           a.framesComplete == b.framesComplete && a.frameStarted == b.frameStarted && a.window == b.window &&
           a.block == b.block && a.recordIndex == b.recordIndex && a.lineSlot == b.lineSlot && qa.size() == qb.size() &&
           (qa.empty() || qa.back() == qb.back());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // The channel's timers belong to an application; nothing runs its loop.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzsupport::Input in(data, size);
    // Built once: the stores are large, and a fresh set per input would
    // spend the run on allocation. Each input starts from the same state,
    // and gives back what it allocated before it ends (libFuzzer takes
    // memory held over to the next input for a leak).
    static Line line;
    static const ReceiveState fresh;
    static ReceiveState mirror; // the pure framing on the same chunks
    AppState &state = line.state;
    FuzzLink &link = line.link;
    OutputChannel &channel = line.channel;
    Receiver &receiver = line.receiver;
    const auto reset = [&] {
        channel.serial().close();
        channel.rx() = fresh;
        mirror = fresh;
        state = AppState();
    };
    reset();
    state.toolState = pickState(in);
    if (!channel.openSerialPort())
        fuzzsupport::fail("the line opens");
    // The reply timer stays unarmed (timers would churn the event
    // dispatcher); the control bytes say when a wait has timed out.

    bool mirrored = true;
    QByteArray sent; // everything the rotation has seen
    bool rotationWhole = true;
    QByteArray seen;   // the records it filed, joined
    size_t joined = 0; // records joined so far

    while (in.remaining() > 0) {
        const quint8 control = in.byte();
        int length = control & 0x3F;
        if (length == 0x3F && !(control & 0x40)) {
            mirrored = false;
            rotationWhole = false;
            const quint8 next = in.byte();
            if (next == 0xFF)
                receiver.handleLineError();
            else
                state.toolState = next < kStateCount ? kStates[next] : qint16(next * 37);
            continue;
        }
        if (control & 0x40)
            length *= 16;
        const QByteArray chunk = in.take(size_t(length));
        const bool timedOut = control & 0x80;
        const framing::Kind kind = framing::kindFor(state.toolState);
        channel.state().timeoutElapsed = timedOut;
        if (timedOut && framing::isTimed(kind))
            mirrored = false;

        const qsizetype taken = link.waiting() + chunk.size();
        link.arrive(chunk);
        const ReceiveState &rx = channel.rx();
        checkBounds(rx, taken);

        if (mirrored && !chunk.isEmpty()) { // no bytes, no data event
            framing::feed(mirror, state.toolState, chunk);
            check(sameFraming(rx, mirror), "the Receiver frames as the pure framing");
        }
        if (kind == framing::Kind::Rotation) {
            sent += chunk;
            rotationWhole = rotationWhole && sent.size() <= framing::kMaxReceiveText &&
                            rx.monitor.queue.size() < size_t(MonitorStore::kQueueLimit);
            if (rotationWhole) {
                for (; joined < rx.monitor.queue.size(); ++joined) {
                    // A record longer than a slot is cut by design: from
                    // then on the bytes cannot be compared.
                    const QByteArray &r = rx.monitor.queue[joined];
                    rotationWhole = rotationWhole && r.endsWith('\0');
                    seen += r;
                }
                if (rotationWhole)
                    check(seen + rx.text == sent, "record rotation keeps every byte");
            }
        } else {
            rotationWhole = false;
        }
    }
    const ReceiveState &rx = channel.rx();
    for (const QByteArray &r : rx.monitor.queue)
        check(r.size() <= ByteTable::kRows, "monitor record cut at 513");
    if (mirrored)
        check(rx.monitor.queue == mirror.monitor.queue, "the Receiver files the records the pure framing does");
    reset();
    return 0;
}

// libFuzzer target: the receive framings of the ticket, unit-setting and
// fingerprint tools fed a stream in chunks: the line framing of a ticket
// read (613), the template block (913), the NUL record of a unit read
// (841) and the DC3 frames of the issue test (616) and the unit's test
// print (860).
//
// Input: a state byte, two chunk-size bytes (chunk lengths 1..64 cycle
// through them, every third chunk seven times longer), then the stream.
//
// Checked against the stream read whole: the lines land in their slots
// from 16 down, the block holds every byte, the first record and frame
// are the stream's; and every store stays within its bounds.
#include "fuzzsupport.h"

#include "comm/receiveframing.h"

using fuzzsupport::check;
using namespace framing;

namespace {

constexpr qint16 kStates[] = {613, 913, 841, 616, 860};

// The lines of a ticket read as the stream gives them: after the first
// STX, the bytes before each STX or ETX, up to the first ETX.
struct Lines {
    QList<QByteArray> lines;
    bool complete = false;
    bool started = false;
};
Lines linesOf(const QByteArray &stream)
{
    Lines out;
    const qsizetype stx = stream.indexOf(kStx);
    if (stx < 0)
        return out;
    out.started = true;
    QByteArray line;
    for (qsizetype i = stx + 1; i < stream.size(); ++i) {
        const char c = stream[i];
        if (c != kStx && c != kEtx) {
            line += c;
            continue;
        }
        out.lines << line;
        line.clear();
        if (c == kEtx) {
            out.complete = true;
            break;
        }
    }
    return out;
}

void checkBounds(const ReceiveState &rx)
{
    check(rx.lineSlot >= 1 && rx.lineSlot <= 16, "line slot 1..16");
    check(rx.block.size() <= kMaxBlock, "template block bounded");
    check(rx.text.size() <= kMaxReceiveText + 64 * 7, "receive text bounded");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzsupport::Input in(data, size);
    const qint16 state = kStates[in.byte() % 5];
    const quint8 a = in.byte();
    const quint8 b = in.byte();
    const QByteArray stream = in.rest();
    const Kind kind = kindFor(state);
    // The receive text is only cut once this much waits unframed.
    const bool whole = stream.size() <= kMaxReceiveText;

    static const ReceiveState fresh;
    static ReceiveState rx;
    rx = fresh;
    QByteArray received;
    QByteArray firstFrame;    // ReceiveBytes when the reply first completed
    QByteArray receivedFirst; // what had come by then
    bool etxAtAnEnd = false;
    qsizetype at = 0;
    for (int k = 0; at < stream.size(); ++k) {
        const qsizetype n = (1 + (k % 2 ? b : a) % 64) * (k % 3 == 2 ? 7 : 1);
        const QByteArray chunk = stream.mid(at, n);
        at += chunk.size();
        received += chunk;
        const bool wasComplete = isComplete(rx, kind);
        feed(rx, state, chunk);
        checkBounds(rx);
        if (!wasComplete && isComplete(rx, kind)) {
            firstFrame = rx.bytes;
            receivedFirst = received;
        }
        const QByteArray block = received.left(kMaxBlock);
        etxAtAnEnd = etxAtAnEnd || (block.size() >= 2 && block.at(block.size() - 2) == kEtx);
    }

    switch (kind) {
    case Kind::Lines: {
        if (!whole)
            break;
        const Lines expected = linesOf(stream);
        check(rx.frameStarted == expected.started, "the reply starts at its first STX");
        check(rx.framesComplete == expected.complete, "the reply ends at its first ETX");
        // The first line lands in slot 16, the next in 15, ... and after
        // slot 1 comes 16 again; a later line overwrites an earlier one.
        for (qsizetype i = 0; i < expected.lines.size(); ++i) {
            if (i + 16 < expected.lines.size())
                continue;
            const int slot = 16 - int(i % 16);
            const QByteArray stored = kStx + expected.lines[i].left(ByteTable::kRows - 2) + kLineEnd;
            check(rx.lines.column(slot).startsWith(stored), "each line in its slot as STX, line, 0xFF");
        }
        check(rx.lineSlot == 16 - int(expected.lines.size() % 16), "the next slot counts down from 16");
        break;
    }
    case Kind::EtxBlock:
        check(rx.block == stream.left(kMaxBlock), "the block holds every byte in order");
        check(rx.framesComplete == etxAtAnEnd, "complete when the byte before the last came as ETX");
        break;
    case Kind::NulRecord: {
        const qsizetype nul = stream.indexOf(kNul);
        check(rx.replyComplete == (nul >= 0), "a NUL completes a record");
        if (nul < 0 || !whole)
            break;
        check(firstFrame == stream.left(nul + 1), "the first record is the stream up to its NUL");
        if (nul >= 2)
            check(rx.records.column(quint8(stream[2]))
                          .startsWith(stream.left(qMin<qsizetype>(nul + 1, ByteTable::kRows))) ||
                      stream.indexOf(kNul, nul + 1) >= 0,
                  "a lone record is filed under its number");
        break;
    }
    case Kind::Dc3Two:
    case Kind::Dc3Four: {
        if (!rx.replyComplete || !whole)
            break;
        const qsizetype dc3 = stream.indexOf(kDc3);
        check(dc3 >= 0 && stream.indexOf(kNul, dc3 + 1) >= 0, "a frame has its DC3 and NUL");
        // A NUL right after the DC3 completes the frame with what has come.
        check(firstFrame.startsWith(receivedFirst.mid(dc3, 3)), "the frame starts at the first DC3");
        break;
    }
    default:
        break;
    }
    rx = fresh; // nothing held over to the next input (libFuzzer's leak check)
    return 0;
}

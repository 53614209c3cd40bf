#include "receiveframing.h"

#include "toolstates.h"

namespace framing {

Kind kindFor(qint16 toolState) { return toolstates::framingFor(toolState); }

bool isTimed(Kind kind)
{
    switch (kind) {
    case Kind::Default:
    case Kind::NulRecord:
    case Kind::Dc3Two:
    case Kind::Dc3Four:
    case Kind::Lines:
        return true;
    default:
        return false;
    }
}

bool isComplete(const ReceiveState &rx, Kind kind)
{
    return kind == Kind::Lines ? rx.framesComplete : rx.replyComplete;
}

void append(ReceiveState &rx, const QByteArray &chunk)
{
    // Old bytes that never became a frame go first; the new chunk is
    // always framed whole.
    if (rx.text.size() > kMaxReceiveText)
        rx.text.remove(0, rx.text.size() - kMaxReceiveText);
    rx.text += chunk;
    rx.bytes = rx.text;
}

namespace {

// The issue test's reply is DC3 "c" n "0" NUL from "K-07" but DC3 "c" n'
// NUL from "K-2200TQ": a frame whose NUL comes after three bytes is
// complete as well, else that reply would only ever time out.
void issueTestFrame(ReceiveState &rx)
{
    constexpr int kDataBytes = 4;
    const qsizetype dc3 = rx.bytes.indexOf(kDc3);
    const qsizetype nul = dc3 < 0 ? -1 : rx.bytes.indexOf(kNul, dc3 + 1);
    if (nul < 0)
        return;
    if (nul - dc3 == kDataBytes - 1) {
        const QByteArray frame = rx.bytes.mid(dc3, kDataBytes);
        rx.bytes.replace(0, frame.size(), frame);
        rx.replyComplete = true;
        return;
    }
    dc3Frame(rx, kDataBytes);
}

} // namespace

void run(ReceiveState &rx, Kind kind, qint16 toolState)
{
    switch (kind) {
    case Kind::Default:
        defaultFraming(rx, toolState);
        break;
    case Kind::NulRecord:
        nulRecord(rx);
        break;
    case Kind::Dc3Two:
        dc3Frame(rx, 2);
        break;
    case Kind::Dc3Four:
        issueTestFrame(rx);
        break;
    case Kind::Lines:
        lineFraming(rx);
        break;
    case Kind::Rotation:
        recordRotation(rx);
        break;
    case Kind::AckCut:
        ackCut(rx);
        break;
    case Kind::EtxBlock:
    case Kind::TesterWindow:
    case Kind::LeaveAlone:
        break; // these take the port's bytes themselves
    }
}

void feed(ReceiveState &rx, qint16 toolState, const QByteArray &chunk)
{
    const Kind kind = kindFor(toolState);
    switch (kind) {
    case Kind::EtxBlock:
        etxBlock(rx, chunk);
        return;
    case Kind::TesterWindow:
        appendWindow(rx, chunk);
        return;
    case Kind::LeaveAlone:
        return;
    default:
        append(rx, chunk);
        run(rx, kind, toolState);
    }
}

void dc3Frame(ReceiveState &rx, int dataBytes)
{
    if (rx.bytes.size() <= dataBytes)
        return;
    const qsizetype dc3 = rx.bytes.indexOf(kDc3);
    if (dc3 < 0 || rx.bytes.indexOf(kNul, dc3 + 1) < 0)
        return;
    const QByteArray frame = rx.bytes.mid(dc3, dataBytes + 1);
    rx.bytes.replace(0, frame.size(), frame);
    rx.replyComplete = true;
}

bool nulRecord(ReceiveState &rx)
{
    const qsizetype nul = rx.bytes.indexOf(kNul);
    if (nul < 0)
        return false;
    rx.replyComplete = true;
    rx.bytes.truncate(nul + 1);
    rx.count = int(nul);
    // A record too short to carry a number byte is not filed anywhere.
    if (nul >= 2) {
        rx.recordIndex = quint8(rx.bytes.at(2));
        rx.records.store(rx.recordIndex, rx.bytes);
    }
    rx.text.remove(0, qMin(nul + 1, rx.text.size()));
    return true;
}

void defaultFraming(ReceiveState &rx, qint16 toolState)
{
    if (!nulRecord(rx))
        return;
    if (toolState == 204 && rx.bytes.size() >= 3 && rx.bytes.left(3) == rx.expectedReply.left(3))
        rx.framesComplete = true;
}

namespace {

void storeLine(ReceiveState &rx, const QByteArray &line)
{
    // STX + line + end mark; the line is cut so that the end mark fits.
    QByteArray stored;
    stored.reserve(ByteTable::kRows);
    stored += kStx;
    stored += line.left(ByteTable::kRows - 2);
    stored += kLineEnd;
    rx.lines.store(rx.lineSlot, stored);
    rx.lineSlot = rx.lineSlot <= 1 || rx.lineSlot > 16 ? 16 : rx.lineSlot - 1;
}

} // namespace

void lineFraming(ReceiveState &rx)
{
    if (rx.framesComplete)
        return;
    if (!rx.frameStarted) {
        const qsizetype stx = rx.text.indexOf(kStx);
        if (stx < 0)
            return;
        rx.frameStarted = true;
        rx.text.remove(0, stx + 1);
    }
    qsizetype start = 0;
    for (qsizetype i = 0; i < rx.text.size(); ++i) {
        const char c = rx.text.at(i);
        if (c != kStx && c != kEtx)
            continue;
        storeLine(rx, rx.text.mid(start, i - start));
        start = i + 1;
        if (c == kEtx) {
            rx.framesComplete = true;
            break;
        }
    }
    rx.text.remove(0, start);
    rx.bytes = rx.text;
}

void recordRotation(ReceiveState &rx)
{
    // Every complete record is taken at once, so that records arriving
    // together do not wait for a later event.
    qsizetype nul;
    while ((nul = rx.text.indexOf(kNul)) >= 0) {
        rx.monitor.put(rx.text.left(nul + 1));
        rx.replyComplete = true;
        rx.text.remove(0, nul + 1);
    }
    rx.bytes = rx.text;
}

void ackCut(ReceiveState &rx)
{
    if (rx.text.indexOf(kEtx) < 0)
        return;
    rx.replyComplete = true;
    rx.text = rx.text.mid(2, 8);
    rx.bytes = rx.text;
}

void etxBlock(ReceiveState &rx, const QByteArray &chunk)
{
    rx.block += chunk.left(qMax<qsizetype>(0, kMaxBlock - rx.block.size()));
    const qsizetype n = rx.block.size();
    if (n >= 2 && rx.block.at(n - 2) == kEtx)
        rx.framesComplete = true;
}

void appendWindow(ReceiveState &rx, const QByteArray &chunk)
{
    QByteArray held = rx.window.left(qBound(0, rx.count, int(rx.window.size())));
    held += chunk;
    if (held.size() > ReceiveState::kWindowSize)
        held.remove(0, held.size() - ReceiveState::kWindowSize);
    rx.window = held;
    rx.count = int(held.size());
}

} // namespace framing

#include "printerexchange.h"

#include "base/appstate.h"
#include "eventwait.h"
#include "outputchannel.h"
#include "receiveframing.h"
#include "toolstates.h"

namespace {

constexpr char kDc3 = 0x13;
constexpr char kNul = 0x00;

} // namespace

PrinterExchange::PrinterExchange(OutputChannel &channel) : ch_(channel) {}

bool PrinterExchange::linesReady() { return ch_.waitCts() && ch_.waitDsrAfterDtr(); }

void PrinterExchange::armLine()
{
    SerialControl &serial = ch_.serial();
    serial.setDtrEnable(false);
    serial.clearOutput();
    serial.setDtrEnable(true);
}

void PrinterExchange::arm(const QByteArray &expected)
{
    armLine();
    ReceiveState &rx = ch_.rx();
    rx.setExpectedReply(expected);
    ch_.serial().clearInput();
    rx.clearText();
    rx.replyComplete = false;
    rx.framesComplete = false;
}

PrinterExchange::Sent PrinterExchange::send(const QByteArray &bytes)
{
    if (ch_.sendSerial(bytes))
        return Sent::Ok;
    return ch_.serial().isOpen() && !cancelled_ ? Sent::Cancelled : Sent::Failed;
}

PrinterExchange::Sent PrinterExchange::sendNumber(quint8 number, NumberWaits waits)
{
    const auto failed = [this] { return ch_.serial().isOpen() && !cancelled_ ? Sent::Cancelled : Sent::Failed; };
    if (waits == NumberWaits::DrainAndDsr && !ch_.waitOutputDrained())
        return failed();
    if (!ch_.waitDsrAfterDtr())
        return failed();
    return ch_.serial().output(QByteArray(1, char(number))) ? Sent::Ok : Sent::Failed;
}

PrinterExchange::Sent PrinterExchange::sendFrame(char letter, std::optional<quint8> number, const QByteArray &data,
                                                 NumberWaits waits)
{
    Sent sent = send(QByteArray(1, kDc3) + letter);
    if (sent == Sent::Ok && number)
        sent = sendNumber(*number, waits);
    if (sent == Sent::Ok)
        sent = send(data + kNul);
    return sent;
}

void PrinterExchange::frameWaiting()
{
    ReceiveState &rx = ch_.rx();
    if (rx.replyComplete || rx.framesComplete)
        return;
    SerialControl &serial = ch_.serial();
    serial.setInputLen(serial.inBufferCount());
    const qint16 state = ch_.appState().toolState;
    framing::append(rx, serial.input());
    framing::run(rx, framing::kindFor(state), state);
}

std::optional<QByteArray> PrinterExchange::waitReply(const Wait &wait)
{
    const OutputChannel::ReplyWait busy(ch_);
    ReceiveState &rx = ch_.rx();
    ChannelState &st = ch_.state();
    const toolstates::Row &row = toolstates::find(ch_.appState().toolState);
    const int timeoutMs =
        wait.timeoutMs > 0 ? wait.timeoutMs : (row.longReply ? ch_.times().replyLongMs : ch_.times().replyMs);
    if (wait.discardWaiting) {
        SerialControl &serial = ch_.serial();
        serial.setInputLen(serial.inBufferCount());
        serial.input();
        rx.bytes.clear();
        rx.replyComplete = false;
    }
    ch_.armTimeout(timeoutMs);
    if (!wait.discardWaiting)
        frameWaiting();
    for (;;) {
        // Replies, the timer and a lost line all arrive as events.
        eventwait::pumpUntil(
            [&] {
                return rx.replyComplete || st.timeoutElapsed || cancelled_ ||
                       (wait.endOnClosedPort && !ch_.serial().isOpen());
            },
            eventwait::kNoPoll);
        if (rx.replyComplete && !cancelled_) {
            ch_.stopTimeout();
            if (ch_.replyArrived)
                ch_.replyArrived(rx.bytes);
            return rx.bytes;
        }
        if (cancelled_ || (wait.endOnClosedPort && !ch_.serial().isOpen()) || !wait.extend || !wait.extend()) {
            ch_.stopTimeout();
            return std::nullopt;
        }
        // A reply that came while the question was up was kept but not
        // framed: frame it now, then watch for another full interval.
        ch_.armTimeout(timeoutMs);
        frameWaiting();
    }
}

int PrinterExchange::compareIndex() const
{
    switch (toolstates::find(ch_.appState().toolState).compare) {
    case toolstates::Compare::Index2:
        return 2;
    case toolstates::Compare::Index4:
        return 4;
    case toolstates::Compare::NumberModel:
        return !rawNumberModel_ || rawNumberModel_() ? 4 : 3;
    case toolstates::Compare::FrameEnd:
        break;
    }
    // The framing leaves the frame's end (its NUL) in ReceiveCount.
    return ch_.rx().count;
}

bool PrinterExchange::matchesUpTo(const QByteArray &frame, int index) const
{
    // ExpectedReply holds nine bytes, so a longer frame never matches.
    if (index < 0 || index >= ReceiveState::kExpectedSize || frame.size() <= index)
        return false;
    return frame.left(index + 1) == ch_.rx().expectedReply.left(index + 1);
}

bool PrinterExchange::matches(const QByteArray &frame) const { return matchesUpTo(frame, compareIndex()); }

bool PrinterExchange::waitReplyMatch()
{
    Wait wait;
    wait.discardWaiting = true;
    wait.endOnClosedPort = false;
    const auto reply = waitReply(wait);
    return reply && matches(*reply);
}

void PrinterExchange::cancel()
{
    // The running wait, and the send's own waits, both see it.
    cancelled_ = true;
    ch_.state().timeoutElapsed = true;
    ch_.state().transferActive = false;
}

QByteArray PrinterExchange::replyFrame(char letter, std::optional<quint8> number, std::optional<char> extra)
{
    QByteArray f;
    f += kDc3;
    f += letter;
    if (number)
        f += char(*number);
    if (extra)
        f += *extra;
    f += kNul;
    return f;
}

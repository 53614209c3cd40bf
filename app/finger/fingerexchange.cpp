#include "fingerexchange.h"

#include "comm/eventwait.h"
#include "comm/outputchannel.h"
#include "comm/printerexchange.h"
#include "comm/receiveframing.h"
#include "finger/fingerusers.h"

namespace fingerunit {

namespace {

constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;

// The unit's commands as it documents them.
constexpr Command kCommands[] = {
    {'O', false, Reply::Exact, 3, &Times::openCloseMs, InputMode::Text, false, "open reading"},
    {'C', false, Reply::Exact, 3, &Times::openCloseMs, InputMode::Text, false, "close reading"},
    {'L', false, Reply::UpToEtx, 0, &Times::listSilenceMs, InputMode::Text, true, "list registrants"},
    {'U', true, Reply::Template, 0, &Times::templateMs, InputMode::Bytes, false, "read template"},
    {'K', true, Reply::Exact, 11, &Times::deleteMs, InputMode::Text, false, "delete one finger"},
    {'A', false, Reply::Exact, 3, &Times::deleteMs, InputMode::Text, false, "delete all"},
    {'S', true, Reply::Exact, 11, &Times::registerStartMs, InputMode::Text, false, "start registration"},
    {'W', true, Reply::Exact, 3, &Times::writeReplyMs, InputMode::Text, false, "write template"},
    {'V', false, Reply::UpToEtx, 0, &Times::versionMs, InputMode::Text, false, "version"},
};

QByteArray userParams(int finger, const QByteArray &id)
{
    if (finger < 0)
        return {};
    return QByteArray(1, fingers::markerOf(finger)) + id.left(fingers::kIdSize);
}

} // namespace

const Command *command(char letter)
{
    for (const Command &c : kCommands) {
        if (c.letter == letter)
            return &c;
    }
    return nullptr;
}

QByteArray frame(char letter, int finger, const QByteArray &id)
{
    QByteArray f;
    f += kCommandLead;
    f += kStx;
    f += letter;
    f += userParams(finger, id);
    f += kEtx;
    return f;
}

QByteArray expectedReply(char letter, int finger, const QByteArray &id)
{
    QByteArray r;
    r += kStx;
    r += char(letter | 0x20);
    // The write reply names nobody.
    if (letter != 'W')
        r += userParams(finger, id);
    r += kEtx;
    return r;
}

} // namespace fingerunit

FingerExchange::FingerExchange(OutputChannel &channel) : ch_(channel), ex_(std::make_unique<PrinterExchange>(channel))
{
}

FingerExchange::~FingerExchange() = default;

bool FingerExchange::linesReady() { return ex_->linesReady(); }

bool FingerExchange::prepare(const fingerunit::Command &command)
{
    SerialControl &serial = ch_.serial();
    if (!serial.isOpen() && !ch_.openSerialPort())
        return false;
    serial.clearInput();
    // DTR dropped and raised again, as before every printer command: a
    // frame left unfinished on the unit (a send that lost DSR) is
    // forgotten and cannot swallow this one.
    serial.setDtrEnable(false);
    serial.clearOutput();
    // Text or byte mode makes no difference to a byte array; what matters
    // is who reads: the receive side (threshold 1) or the exchange.
    const bool byteMode = command.mode == fingerunit::InputMode::Bytes;
    if (byteMode) {
        savedState_ = ch_.appState().toolState;
        ch_.appState().toolState = 913;
    }
    serial.setDtrEnable(true);
    serial.setRThreshold(byteMode ? 1 : 0);
    serial.setInputLen(command.byteByByte ? 1 : 0);
    ReceiveState &rx = ch_.rx();
    rx.clearText();
    rx.block.clear();
    rx.replyComplete = false;
    rx.framesComplete = false;
    ch_.state().timeoutElapsed = false;
    // The channel's own waits end early only when a cancel clears it.
    ch_.state().transferActive = !ex_->cancelled();
    return true;
}

bool FingerExchange::send(const QByteArray &bytes) { return ex_->send(bytes) == PrinterExchange::Sent::Ok; }

bool FingerExchange::dsrCheck() { return !ex_->cancelled() && ch_.waitDsrAfterDtr(); }

bool FingerExchange::waitWhile(const std::function<bool()> &more, int pollMs)
{
    // True when the wait ended for the condition, false for the timer, a
    // cancel or a closed port.
    const ChannelState &st = ch_.state();
    const OutputChannel::ReplyWait busy(ch_);
    eventwait::pumpUntil([&] { return !more() || st.timeoutElapsed || ex_->cancelled() || !ch_.serial().isOpen(); },
                         pollMs);
    return !more() && !ex_->cancelled() && ch_.serial().isOpen();
}

FingerExchange::Received FingerExchange::receiveCount(int n, int ms)
{
    SerialControl &serial = ch_.serial();
    Received r;
    // IDs hold no ETX: one before the n-th byte ends a short error frame
    // (02 44 03), which needs no waiting for the rest.
    const auto ended = [&] { return r.bytes.size() >= n || r.bytes.endsWith(framing::kEtx); };
    ch_.armTimeout(ms);
    while (!ended()) {
        if (!waitWhile([&] { return serial.inBufferCount() == 0; }, eventwait::kPollMs))
            break;
        serial.setInputLen(n - int(r.bytes.size()));
        r.bytes += serial.input();
    }
    ch_.stopTimeout();
    serial.setInputLen(0);
    r.complete = r.bytes.size() == n && !ex_->cancelled();
    return r;
}

FingerExchange::Received FingerExchange::receiveToEtx(int silenceMs, int limit,
                                                      const std::function<void(int)> &progress)
{
    SerialControl &serial = ch_.serial();
    Received r;
    // Every reply begins with its STX: noise before it is no part of it
    // (it counts to the limit, so that endless noise still ends).
    int noise = 0;
    ch_.armTimeout(silenceMs);
    for (;;) {
        if (!waitWhile([&] { return serial.inBufferCount() == 0; }, eventwait::kPollMs))
            break;
        ch_.stopTimeout();
        serial.setInputLen(1);
        while (serial.inBufferCount() > 0) {
            const QByteArray b = serial.input();
            if (b.isEmpty())
                break;
            if (r.bytes.isEmpty() && b.at(0) != fingerunit::kStx) {
                if (++noise >= limit) {
                    r.overLimit = true;
                    break;
                }
                continue;
            }
            r.bytes += b;
            if (progress)
                progress(int(r.bytes.size()));
            if (b.at(0) == framing::kEtx) {
                r.complete = true;
                break;
            }
            if (r.bytes.size() >= limit) {
                r.overLimit = true;
                break;
            }
        }
        if (r.complete || r.overLimit)
            break;
        ch_.resumeTimeout();
    }
    ch_.stopTimeout();
    serial.setInputLen(0);
    return r;
}

FingerExchange::Received FingerExchange::receiveTemplate(int ms, int limit, const std::function<void(int)> &progress)
{
    AppState &app = ch_.appState();
    ReceiveState &rx = ch_.rx();
    if (!savedState_) {
        // Registration: the template follows a text reply, unasked.
        savedState_ = app.toolState;
        app.toolState = 913;
        rx.block.clear();
        rx.framesComplete = false;
    }
    SerialControl &serial = ch_.serial();
    serial.setRThreshold(1);
    int shown = -1;
    const auto report = [&] {
        if (progress && int(rx.block.size()) != shown) {
            shown = int(rx.block.size());
            progress(shown - 1);
        }
    };
    ch_.armTimeout(ms);
    // Bytes that came before the state changed were not framed.
    if (serial.inBufferCount() > 0) {
        serial.setInputLen(0);
        framing::etxBlock(rx, serial.input());
    }
    waitWhile(
        [&] {
            report();
            return !rx.framesComplete && rx.block.size() <= limit;
        },
        eventwait::kPollMs);
    ch_.stopTimeout();
    report();
    Received r;
    r.bytes = rx.block;
    r.overLimit = rx.block.size() > limit;
    r.complete = rx.framesComplete && !r.overLimit && !ex_->cancelled();
    // A template begins with its STX: noise before it is no part of it, and
    // a block without one is no template.
    if (r.complete) {
        const qsizetype stx = r.bytes.indexOf(fingerunit::kStx);
        r.complete = stx >= 0 && r.bytes.size() - stx > 2;
        r.bytes.remove(0, qMax<qsizetype>(0, stx));
    }
    serial.setRThreshold(0);
    restoreState();
    return r;
}

void FingerExchange::restoreState()
{
    if (savedState_)
        ch_.appState().toolState = *savedState_;
    savedState_.reset();
}

bool FingerExchange::writeBytes(const QByteArray &bytes, const std::function<void(int)> &progress)
{
    SerialControl &serial = ch_.serial();
    for (int i = 0; i < bytes.size(); ++i) {
        if (ex_->cancelled() || !ch_.waitOutputDrained() || !ch_.waitDsrTimed())
            return false;
        if (!serial.output(bytes.mid(i, 1)))
            return false;
        if (progress)
            progress(i);
    }
    return true;
}

void FingerExchange::cancel() { ex_->cancel(); }

bool FingerExchange::cancelled() const { return ex_->cancelled(); }

void FingerExchange::clearCancel() { ex_->clearCancel(); }

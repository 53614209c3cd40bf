#include "tickettransfer.h"

#include "base/catalogcodes.h"
#include "comm/appcontext.h"
#include "comm/eventwait.h"
#include "comm/outputchannel.h"
#include "comm/printeroperation.h"
#include "ticketframes.h"

namespace {

constexpr qint16 kIdle = 600;
constexpr qint16 kReading = 613;
constexpr qint16 kRegistering = 614;
constexpr quint8 kEmptySlot = 0xFF;
constexpr int kFirstSlot = 1;

using Sent = PrinterExchange::Sent;
using Outcome = TicketTransfer::Outcome;

// A send that did not go out: the user's cancel stops silently, a port
// that failed is a failure and told.
Outcome notSent(Sent sent, int code, AppContext &ctx)
{
    if (sent == Sent::Cancelled)
        return Outcome::Stopped;
    ctx.messenger().showCatalogMessage(code);
    return Outcome::Failed;
}

} // namespace

const QString TicketTransfer::kNoBarcodeHeight =
    QStringLiteral("バーコードの高さが指定されていません。\r\n"
                   "サブメニューの「バーコード詳細」で高さを指定してから登録して下さい。");

TicketTransfer::TicketTransfer(AppContext &ctx, OperationRunner &runner, Hooks hooks)
    : ctx_(ctx), runner_(runner), hooks_(std::move(hooks))
{
}

int TicketTransfer::lineNeedingBarcodeHeight(const TicketContent &content, int barcodeHeight)
{
    if (barcodeHeight > 0)
        return 0;
    for (int k = 1; k <= TicketContent::kLineCount; ++k)
        if (content.line(k).text.contains(ticketconversion::kBarcode))
            return k;
    return 0;
}

std::optional<int> TicketTransfer::chooseNumber(qint16 state, bool rawNumberModel)
{
    ctx_.state.toolState = state;
    const std::optional<int> n = hooks_.chooseNumber ? hooks_.chooseNumber() : std::nullopt;
    ctx_.state.toolState = kIdle;
    if (!n || *n < 1 || *n > ticket::lastPrinterNumber(rawNumberModel))
        return std::nullopt;
    return n;
}

Outcome TicketTransfer::registerContent(TicketForm &form, int barcodeHeight, ticket::ContentCheck *refused)
{
    if (runner_.busy())
        return Outcome::NotRun;
    ticket::ContentCheck check = ticket::checkContent(form.content);
    if (check.ok()) {
        if (const int line = lineNeedingBarcodeHeight(form.content, barcodeHeight)) {
            ctx_.messenger().showMessage(kNoBarcodeHeight, Icon::Exclamation);
            check = {kBarcodeHeightRefused, line,
                     int(form.content.line(line).text.indexOf(ticketconversion::kBarcode))};
            if (refused)
                *refused = check;
            return Outcome::NotRun;
        }
    } else {
        ctx_.messenger().showCatalogMessage(check.messageCode);
        if (refused)
            *refused = check;
        return Outcome::NotRun;
    }
    if (!runner_.exchange().linesReady())
        return Outcome::NotRun;
    const auto n = chooseNumber(kRegistering, form.rawNumberModel);
    if (!n)
        return Outcome::NotRun;
    const Outcome outcome = registerSequence(form.content, *n, form.rawNumberModel, barcodeHeight);
    form.headerNumber = *n;
    return outcome;
}

Outcome TicketTransfer::readContent(TicketForm &form, int *barcodeHeight)
{
    if (runner_.busy() || !runner_.exchange().linesReady())
        return Outcome::NotRun;
    const auto n = chooseNumber(kReading, form.rawNumberModel);
    if (!n)
        return Outcome::NotRun;
    ticketconversion::ReadBack read;
    const Outcome outcome = readSequence(*n, form.rawNumberModel, &read);
    if (outcome == Outcome::Done) {
        form.content = read.content;
        if (read.barcodeHeight && barcodeHeight)
            *barcodeHeight = *read.barcodeHeight;
    }
    return outcome;
}

Outcome TicketTransfer::registerSequence(const TicketContent &content, int number, bool rawNumberModel,
                                         int barcodeHeight)
{
    OperationRunner::Session session(runner_, kRegistering);
    session.markBusy();
    OutputChannel &ch = ctx_.channel();
    PrinterExchange &ex = runner_.exchange();
    const ticketframes::RegisterFrames frames =
        ticketframes::registerFrames(content, number, rawNumberModel, barcodeHeight);

    if (!ch.waitDsrAfterDtr())
        return Outcome::Stopped;
    ex.arm(frames.expectedReply);
    if (const Sent s = ex.send(frames.start); s != Sent::Ok)
        return notSent(s, msg::SettingUnconfirmed, ctx_);
    if (!ch.waitDsrAfterDtr())
        return Outcome::Stopped;
    if (const Sent s = ex.send(frames.lines); s != Sent::Ok)
        return notSent(s, msg::SettingUnconfirmed, ctx_);
    if (!ch.waitDsrAfterDtr())
        return Outcome::Stopped;
    // The printer may confirm as soon as it has the ETX, before the
    // closing bracket is out: what waits now is stale, what comes from
    // here on is the reply and must not be thrown away.
    ch.serial().clearInput();
    ch.rx().clearText();
    ch.rx().replyComplete = false;
    if (const Sent s = ex.send(frames.end); s != Sent::Ok)
        return notSent(s, msg::SettingUnconfirmed, ctx_);
    if (!frames.close.isEmpty()) {
        if (!ch.waitDsrAfterDtr())
            return Outcome::Stopped;
        if (const Sent s = ex.send(frames.close); s != Sent::Ok)
            return notSent(s, msg::SettingUnconfirmed, ctx_);
    }
    PrinterExchange::Wait wait;
    wait.timeoutMs = ch.times().replyMs;
    wait.endOnClosedPort = false;
    const auto reply = ex.waitReply(wait);
    const bool confirmed = reply && ex.matches(*reply);
    ctx_.state.currentNumber = number;
    ctx_.messenger().showCatalogMessage(confirmed ? msg::TicketRegistered : msg::SettingUnconfirmed);
    return confirmed ? Outcome::Done : Outcome::Failed;
}

Outcome TicketTransfer::readSequence(int number, bool rawNumberModel, ticketconversion::ReadBack *read)
{
    OperationRunner::Session session(runner_, kReading);
    session.markBusy();
    OutputChannel &ch = ctx_.channel();
    PrinterExchange &ex = runner_.exchange();
    ReceiveState &rx = ch.rx();
    SerialControl &serial = ch.serial();
    const ticketframes::ReadFrames frames = ticketframes::readFrames(number, rawNumberModel);
    // The channel's long reply time: 10 s unless a test shortens it.
    const int timeoutMs = ch.times().replyLongMs;

    for (int slot = kFirstSlot; slot <= TicketContent::kLineCount; ++slot)
        rx.lines.set(slot, 0, kEmptySlot);
    rx.framesComplete = false;
    serial.clearInput();
    rx.clearText();
    if (!frames.open.isEmpty()) {
        if (const Sent s = ex.send(frames.open); s != Sent::Ok)
            return notSent(s, msg::ReadFailed, ctx_);
        ch.waitMs(ticketframes::kReadBracketSettleMs);
        rx.clearText();
    }
    rx.frameStarted = false;
    rx.lineSlot = TicketContent::kLineCount;
    serial.clearOutput();
    serial.setDtrEnable(true);
    if (const Sent s = ex.send(frames.request); s != Sent::Ok)
        return notSent(s, msg::ReadFailed, ctx_);
    // The send's own drain and DSR checks use the same timer, so the read's
    // timeout starts once the request is out; a reply that is already in
    // is complete, and one under way gets the full interval from here.
    ch.armTimeout(timeoutMs);
    if (!ch.waitDsrAfterDtr())
        return Outcome::Stopped;

    // The receive side restarts the timer with every chunk: it runs out
    // after 10 s of silence, not 10 s in all.
    ChannelState &st = ch.state();
    eventwait::pumpUntil([&] { return rx.framesComplete || st.timeoutElapsed; }, eventwait::kNoPoll);
    const bool complete = rx.framesComplete && !ex.cancelled();
    ch.stopTimeout();
    Outcome outcome = Outcome::Failed;
    if (complete) {
        serial.clearOutput();
        serial.setDtrEnable(true);
        if (const Sent s = ex.send(frames.acknowledge); s != Sent::Ok)
            return notSent(s, msg::ReadFailed, ctx_);
        QList<QByteArray> lineSlots;
        for (int slot = kFirstSlot; slot <= TicketContent::kLineCount; ++slot)
            lineSlots << rx.lines.column(slot);
        ticketconversion::ReadBack decoded = ticketconversion::decodeLines(lineSlots);
        if (hooks_.showRead)
            hooks_.showRead(decoded);
        if (read)
            *read = std::move(decoded);
        ctx_.messenger().showCatalogMessage(msg::TicketReadDone);
        outcome = Outcome::Done;
    } else {
        ctx_.messenger().showCatalogMessage(msg::ReadFailed);
    }
    if (!frames.close.isEmpty() && ch.waitDsrAfterDtr())
        ex.send(frames.close);
    return outcome;
}

#include "ticketprintersettings.h"

#include "base/catalogcodes.h"
#include "comm/appcontext.h"
#include "comm/outputchannel.h"
#include "comm/serialcontrol.h"
#include "ticket/ticketframes.h"

namespace {

int doneMessage(qint16 state)
{
    switch (state) {
    case 615:
        return msg::TicketDeleted;
    case 616:
        return msg::IssueTestDone;
    case 621:
        return msg::StartNumberSet;
    case 622:
        return msg::NextNumberSet;
    default:
        return msg::ContentSelected;
    }
}

} // namespace

TicketPrinterSettings::TicketPrinterSettings(AppContext &ctx, std::function<bool()> rawNumberModel)
    : ctx_(ctx), rawNumberModel_(std::move(rawNumberModel)), runner_(ctx)
{
    runner_.exchange().setRawNumberModelSource(rawNumberModel_);
}

bool TicketPrinterSettings::run(int number)
{
    const qint16 state = ctx_.state.toolState;
    const bool raw = rawNumberModel_ ? rawNumberModel_() : true;
    const auto frames = ticketframes::settingFrames(state, number, raw);
    if (!frames || runner_.busy())
        return false;
    OperationRunner::Session session(runner_, state);
    session.markBusy();
    PrinterExchange &ex = runner_.exchange();
    OutputChannel &ch = ctx_.channel();
    ex.arm(frames->expectedReply);
    if (!frames->open.isEmpty()) {
        if (ex.send(frames->open) != PrinterExchange::Sent::Ok)
            return false;
        ch.waitMs(ticketframes::kSettingBracketSettleMs);
        ch.rx().clearText();
    }
    if (ex.send(frames->command) != PrinterExchange::Sent::Ok)
        return false;
    if (!ch.waitDsrAfterDtr())
        return false;
    // A raw number byte is no text: it goes out as it is.
    if (!ch.serial().output(frames->parameter) || ex.send(frames->end) != PrinterExchange::Sent::Ok)
        return false;
    const bool confirmed = ex.waitReplyMatch();
    ctx_.messenger().showCatalogMessage(confirmed ? doneMessage(state) : msg::SettingUnconfirmed);
    if (!frames->close.isEmpty() && ch.waitDsrAfterDtr())
        ex.send(frames->close);
    return confirmed;
}

bool TicketPrinterSettings::setIssueEnable(bool enable)
{
    OutputChannel &ch = ctx_.channel();
    if (runner_.busy() || !ch.waitDsrAfterDtr())
        return false;
    const ticketframes::SettingFrames frames = ticketframes::issueEnableFrames(enable);
    OperationRunner::Session session(runner_, ctx_.state.toolState);
    session.markBusy();
    PrinterExchange &ex = runner_.exchange();
    ex.arm(frames.expectedReply);
    if (ex.send(frames.command) != PrinterExchange::Sent::Ok || !ch.waitDsrAfterDtr())
        return false;
    if (!ch.serial().output(frames.parameter) || ex.send(frames.end) != PrinterExchange::Sent::Ok)
        return false;
    PrinterExchange::Wait wait;
    wait.timeoutMs = ch.times().replyMs;
    const auto reply = ex.waitReply(wait);
    const bool confirmed = reply && ex.matches(*reply);
    ctx_.messenger().showCatalogMessage(confirmed ? msg::EnableSet : msg::SettingUnconfirmed);
    return confirmed;
}

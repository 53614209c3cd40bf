#include "unittransfer.h"

#include "base/catalogcodes.h"
#include "comm/appcontext.h"
#include "comm/outputchannel.h"

namespace unit {

namespace {

using Sent = PrinterExchange::Sent;

} // namespace

UnitTransfer::UnitTransfer(AppContext &ctx) : ctx_(ctx), runner_(ctx) {}

int UnitTransfer::readWaitMs() const
{
    const int replyWait = ctx_.state.output.replyWait;
    return replyWait > 0 ? replyWait : kReadWaitMs;
}

bool UnitTransfer::read(UnitSettings &s)
{
    if (busy())
        return false;
    OperationRunner::Session session(runner_, UnitStates::Read);
    if (!runner_.exchange().linesReady() || !choose)
        return false;
    const auto chosen = choose();
    if (!chosen)
        return false;
    const QList<ItemRef> items = itemsOf(chosen->model, chosen->number);
    if (items.isEmpty())
        return false;
    ctx_.state.toolState = UnitStates::Reading;
    session.markBusy();
    for (const ItemRef &ref : items) {
        if (!readItem(ref, s)) {
            runner_.ask(msg::ReadFailed);
            return false;
        }
        if (showProgress)
            showProgress(s);
    }
    runner_.ask(msg::UnitRead);
    return true;
}

bool UnitTransfer::readItem(const ItemRef &ref, UnitSettings &s)
{
    PrinterExchange &ex = runner_.exchange();
    ReceiveState &rx = ctx_.channel().rx();
    const int column = recordColumn(ref.channel);
    // A frame left from an earlier item must not pass for this one.
    rx.records.store(column, QByteArray(1, kNul));
    ex.arm(acknowledgeFrame(ref));
    if (ex.send(requestFrame(ref)) != Sent::Ok)
        return false;
    PrinterExchange::Wait wait;
    wait.timeoutMs = readWaitMs();
    if (!ex.waitReply(wait))
        return false;
    const QByteArray frame = rx.records.columnUpTo(column, quint8(kNul));
    if (!storeFrame(ref, frame, s))
        return false;
    rx.replyComplete = false;
    return ex.send(acknowledgeFrame(ref)) == Sent::Ok;
}

bool UnitTransfer::registerChannel(UnitSettings &s, Fault *fault)
{
    if (busy())
        return false;
    OperationRunner::Session session(runner_, UnitStates::Register);
    if (!runner_.exchange().linesReady() || !choose)
        return false;
    const auto chosen = choose();
    if (!chosen)
        return false;
    ctx_.state.toolState = UnitStates::Register;
    if (chosen->model == Model::Ux && needsIndicatorQuestion(s.ux) &&
        ctx_.messenger().showMessage(kIndicatorQuestion, kIndicatorQuestionStyle, kIndicatorQuestionTitle) !=
            Answer::Yes)
        return false;
    const Fault f = chosen->model == Model::Vux ? checkVuxChannel(s.vux, chosen->number) : checkModel(chosen->model, s);
    if (!f.ok()) {
        if (fault)
            *fault = f;
        runner_.ask(f.code);
        return false;
    }
    const auto steps = registerSteps(chosen->model, chosen->number, s);
    if (!steps || steps->isEmpty())
        return false;
    session.markBusy();
    for (const RegisterStep &step : *steps) {
        if (!registerStep(step))
            return false;
    }
    runner_.ask(msg::UnitRegistered);
    return true;
}

bool UnitTransfer::registerStep(const RegisterStep &step)
{
    PrinterExchange &ex = runner_.exchange();
    OutputChannel &ch = ctx_.channel();
    ex.arm(step.expectedReply);
    const Sent head = ex.send(step.head);
    if (head == Sent::Cancelled)
        return false;
    if (head == Sent::Ok) {
        // No DSR before the value: the printer is gone, nothing to tell.
        if (!ch.waitDsrTimed())
            return false;
        const Sent tail = ex.send(step.tail);
        if (tail == Sent::Cancelled)
            return false;
        if (tail == Sent::Ok && ex.waitReplyMatch())
            return true;
    }
    runner_.ask(msg::RegisterUnconfirmed);
    return false;
}

bool UnitTransfer::testPrint()
{
    if (busy())
        return false;
    OperationRunner::Session session(runner_, UnitStates::TestPrint);
    PrinterExchange &ex = runner_.exchange();
    if (!ex.linesReady())
        return false;
    session.markBusy();
    ex.arm(kTestPrintReply);
    const Sent sent = ex.send(kTestPrintFrame);
    if (sent == Sent::Cancelled)
        return false;
    // State 860 compares bytes 0..2 and waits the long time.
    if (sent == Sent::Ok && ex.waitReplyMatch()) {
        runner_.ask(msg::UnitPrinted);
        return true;
    }
    runner_.ask(msg::PrintUnconfirmed);
    return false;
}

bool UnitTransfer::resetTotals()
{
    if (busy())
        return false;
    OperationRunner::Session session(runner_, UnitStates::SubMenu);
    PrinterExchange &ex = runner_.exchange();
    if (!ex.linesReady() || runner_.ask(msg::AskResetTotals) != Answer::Yes)
        return false;
    session.markBusy();
    ex.arm(kResetTotalsReply);
    const Sent sent = ex.send(kResetTotalsFrame);
    if (sent == Sent::Cancelled)
        return false;
    if (sent == Sent::Ok && ex.waitReplyMatch()) {
        runner_.ask(msg::TotalsReset);
        return true;
    }
    runner_.ask(msg::ResetUnconfirmed);
    return false;
}

} // namespace unit

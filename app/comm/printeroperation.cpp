#include "printeroperation.h"

#include "appcontext.h"
#include "base/catalogcodes.h"
#include "outputchannel.h"

OperationRunner::OperationRunner(AppContext &ctx) : ctx_(ctx), exchange_(ctx.channel()) {}

OperationRunner::Session::Session(OperationRunner &runner, qint16 state)
    : r_(runner), saved_(runner.ctx_.state.toolState)
{
    r_.busy_ = true;
    r_.ctx_.state.toolState = state;
    r_.ctx_.channel().state().transferActive = true;
    r_.exchange_.clearCancel();
}

OperationRunner::Session::~Session()
{
    OutputChannel &ch = r_.ctx_.channel();
    ch.stopTimeout();
    ch.state().transferActive = false;
    if (marked_ && r_.busyChanged)
        r_.busyChanged(r_.ctx_.state.toolState, false);
    r_.ctx_.state.toolState = saved_;
    r_.busy_ = false;
}

void OperationRunner::Session::markBusy()
{
    if (marked_)
        return;
    marked_ = true;
    if (r_.busyChanged)
        r_.busyChanged(r_.ctx_.state.toolState, true);
}

Answer OperationRunner::ask(int code, int number)
{
    if (number > 0)
        ctx_.state.currentNumber = number;
    return ctx_.messenger().showCatalogMessage(code);
}

bool OperationRunner::command(const PrinterOperation &op, std::optional<quint8> number, const QByteArray &data)
{
    const char answer = char(op.letter + ('a' - 'A'));
    exchange_.arm(PrinterExchange::replyFrame(answer, number, op.accepted));
    const PrinterExchange::Sent sent = exchange_.sendFrame(op.letter, number, data, op.waits);
    if (sent == PrinterExchange::Sent::Cancelled)
        return false;
    if (sent == PrinterExchange::Sent::Ok) {
        PrinterExchange::Wait wait;
        wait.timeoutMs = op.longWait ? ctx_.channel().times().replyLongMs : ctx_.channel().times().replyMs;
        if (op.mayExtend)
            wait.extend = [this] { return ask(msg::AskKeepWatching) == Answer::Yes; };
        const auto reply = exchange_.waitReply(wait);
        if (reply && exchange_.matches(*reply))
            return true;
    }
    if (number)
        ctx_.state.currentNumber = *number;
    ctx_.messenger().showCatalogMessage(op.failCode);
    return false;
}

bool OperationRunner::run(const PrinterOperation &op, std::optional<quint8> number, const QByteArray &data)
{
    if (busy_)
        return false;
    Session session(*this, op.state);
    const int n = number ? int(*number) : 0;
    if (!exchange_.linesReady())
        return false;
    if (op.question != 0 && ask(op.question, n) != Answer::Yes)
        return false;
    session.markBusy();
    if (!command(op, op.numbered ? number : std::nullopt, data))
        return false;
    if (op.doneCode != 0)
        ask(op.doneCode, n);
    return true;
}

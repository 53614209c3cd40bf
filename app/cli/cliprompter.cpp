#include "cliprompter.h"

#include "comm/eventwait.h"

#include <QDateTime>

Answer CliPrompter::ask(const PromptRequest &request)
{
    CliMessage m;
    m.code = request.code;
    m.title = request.title;
    m.text = request.text;
    m.answer = answerFor(request, m.declined);
    declined_ = declined_ || m.declined;
    shown_ << m;
    if (echo)
        echo(m);
    return m.answer;
}

Answer CliPrompter::answerFor(const PromptRequest &request, bool &declined)
{
    const MessageStyle style = request.style;
    const bool warning =
        (style.icon == Icon::Exclamation || style.icon == Icon::Critical) && !harmless.contains(request.code);
    switch (style.buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::OkCancel:
        if (warning && !yes) {
            declined = true;
            return Answer::Cancel;
        }
        return Answer::Ok;
    case Buttons::YesNo:
    case Buttons::YesNoCancel:
        if (warning && !yes) {
            declined = true;
            return style.buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
        }
        return Answer::Yes;
    case Buttons::RetryCancel:
    case Buttons::AbortRetryIgnore: {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        // A box long after the last retry belongs to a new wait.
        if (retryingSinceMs_ < 0 || now - lastRetryMs_ > retryPauseMs + 2000)
            retryingSinceMs_ = now;
        lastRetryMs_ = now;
        if (now - retryingSinceMs_ < retryForMs) {
            // The printer may come back: look again after a pause that
            // sleeps in the event loop.
            eventwait::waitMs(retryPauseMs);
            return Answer::Retry;
        }
        retryingSinceMs_ = -1;
        return style.buttons == Buttons::RetryCancel ? Answer::Cancel : Answer::Abort;
    }
    }
    return Answer::Cancel;
}

void CliPrompter::clear()
{
    shown_.clear();
    declined_ = false;
    retryingSinceMs_ = -1;
}

#include "scriptedprompter.h"

Answer ScriptedPrompter::ask(const PromptRequest &request)
{
    requests << request;
    if (onAsk)
        onAsk(request);
    if (!answers_.empty()) {
        const Answer a = answers_.front();
        answers_.pop_front();
        return a;
    }
    switch (request.style.buttons) {
    case Buttons::OkCancel:
    case Buttons::RetryCancel:
    case Buttons::YesNoCancel:
        return Answer::Cancel;
    case Buttons::YesNo:
        return Answer::No;
    case Buttons::AbortRetryIgnore:
        return Answer::Abort;
    default:
        return Answer::Ok;
    }
}

QList<int> ScriptedPrompter::codes() const
{
    QList<int> out;
    for (const auto &r : requests)
        out << r.code;
    return out;
}

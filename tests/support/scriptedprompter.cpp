#include "scriptedprompter.h"

int ScriptedPrompter::ask(const PromptRequest &request)
{
    requests << request;
    if (onAsk)
        onAsk(request);
    if (!answers_.empty()) {
        const int a = answers_.front();
        answers_.pop_front();
        return a;
    }
    switch (Styles::buttons(request.style)) {
    case Styles::OkCancel:
    case Styles::RetryCancel:
    case Styles::YesNoCancel:
        return Answers::Cancel;
    case Styles::YesNo:
        return Answers::No;
    case Styles::AbortRetryIgnore:
        return Answers::Abort;
    default:
        return Answers::Ok;
    }
}

QList<int> ScriptedPrompter::codes() const
{
    QList<int> out;
    for (const auto &r : requests)
        out << r.code;
    return out;
}

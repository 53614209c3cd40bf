#pragma once
// A prompter for tests: records every request and answers from a script.
#include "base/prompter.h"

#include <QList>

#include <deque>
#include <functional>

class ScriptedPrompter : public Prompter {
public:
    Answer ask(const PromptRequest &request) override;

    // Answers used in order; when the script is empty the fallback
    // answers: Cancel for Retry/Cancel and OK/Cancel boxes (so that no
    // wait loops forever), No for Yes/No, OK otherwise.
    void script(std::initializer_list<Answer> answers) { answers_.insert(answers_.end(), answers); }
    // Runs while the box would be shown (e.g. to change the fake line).
    std::function<void(const PromptRequest &)> onAsk;

    QList<PromptRequest> requests;
    QList<int> codes() const;
    void clear()
    {
        requests.clear();
        answers_.clear();
    }

private:
    std::deque<Answer> answers_;
};

#pragma once
// The command line's answers to the boxes the operations show. A warning
// question (overwrite, delete, clear, register all) is answered Yes only
// when the user gave --yes; the operation's own confirmation ("register
// message n?") is what the command asked for. A printer that is not ready
// is retried for a while, then counts as Cancel. Everything shown is kept
// in order for the summary and the exit status.
#include "base/prompter.h"

#include <QList>
#include <QString>

#include <functional>

struct CliMessage {
    int code = 0; // 0 for a free text
    QString title;
    QString text;
    Answer answer = Answer::None;
    bool declined = false; // a warning question without --yes
};

class CliPrompter : public Prompter {
public:
    bool yes = false;
    // Warning questions the running command knows to be harmless (print
    // all only takes long; reading into a file that does not exist yet).
    QList<int> harmless;
    // How long a Retry/Cancel box is answered Retry, and the pause between.
    int retryForMs = 5000;
    int retryPauseMs = 250;
    // Called for every box as it is answered.
    std::function<void(const CliMessage &)> echo;

    Answer ask(const PromptRequest &request) override;

    const QList<CliMessage> &shown() const { return shown_; }
    bool declined() const { return declined_; }
    void clear();

private:
    Answer answerFor(const PromptRequest &request, bool &declined);

    QList<CliMessage> shown_;
    bool declined_ = false;
    qint64 retryingSinceMs_ = -1;
    qint64 lastRetryMs_ = -1;
};

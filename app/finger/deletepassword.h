#pragma once
// The password that protects deleting fingerprints from the printer, kept
// as LoginF in the per-user settings, and the logic of the Login dialog
// that sets it and asks for it. The dialog is driven through an input
// function standing for the window, so every path runs without a screen.
#include <QString>

#include <functional>
#include <optional>

class Messenger;

// What the Login window shows.
struct PasswordPrompt {
    QString caption;
    QString prompt;
    QString text;           // the box contents (shown masked)
    bool selectAll = false; // after a wrong entry: focus back, whole text selected
};

// The window's part: show the prompt and return the box contents at OK
// (or Enter), nothing at Cancel.
using PasswordInput = std::function<std::optional<QString>(const PasswordPrompt &)>;

// One opening of the Login dialog.
class PasswordEntry {
public:
    enum class Mode { Setting, Check };

    PasswordEntry(Mode mode, QString password, Messenger &messenger);

    PasswordPrompt prompt() const { return prompt_; }
    // OK with the box contents; true when the dialog closes. In check mode
    // a wrong entry warns and stays open once, the second closes.
    bool accept(const QString &boxText);
    void cancel() { closed_ = true; }

    bool closed() const { return closed_; }
    // Setting mode: what becomes the password (the loaded one after Cancel).
    const QString &enteredText() const { return entered_; }
    // Check mode: a correct password was confirmed.
    bool checkResult() const { return checkResult_; }
    bool retrying() const { return retry_; }

    // Shows the dialog through the input function until it closes.
    void run(const PasswordInput &input);

private:
    Mode mode_;
    QString password_;
    Messenger &messenger_;
    PasswordPrompt prompt_;
    QString entered_;
    bool checkResult_ = false;
    bool retry_ = false;
    bool closed_ = false;
};

class DeletePassword {
public:
    DeletePassword() = default;
    explicit DeletePassword(QString text) : text_(std::move(text)) {}

    // LoginF of the per-user settings, group "Settings"; empty when unset.
    static DeletePassword load();
    // Writes LoginF; a failure is reported. The settings file is made
    // readable by the user only before the password goes into it.
    bool save(Messenger &messenger) const;

    const QString &text() const { return text_; }
    // An empty password switches the question off.
    bool asksBeforeDeletion() const { return !text_.isEmpty(); }

    // The dialog in setting mode; the password becomes what was entered.
    void change(Messenger &messenger, const PasswordInput &input);
    // Before a deletion: true to go on. Asks only when a password is set.
    bool confirmDeletion(Messenger &messenger, const PasswordInput &input) const;

private:
    QString text_;
};

#pragma once
// A printer operation as a row, and the one routine that runs every row:
//
//   check the lines -> ask the question (if any) -> busy -> arm, send the
//   DC3 frame, wait for the reply -> tell the outcome by catalogue code
//
// with the operation's own tool state set while it runs and the state it
// found put back however it ends. Sequences (read all, register all) hold
// a Session and run their commands one by one with command().
#include "base/prompter.h"
#include "printerexchange.h"

#include <QByteArray>
#include <QtGlobal>

#include <functional>
#include <optional>

class AppContext;

struct PrinterOperation {
    qint16 state = 0; // tool state while it runs
    int question = 0; // asked first, Yes goes on; 0: none
    char letter = 0;  // upper-case command letter
    bool numbered = false;
    PrinterExchange::NumberWaits waits = PrinterExchange::NumberWaits::DsrOnly;
    std::optional<char> accepted; // the reply's byte after the number ('0': accepted)
    bool longWait = false;        // the long reply time (10 s) instead of 5 s
    bool mayExtend = false;       // on timeout the user may keep watching (354)
    int doneCode = 0;             // told on success; 0: nothing
    int failCode = 0;             // told when the reply does not come or differs
};

class OperationRunner {
public:
    explicit OperationRunner(AppContext &ctx);

    AppContext &context() { return ctx_; }
    PrinterExchange &exchange() { return exchange_; }

    // Set by the window: an operation entered or left its printer steps
    // (the window disables its buttons, the one that cancels excepted).
    std::function<void(qint16 state, bool on)> busyChanged;

    // An operation is running; a second one is refused until it ends.
    bool busy() const { return busy_; }

    // The whole operation; number is the number byte of a numbered row,
    // data what follows it. True for success.
    bool run(const PrinterOperation &op, std::optional<quint8> number = std::nullopt, const QByteArray &data = {});

    // One operation's span: busy, its tool state and TransferActive set,
    // everything put back when it goes.
    class Session {
    public:
        Session(OperationRunner &runner, qint16 state);
        ~Session();
        Session(const Session &) = delete;
        Session &operator=(const Session &) = delete;
        // Tells the window (once) that the printer steps began.
        void markBusy();

    private:
        OperationRunner &r_;
        qint16 saved_;
        bool marked_ = false;
    };

    // Inside a session: one command and its reply. A failure is told
    // (failCode) unless the user cancelled a prompt; success is not.
    bool command(const PrinterOperation &op, std::optional<quint8> number, const QByteArray &data = {});

    // A catalogue message; number > 0 first becomes the current number.
    Answer ask(int code, int number = 0);

private:
    AppContext &ctx_;
    PrinterExchange exchange_;
    bool busy_ = false;
};

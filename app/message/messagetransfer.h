#pragma once
// The printer operations of the message window: register, read all,
// delete, test print, clear all, register all and print all, each one
// DC3-framed exchange (or a series of them) on the shared serial channel.
//
//   PC sends                  success reply          wait
//   13 'B' n text 00          13 'b' n '0' 00        5 s
//   13 'D' 00                 message frames ... 13 'd' 00
//                             (each acknowledged: 13 'b' n '0' 00)
//   13 'A' n 00 / 13 'A' 00   13 'a' n 00 / 13 'a' 00
//   13 'C' n 00 / 13 'C' 00   13 'c' n 00 / 13 'c' 00  5 s / 10 s, extendable
//
// Each operation is a row run by the shared OperationRunner, which checks
// the printer lines, asks, sets the operation's tool state (204-213) so
// that the receive side frames the replies, tells the outcome and puts
// the state back. Read all and register all are series of exchanges.
#include "comm/printeroperation.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

class AppContext;
struct MessageForm;

class MessageTransfer {
public:
    explicit MessageTransfer(AppContext &ctx);

    // The window watches runner().busyChanged: the operation's tool state
    // tells which mode it is in (204 read all, 213 print all, ...).
    OperationRunner &runner() { return runner_; }
    // Set by the window: shows the number and content an operation is
    // working on (register all, read all) while it runs.
    std::function<void(const MessageForm &)> showProgress;

    // On a bad control code (message 104) *badCodeAt gets the index of
    // its "&" in the content.
    bool registerOne(MessageForm &form, int *badCodeAt = nullptr); // プリンタに登録
    bool readAll(MessageForm &form);                               // プリンタから読込
    bool deleteOne(MessageForm &form);                             // プリンタから削除
    bool testPrint(MessageForm &form);                             // 印字テスト
    bool clearAll();                                               // 全消去
    bool registerAll(MessageForm &form, int *badCodeAt = nullptr); // 全登録
    bool printAll();                                               // 全印字
    // "読み込み中止" while reading: the read ends as a failure.
    void cancelRead();

    // An operation is running (a second one is refused until it ends).
    bool busy() const { return runner_.busy(); }
    bool reading() const { return reading_; }

private:
    // The number box as a number 1-255, or nothing after telling the user.
    std::optional<quint8> checkedNumber(const MessageForm &form);
    bool receiveAll();
    bool storeReceived(MessageForm &form);
    void tellNotWritten(const QString &path, const QString &reason);

    AppContext &ctx_;
    OperationRunner runner_;
    bool reading_ = false;
};

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
// Each operation checks the printer lines first, asks where the window
// asks, sets its own tool state (204-213) so that the receive side frames
// the replies, and puts back the state it found when it ends, whatever
// the outcome. It tells the user the outcome itself and returns true for
// success. Waits run the event loop; the timeout counts the silence since
// the last byte received.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

class AppContext;
class OutputChannel;
struct MessageForm;

class MessageTransfer {
public:
    explicit MessageTransfer(AppContext &ctx);

    // Set by the window: the reading mode (buttons disabled, "読み込み中" /
    // "読み込み中止", blinking) and the print-all mode ("全印字" blinking).
    std::function<void(bool on)> setReadingMode;
    std::function<void(bool on)> setPrintAllMode;
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
    bool busy() const { return busy_; }
    bool reading() const { return reading_; }

private:
    class Running;
    enum class Sent { Ok, Cancelled, Failed };
    enum class NumberWaits { DrainAndDsr, DsrOnly };

    OutputChannel &channel();
    int ask(int code, int number = 0);
    // The number box as a number 1-255, or -1 after telling the user.
    int checkedNumber(const MessageForm &form);
    bool linesReady();
    // DTR off, output discarded, DTR on.
    void armLine();
    // armLine, and for a command: the expected reply set and the receive
    // buffer emptied.
    void armCommand(const QByteArray &expected);
    // DC3, the letter, the number byte (if any) and the data with NUL.
    Sent sendFrame(char letter, std::optional<quint8> number, const QByteArray &data, NumberWaits waits);
    // Frames what the port holds or the buffer still has, as a receive
    // event would (bytes that came while no event could frame them).
    void frameWaiting();
    bool replyMatches() const;
    // True when a complete frame arrived and matches the expected reply.
    bool waitReply(int timeoutMs, bool mayExtend);
    // One command and its reply; tells the user the failure (failCode)
    // unless the user cancelled a prompt. Success is told by the caller.
    bool exchange(char letter, std::optional<quint8> number, const QByteArray &data, NumberWaits waits, int failCode,
                  int timeoutMs = 0, bool mayExtend = false);
    bool registerNumber(int number, const QString &content, NumberWaits waits);

    bool receiveAll();
    bool acknowledge(quint8 number);
    bool storeReceived(MessageForm &form);
    void tellNotWritten(const QString &path, const QString &reason);

    AppContext &ctx_;
    bool busy_ = false;
    bool reading_ = false;
    bool cancelled_ = false;
};

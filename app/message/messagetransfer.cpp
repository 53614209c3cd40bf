#include "messagetransfer.h"

#include "base/cp932.h"
#include "comm/appcontext.h"
#include "comm/eventwait.h"
#include "comm/notation.h"
#include "comm/outputchannel.h"
#include "comm/receiveframing.h"
#include "filenamecheck.h"
#include "messagecodes.h"
#include "messagefileoperations.h"
#include "msdfile.h"
#include "numberbox.h"

#include <QMap>
#include <QStringList>

namespace {

// Tool states of the operations.
constexpr qint16 kReadingAll = 204;
constexpr qint16 kRegistering = 205;
constexpr qint16 kDeleting = 206;
constexpr qint16 kTestPrinting = 207;
constexpr qint16 kClearingAll = 211;
constexpr qint16 kRegisteringAll = 212;
constexpr qint16 kPrintingAll = 213;

// Frame bytes.
constexpr char kDc3 = 0x13;
constexpr char kNul = 0x00;
constexpr char kAccepted = '0';
constexpr quint8 kNotReceived = 0xFF; // row 0 of a RecordTable column

// Catalogue codes.
constexpr int kMsgPrintUnconfirmed = 1;
constexpr int kMsgDeleteUnconfirmed = 3;
constexpr int kMsgRegisterUnconfirmed = 4;
constexpr int kMsgRegisteredAll = 6;
constexpr int kMsgPrintedAll = 8;
constexpr int kMsgClearedAll = 9;
constexpr int kMsgReadDone = 10;
constexpr int kMsgRegistered = 11;
constexpr int kMsgDeleted = 12;
constexpr int kMsgPrinted = 16;
constexpr int kMsgReadFailed = 20;
constexpr int kMsgNoContent = 57;
constexpr int kMsgBadCode = 104;
constexpr int kAskRegisterAll = 300;
constexpr int kAskReadAll = 301;
constexpr int kAskPrintAll = 302;
constexpr int kAskClearAll = 303;
constexpr int kAskDelete = 305;
constexpr int kNothingToRegister = 306;
constexpr int kAskRegister = 353;
constexpr int kAskKeepWatching = 354;

constexpr int kExclamation = 48;
const QString kFileTitle = QStringLiteral("ファイルの確認");

// The expected reply: DC3, the letter, the number (if any), the extra
// byte (if any), NUL.
QByteArray replyFrame(char letter, std::optional<quint8> number, std::optional<char> extra = std::nullopt)
{
    QByteArray f;
    f += kDc3;
    f += letter;
    if (number)
        f += char(*number);
    if (extra)
        f += *extra;
    f += kNul;
    return f;
}

} // namespace

// One operation from its first printer step to its end: marks the
// transfer busy (the public operations refuse to start while it is), sets
// the operation's tool state and TransferActive, and puts everything back
// however the operation ends.
class MessageTransfer::Running {
public:
    Running(MessageTransfer &t, qint16 state) : t_(t), saved_(t.ctx_.state.toolState)
    {
        t_.busy_ = true;
        t_.ctx_.state.toolState = state;
        t_.channel().state().transferActive = true;
    }
    ~Running()
    {
        OutputChannel &ch = t_.channel();
        ch.stopTimeout();
        ch.state().transferActive = false;
        t_.ctx_.state.toolState = saved_;
        t_.busy_ = false;
    }
    Running(const Running &) = delete;
    Running &operator=(const Running &) = delete;

private:
    MessageTransfer &t_;
    qint16 saved_;
};

MessageTransfer::MessageTransfer(AppContext &ctx) : ctx_(ctx) {}

OutputChannel &MessageTransfer::channel() { return ctx_.channel(); }

int MessageTransfer::ask(int code, int number)
{
    if (number > 0)
        ctx_.state.currentNumber = number;
    return ctx_.messenger().showCatalogMessage(code);
}

bool MessageTransfer::linesReady() { return channel().waitCts() && channel().waitDsrAfterDtr(); }

void MessageTransfer::armLine()
{
    SerialControl &serial = channel().serial();
    serial.setDtrEnable(false);
    serial.clearOutput();
    serial.setDtrEnable(true);
}

void MessageTransfer::armCommand(const QByteArray &expected)
{
    armLine();
    ReceiveState &rx = channel().rx();
    rx.setExpectedReply(expected);
    // Whatever came before this command is not its reply.
    channel().serial().clearInput();
    rx.clearText();
    rx.replyComplete = false;
    rx.framesComplete = false;
}

MessageTransfer::Sent MessageTransfer::sendFrame(char letter, std::optional<quint8> number, const QByteArray &data,
                                                 NumberWaits waits)
{
    OutputChannel &ch = channel();
    // A false from the channel is the user's cancel while the port is
    // there, a lost line when it is not.
    const auto failed = [&ch] { return ch.serial().isOpen() ? Sent::Cancelled : Sent::Failed; };
    if (!ch.sendSerial(QByteArray(1, kDc3) + letter))
        return failed();
    if (number) {
        // The number goes out as one raw byte: above 0x7F it is no text.
        if (waits == NumberWaits::DrainAndDsr && !ch.waitOutputDrained())
            return failed();
        if (!ch.waitDsrAfterDtr())
            return failed();
        if (!ch.serial().output(QByteArray(1, char(*number))))
            return Sent::Failed;
    }
    if (!ch.sendSerial(data + kNul))
        return failed();
    return Sent::Ok;
}

void MessageTransfer::frameWaiting()
{
    OutputChannel &ch = channel();
    ReceiveState &rx = ch.rx();
    if (rx.replyComplete || rx.framesComplete)
        return;
    SerialControl &serial = ch.serial();
    serial.setInputLen(serial.inBufferCount());
    const qint16 state = ctx_.state.toolState;
    framing::append(rx, serial.input());
    framing::run(rx, framing::kindFor(state), state);
}

bool MessageTransfer::replyMatches() const
{
    // Every byte up to and including the frame's NUL must be the expected
    // one; ExpectedReply holds nine, so a longer frame never matches.
    const ReceiveState &rx = ctx_.channel().rx();
    const QByteArray &frame = rx.bytes;
    return !frame.isEmpty() && frame.size() <= ReceiveState::kExpectedSize &&
           frame == rx.expectedReply.left(frame.size());
}

bool MessageTransfer::waitReply(int timeoutMs, bool mayExtend)
{
    OutputChannel &ch = channel();
    ReceiveState &rx = ch.rx();
    ch.armTimeout(timeoutMs);
    frameWaiting();
    for (;;) {
        // Replies, the timer and a lost line all arrive as events.
        eventwait::pumpUntil([&] { return rx.replyComplete || ch.state().timeoutElapsed || !ch.serial().isOpen(); },
                             eventwait::kNoPoll);
        if (rx.replyComplete) {
            ch.stopTimeout();
            return replyMatches();
        }
        if (!ch.serial().isOpen()) {
            ch.stopTimeout();
            return false;
        }
        if (!mayExtend || ask(kAskKeepWatching) != Answers::Yes)
            return false;
        // A reply that came while the question was up was kept but not
        // framed: frame it now, then watch for another full interval.
        ch.armTimeout(timeoutMs);
        frameWaiting();
    }
}

bool MessageTransfer::exchange(char letter, std::optional<quint8> number, const QByteArray &data, NumberWaits waits,
                               int failCode, int timeoutMs, bool mayExtend)
{
    QByteArray expected =
        replyFrame(char(letter + ('a' - 'A')), number, letter == 'B' ? std::optional<char>(kAccepted) : std::nullopt);
    armCommand(expected);
    const Sent sent = sendFrame(letter, number, data, waits);
    if (sent == Sent::Cancelled)
        return false;
    if (sent == Sent::Ok && waitReply(timeoutMs > 0 ? timeoutMs : channel().times().replyMs, mayExtend))
        return true;
    if (number)
        ctx_.state.currentNumber = *number;
    ctx_.messenger().showCatalogMessage(failCode);
    return false;
}

bool MessageTransfer::registerNumber(int number, const QString &content, NumberWaits waits)
{
    const QByteArray text = notation::convertForPrinter(content);
    return exchange('B', quint8(number), text, waits, kMsgRegisterUnconfirmed);
}

// ---- register, delete, test print, clear all, print all ------------------

int MessageTransfer::checkedNumber(const MessageForm &form)
{
    const numberbox::Parsed parsed = numberbox::parse(form.numberText);
    if (!parsed.ok()) {
        ctx_.messenger().showCatalogMessage(parsed.messageCode);
        return -1;
    }
    return parsed.number;
}

bool MessageTransfer::registerOne(MessageForm &form, int *badCodeAt)
{
    if (busy_)
        return false;
    Messenger &m = ctx_.messenger();
    const int n0 = checkedNumber(form);
    if (n0 < 0)
        return false;
    if (form.content.isEmpty()) {
        m.showCatalogMessage(kMsgNoContent);
        return false;
    }
    const int bad = messagecodes::findInvalidCode(form.content);
    if (bad >= 0) {
        if (badCodeAt)
            *badCodeAt = bad;
        m.showCatalogMessage(kMsgBadCode);
        return false;
    }
    const int n = n0;
    Running running(*this, kRegistering);
    if (!linesReady() || ask(kAskRegister, n) != Answers::Yes)
        return false;
    if (!registerNumber(n, form.content, NumberWaits::DrainAndDsr))
        return false;
    ask(kMsgRegistered, n);
    return true;
}

bool MessageTransfer::deleteOne(MessageForm &form)
{
    if (busy_)
        return false;
    const int n = checkedNumber(form);
    if (n < 0)
        return false;
    Running running(*this, kDeleting);
    if (!linesReady() || ask(kAskDelete, n) != Answers::Yes)
        return false;
    if (!exchange('A', quint8(n), {}, NumberWaits::DsrOnly, kMsgDeleteUnconfirmed))
        return false;
    ask(kMsgDeleted, n);
    return true;
}

bool MessageTransfer::testPrint(MessageForm &form)
{
    if (busy_)
        return false;
    const int n = checkedNumber(form);
    if (n < 0)
        return false;
    Running running(*this, kTestPrinting);
    if (!linesReady())
        return false;
    if (!exchange('C', quint8(n), {}, NumberWaits::DsrOnly, kMsgPrintUnconfirmed))
        return false;
    ask(kMsgPrinted, n);
    return true;
}

bool MessageTransfer::clearAll()
{
    if (busy_)
        return false;
    Running running(*this, kClearingAll);
    if (!linesReady() || ask(kAskClearAll) != Answers::Yes)
        return false;
    if (!exchange('A', std::nullopt, {}, NumberWaits::DsrOnly, kMsgDeleteUnconfirmed))
        return false;
    ask(kMsgClearedAll);
    return true;
}

bool MessageTransfer::printAll()
{
    if (busy_)
        return false;
    Running running(*this, kPrintingAll);
    if (!linesReady() || ask(kAskPrintAll) != Answers::Yes)
        return false;
    if (setPrintAllMode)
        setPrintAllMode(true);
    const bool ok = exchange('C', std::nullopt, {}, NumberWaits::DsrOnly, kMsgPrintUnconfirmed,
                             channel().times().replyLongMs, true);
    if (ok)
        ask(kMsgPrintedAll);
    if (setPrintAllMode)
        setPrintAllMode(false);
    return ok;
}

// ---- register all --------------------------------------------------------

bool MessageTransfer::registerAll(MessageForm &form, int *badCodeAt)
{
    if (busy_)
        return false;
    Running running(*this, kRegisteringAll);
    if (!linesReady() || ask(kAskRegisterAll) != Answers::Yes)
        return false;
    MessageFileOperations ops(ctx_);
    if (!ops.open(form))
        return false;
    if (form.savedNumbers.isEmpty()) {
        ask(kNothingToRegister);
        return false;
    }
    const QList<int> numbers = form.savedNumbers;
    for (const int n : numbers) {
        ops.showStored(form, n);
        if (showProgress)
            showProgress(form);
        // The file may have been written by another program: a code that
        // is no control code would put its byte, even a NUL, in the frame.
        const int bad = messagecodes::findInvalidCode(form.content);
        if (bad >= 0) {
            if (badCodeAt)
                *badCodeAt = bad;
            ask(kMsgBadCode);
            return false;
        }
        if (!registerNumber(n, form.content, NumberWaits::DsrOnly))
            return false;
    }
    ask(kMsgRegisteredAll);
    return true;
}

// ---- read all ------------------------------------------------------------

void MessageTransfer::cancelRead()
{
    if (!reading_)
        return;
    // The read loop and the waits inside an acknowledge both see it.
    cancelled_ = true;
    channel().state().timeoutElapsed = true;
    channel().state().transferActive = false;
}

bool MessageTransfer::readAll(MessageForm &form)
{
    if (busy_)
        return false;
    Running running(*this, kReadingAll);
    if (!linesReady())
        return false;
    const auto path = filenamecheck::check(ctx_, form.fileName);
    if (!path)
        return false;
    form.fileName = *path;
    // Said now rather than after a read that may take minutes.
    if (MsdFile(*path).isReadOnly()) {
        tellNotWritten(*path, QStringLiteral("書き込みが禁止されています。"));
        return false;
    }
    if (ask(kAskReadAll) != Answers::Yes)
        return false;

    reading_ = true;
    cancelled_ = false;
    if (setReadingMode)
        setReadingMode(true);
    const bool ok = receiveAll();
    reading_ = false;
    channel().stopTimeout();
    if (setReadingMode)
        setReadingMode(false);

    if (!ok) {
        ask(kMsgReadFailed);
        return false;
    }
    return storeReceived(form);
}

bool MessageTransfer::acknowledge(quint8 number)
{
    // Armed like a command, but the receive buffer may already hold the
    // start of the next frame.
    armLine();
    return sendFrame('b', number, QByteArray(1, kAccepted), NumberWaits::DrainAndDsr) == Sent::Ok;
}

bool MessageTransfer::receiveAll()
{
    OutputChannel &ch = channel();
    ReceiveState &rx = ch.rx();
    ChannelState &st = ch.state();
    const int timeoutMs = ch.times().replyMs;

    for (int n = 1; n <= 255; ++n)
        rx.records.set(n, 0, kNotReceived);
    rx.framesComplete = false;
    rx.replyComplete = false;
    ch.armTimeout(timeoutMs);
    armCommand(replyFrame('d', std::nullopt)); // the end frame 13 64 00
    if (sendFrame('D', std::nullopt, {}, NumberWaits::DsrOnly) != Sent::Ok)
        return false;
    // The send's own waits used the timer: the silence starts now.
    ch.armTimeout(timeoutMs);
    frameWaiting();

    for (;;) {
        eventwait::pumpUntil(
            [&] {
                return rx.framesComplete || rx.replyComplete || st.timeoutElapsed || cancelled_ ||
                       !ch.serial().isOpen();
            },
            eventwait::kNoPoll);
        if (rx.framesComplete)
            return true;
        if (cancelled_ || st.timeoutElapsed || !ch.serial().isOpen())
            return false;

        // A message frame: DC3, a letter, the number 1..255, text, NUL.
        // Anything else is line noise, and storing it would file it under
        // whatever its third byte says.
        const QByteArray frame = rx.bytes;
        if (frame.size() < 4 || frame.at(0) != kDc3)
            return false;
        rx.replyComplete = false;
        if (!acknowledge(quint8(frame.at(2))) || cancelled_) {
            st.timeoutElapsed = true;
            return false;
        }
        ch.armTimeout(timeoutMs);
        frameWaiting();
    }
}

bool MessageTransfer::storeReceived(MessageForm &form)
{
    const ReceiveState &rx = channel().rx();
    // The file holds what Save would accept, so a read-back message can be
    // saved again as it is.
    const int capacity = MessageFileOperations::kSaveLimitBytes - 1;
    QMap<int, QByteArray> texts;
    QList<int> shortened;
    MessageForm shown = form;
    for (int n = 1; n <= 255; ++n) {
        if (rx.records.at(n, 0) == kNotReceived)
            continue;
        // Bytes 3.. up to the NUL (a frame cut at 513 bytes has none).
        const QByteArray bytes = rx.records.columnUpTo(n, quint8(kNul)).mid(3);
        const QString display = messagecodes::fromPrinterBytes(bytes);
        const QString fitted = messagecodes::fitToBytes(display, capacity);
        if (fitted.size() < display.size())
            shortened << n;
        texts.insert(n, cp932::encode(fitted));
        shown.numberText = QString::number(n);
        shown.content = display;
        if (showProgress)
            showProgress(shown);
    }

    const MsdFile file(form.fileName);
    QString error;
    if (!file.writeRecords(texts, &error)) {
        tellNotWritten(form.fileName, error);
        return false;
    }
    MessageFileOperations(ctx_).open(form);
    ask(kMsgReadDone);
    if (!shortened.isEmpty()) {
        QStringList numbers;
        for (int n : shortened)
            numbers << QString::number(n);
        const QString text = QStringLiteral("次のメッセージはファイルに入りきらないため、"
                                            "先頭の%1バイトまでを保存しました。\r\nNo.%2");
        ctx_.messenger().showMessage(text.arg(capacity).arg(numbers.join(QLatin1Char(','))), kExclamation, kFileTitle);
    }
    return true;
}

void MessageTransfer::tellNotWritten(const QString &path, const QString &reason)
{
    ctx_.messenger().showMessage(QStringLiteral("ファイルに書き込めませんでした。\r\n") + path +
                                     QStringLiteral("\r\n") + reason,
                                 kExclamation, kFileTitle);
}

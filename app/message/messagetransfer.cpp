#include "messagetransfer.h"

#include "base/catalogcodes.h"
#include "base/cp932.h"
#include "comm/appcontext.h"
#include "comm/eventwait.h"
#include "comm/notation.h"
#include "comm/outputchannel.h"
#include "comm/receiveframing.h"
#include "filenamecheck.h"
#include "fileproblems.h"
#include "messagecodes.h"
#include "messagefileoperations.h"
#include "msdfile.h"
#include "numberbox.h"

#include <QMap>
#include <QStringList>

namespace {

using NumberWaits = PrinterExchange::NumberWaits;

constexpr char kAccepted = '0';
constexpr quint8 kNotReceived = 0xFF; // row 0 of a RecordTable column
constexpr char kNul = 0x00;

// Tool states of the operations.
constexpr qint16 kReadingAll = 204;
constexpr qint16 kRegisteringAll = 212;

// The single-command operations.
//                      state question            letter numbered waits                    accepted   long   extend done
//                      fail
constexpr PrinterOperation kRegister{205,
                                     msg::AskRegister,
                                     'B',
                                     true,
                                     NumberWaits::DrainAndDsr,
                                     kAccepted,
                                     false,
                                     false,
                                     msg::Registered,
                                     msg::RegisterUnconfirmed};
constexpr PrinterOperation kDelete{206, msg::AskDelete, 'A',   true,         NumberWaits::DsrOnly,
                                   {},  false,          false, msg::Deleted, msg::DeleteUnconfirmed};
constexpr PrinterOperation kTestPrint{
    207, 0, 'C', true, NumberWaits::DsrOnly, {}, false, false, msg::PrintedNumber, msg::PrintUnconfirmed};
constexpr PrinterOperation kClearAll{
    211, msg::AskClearAll, 'A', false, NumberWaits::DsrOnly, {}, false, false, msg::ClearedAll, msg::DeleteUnconfirmed};
constexpr PrinterOperation kPrintAll{
    213, msg::AskPrintAll, 'C', false, NumberWaits::DsrOnly, {}, true, true, msg::PrintedAll, msg::PrintUnconfirmed};
// One message of register all (the question and the outcome are the series').
constexpr PrinterOperation kRegisterInSeries{kRegisteringAll, 0,     'B',   true, NumberWaits::DsrOnly,
                                             kAccepted,       false, false, 0,    msg::RegisterUnconfirmed};

} // namespace

MessageTransfer::MessageTransfer(AppContext &ctx) : ctx_(ctx), runner_(ctx) {}

std::optional<quint8> MessageTransfer::checkedNumber(const MessageForm &form)
{
    const numberbox::Parsed parsed = numberbox::parse(form.numberText);
    if (!parsed.ok()) {
        ctx_.messenger().showCatalogMessage(parsed.messageCode);
        return std::nullopt;
    }
    return quint8(parsed.number);
}

bool MessageTransfer::registerOne(MessageForm &form, int *badCodeAt)
{
    if (busy())
        return false;
    Messenger &m = ctx_.messenger();
    const auto n = checkedNumber(form);
    if (!n)
        return false;
    if (form.content.isEmpty()) {
        m.showCatalogMessage(msg::EnterContent);
        return false;
    }
    const int bad = messagecodes::findInvalidCode(form.content);
    if (bad >= 0) {
        if (badCodeAt)
            *badCodeAt = bad;
        m.showCatalogMessage(msg::BadControlCode);
        return false;
    }
    return runner_.run(kRegister, n, notation::convertForPrinter(form.content));
}

bool MessageTransfer::deleteOne(MessageForm &form)
{
    const auto n = busy() ? std::nullopt : checkedNumber(form);
    return n && runner_.run(kDelete, n);
}

bool MessageTransfer::testPrint(MessageForm &form)
{
    const auto n = busy() ? std::nullopt : checkedNumber(form);
    return n && runner_.run(kTestPrint, n);
}

bool MessageTransfer::clearAll() { return runner_.run(kClearAll); }

bool MessageTransfer::printAll() { return runner_.run(kPrintAll); }

// ---- register all --------------------------------------------------------

bool MessageTransfer::registerAll(MessageForm &form, int *badCodeAt)
{
    if (busy())
        return false;
    OperationRunner::Session session(runner_, kRegisteringAll);
    if (!runner_.exchange().linesReady() || runner_.ask(msg::AskRegisterAll) != Answer::Yes)
        return false;
    MessageFileOperations ops(ctx_);
    if (!ops.open(form))
        return false;
    if (form.savedNumbers.isEmpty()) {
        runner_.ask(msg::NothingToRegister);
        return false;
    }
    session.markBusy();
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
            runner_.ask(msg::BadControlCode);
            return false;
        }
        if (!runner_.command(kRegisterInSeries, quint8(n), notation::convertForPrinter(form.content)))
            return false;
    }
    runner_.ask(msg::RegisteredAll);
    return true;
}

// ---- read all ------------------------------------------------------------

void MessageTransfer::cancelRead()
{
    if (reading_)
        runner_.exchange().cancel();
}

bool MessageTransfer::readAll(MessageForm &form)
{
    if (busy())
        return false;
    OperationRunner::Session session(runner_, kReadingAll);
    if (!runner_.exchange().linesReady())
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
    if (runner_.ask(msg::AskReadAll) != Answer::Yes)
        return false;

    reading_ = true;
    session.markBusy();
    const bool ok = receiveAll();
    reading_ = false;
    ctx_.channel().stopTimeout();

    if (!ok) {
        runner_.ask(msg::ReadFailed);
        return false;
    }
    return storeReceived(form);
}

bool MessageTransfer::receiveAll()
{
    PrinterExchange &ex = runner_.exchange();
    OutputChannel &ch = ctx_.channel();
    ReceiveState &rx = ch.rx();

    for (int n = 1; n <= 255; ++n)
        rx.records.set(n, 0, kNotReceived);
    rx.framesComplete = false;
    rx.replyComplete = false;
    ch.armTimeout(ch.times().replyMs);
    ex.arm(PrinterExchange::replyFrame('d')); // the end frame 13 64 00
    if (ex.sendFrame('D', std::nullopt, {}) != PrinterExchange::Sent::Ok)
        return false;

    for (;;) {
        // The send's own waits used the timer: the silence starts now.
        if (!ex.waitReply())
            return false;
        if (rx.framesComplete)
            return true;
        // A message frame: DC3, a letter, the number 1..255, text, NUL.
        // Anything else is line noise, and storing it would file it under
        // whatever its third byte says.
        const QByteArray frame = rx.bytes;
        if (frame.size() < 4 || frame.at(0) != 0x13)
            return false;
        rx.replyComplete = false;
        // Armed like a command, but the receive buffer may already hold
        // the start of the next frame.
        ex.armLine();
        if (ex.sendFrame('b', quint8(frame.at(2)), QByteArray(1, kAccepted), NumberWaits::DrainAndDsr) !=
                PrinterExchange::Sent::Ok ||
            ex.cancelled()) {
            ch.state().timeoutElapsed = true;
            return false;
        }
    }
}

bool MessageTransfer::storeReceived(MessageForm &form)
{
    const ReceiveState &rx = ctx_.channel().rx();
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
    runner_.ask(msg::ReadDone);
    if (!shortened.isEmpty()) {
        QStringList numbers;
        for (int n : shortened)
            numbers << QString::number(n);
        const QString text = QStringLiteral("次のメッセージはファイルに入りきらないため、"
                                            "先頭の%1バイトまでを保存しました。\r\nNo.%2");
        ctx_.messenger().showMessage(text.arg(capacity).arg(numbers.join(QLatin1Char(','))), Icon::Exclamation,
                                     fileproblems::kTitle);
    }
    return true;
}

void MessageTransfer::tellNotWritten(const QString &path, const QString &reason)
{
    fileproblems::tell(ctx_.messenger(), QStringLiteral("ファイルに書き込めませんでした。"), path, reason);
}

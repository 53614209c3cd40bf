#include "messageprinter.h"

namespace sim {

namespace {

constexpr char kDc3 = 0x13;

QString quoted(const QByteArray &text) { return QLatin1Char('"') + FrameLog::readable(text) + QLatin1Char('"'); }

} // namespace

MessagePrinter::MessagePrinter(QObject *parent) : Dc3Printer(QStringLiteral("message"), parent)
{
    on('B', [this](const Command &c) { registerMessage(c); });
    on('A', [this](const Command &c) { deleteMessages(c); });
    on('C', [this](const Command &c) { printMessages(c); });
    on('D', [this](const Command &c) { readAll(c); });
    on('b', [this](const Command &c) { acknowledge(c); });
    ackTimer_.setSingleShot(true);
    connect(&ackTimer_, &QTimer::timeout, this,
            [this] { abandonRead(QStringLiteral("no acknowledge for No.%1").arg(awaitingAck_)); });
}

void MessagePrinter::setMessage(int number, const QByteArray &text)
{
    if (number >= 1 && number <= 255)
        messages_[number] = text.left(kMaxTextBytes);
}

void MessagePrinter::loadSamples()
{
    // CP932: いらっしゃいませ / 毎度ありがとうございます / 計量証明書
    setMessage(1, QByteArray::fromHex("82a282e782c182b582e182a282dc82b9"));
    setMessage(2, QByteArray::fromHex("9688937882a082e882aa82c682a482b282b482a282dc82b7"));
    setMessage(3, QByteArray::fromHex("8c7697ca8fd896be8f91"));
    setMessage(10, QByteArray("ZENTRIX\r\nTEST 123"));
}

QString MessagePrinter::meaning(const QByteArray &f, bool fromProgram)
{
    if (f.size() < 3 || f[0] != kDc3 || !f.endsWith('\0'))
        return QStringLiteral("not a frame");
    const char letter = f[1];
    const QByteArray body = f.mid(2, f.size() - 3);
    const bool numbered = !body.isEmpty();
    const int n = numbered ? quint8(body[0]) : 0;
    const QString no = QStringLiteral("No.%1").arg(n);
    if (fromProgram) {
        switch (letter) {
        case 'B':
            return numbered ? QStringLiteral("register ") + no + QLatin1Char(' ') + quoted(body.mid(1))
                            : QStringLiteral("register without a number");
        case 'A':
            return !numbered          ? QStringLiteral("clear all")
                   : body.size() == 1 ? QStringLiteral("delete ") + no
                                      : QStringLiteral("delete, malformed");
        case 'C':
            return !numbered          ? QStringLiteral("print all")
                   : body.size() == 1 ? QStringLiteral("test print ") + no
                                      : QStringLiteral("test print, malformed");
        case 'D':
            return numbered ? QStringLiteral("read all, malformed") : QStringLiteral("read all");
        case 'b':
            return body.size() == 2 && body[1] == '0' ? QStringLiteral("acknowledge ") + no
                                                      : QStringLiteral("acknowledge, malformed");
        default:
            return QStringLiteral("unknown command %1").arg(FrameLog::readable(QByteArray(1, letter)));
        }
    }
    switch (letter) {
    case 'b':
        if (body.size() == 2 && body[1] == '0')
            return QStringLiteral("registered ") + no;
        return QStringLiteral("register refused ") + no;
    case 'a':
        return numbered ? QStringLiteral("deleted ") + no : QStringLiteral("all cleared");
    case 'c':
        return numbered ? QStringLiteral("printed ") + no : QStringLiteral("all printed");
    case 'd':
        return numbered ? QStringLiteral("message ") + no + QLatin1Char(' ') + quoted(body.mid(1))
                        : QStringLiteral("end of messages");
    default:
        return QStringLiteral("reply %1").arg(FrameLog::readable(QByteArray(1, letter)));
    }
}

void MessagePrinter::reset()
{
    Dc3Printer::reset();
    if (reading())
        abandonRead(QStringLiteral("the line went down"));
}

void MessagePrinter::beforeCommand(const Command &c)
{
    if (c.letter() != 'b' && reading())
        abandonRead(QStringLiteral("a new command came"));
}

void MessagePrinter::registerMessage(const Command &c)
{
    const int n = c.number();
    if (!c.numbered() || n == 0) {
        note(QStringLiteral("not answered: malformed command"));
        return;
    }
    const QByteArray text = c.body().mid(1);
    if (text.isEmpty() || text.size() > kMaxTextBytes) {
        note(QStringLiteral("register refused: the text has %1 bytes (1-%2 fit)").arg(text.size()).arg(kMaxTextBytes));
        answer(frame('b', n, "1"));
        return;
    }
    messages_[n] = text;
    answer(frame('b', n, "0"));
}

void MessagePrinter::deleteMessages(const Command &c)
{
    const int n = c.number();
    if (c.numbered() && (c.body().size() != 1 || n == 0)) {
        note(QStringLiteral("not answered: malformed command"));
        return;
    }
    if (c.numbered())
        messages_.remove(n);
    else
        messages_.clear();
    answer(c.numbered() ? frame('a', n) : frame('a'));
}

void MessagePrinter::printMessages(const Command &c)
{
    const int n = c.number();
    if (c.numbered() && (c.body().size() != 1 || n == 0)) {
        note(QStringLiteral("not answered: malformed command"));
        return;
    }
    int work = 0;
    if (c.numbered()) {
        print(n);
        work = messages_.contains(n) ? printMs_ : 0;
    } else {
        for (auto it = messages_.cbegin(); it != messages_.cend(); ++it)
            print(it.key());
        work = printMs_ * int(messages_.size());
    }
    answer(c.numbered() ? frame('c', n) : frame('c'), work);
}

void MessagePrinter::readAll(const Command &c)
{
    if (c.numbered()) {
        note(QStringLiteral("not answered: malformed command"));
        return;
    }
    readQueue_ = messages_.keys();
    awaitingAck_ = 0;
    sendNextMessage();
}

void MessagePrinter::print(int number)
{
    const auto it = messages_.constFind(number);
    if (it == messages_.cend()) {
        note(QStringLiteral("prints nothing: No.%1 is not held").arg(number));
        return;
    }
    printed_.append({number, *it});
    note(QStringLiteral("prints No.%1 %2").arg(number).arg(quoted(*it)));
}

void MessagePrinter::sendNextMessage()
{
    if (readQueue_.isEmpty()) {
        awaitingAck_ = 0;
        answer(frame('d'));
        return;
    }
    const int n = readQueue_.takeFirst();
    awaitingAck_ = n;
    const QByteArray message = frame('d', n, messages_.value(n));
    // The wait starts once the frame is out.
    const int outMs = answer(message);
    ackTimer_.start(qMax(0, outMs) + ackWaitMs_);
}

void MessagePrinter::acknowledge(const Command &c)
{
    const QByteArray &f = c.frame;
    const QByteArray expected = frame('b', awaitingAck_, "0");
    if (!reading()) {
        note(QStringLiteral("acknowledge outside a read (ignored)"));
        return;
    }
    if (f != expected) {
        abandonRead(QStringLiteral("wrong acknowledge, No.%1 expected").arg(awaitingAck_));
        return;
    }
    ackTimer_.stop();
    sendNextMessage();
}

void MessagePrinter::abandonRead(const QString &why)
{
    ackTimer_.stop();
    readQueue_.clear();
    awaitingAck_ = 0;
    note(QStringLiteral("read abandoned: ") + why);
}

} // namespace sim

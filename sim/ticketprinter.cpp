#include "ticketprinter.h"

namespace sim {

namespace {

// Schedule order: a plausible day of a ticket printer.
const QList<StatusPrinter::Event> kEvents = {
    {'Z', "power on"},
    {'k', "settings switch operated"},
    {'K', "settings switch released"},
    {'X', "paper at the exit sensor"},
    {'S', "issue switch on"},
    {'N', "ticket issue started"},
    {'s', "issue switch off"},
    {'x', "no paper at the exit sensor"},
    {'E', "paper end"},
    {'e', "paper end cleared"},
    {'H', "head up"},
    {'h', "head down"},
    {'n', "issue error"},
    {'T', "thermistor open"},
    {'C', "cutter error"},
    {'F', "framing error"},
    {'O', "overrun error"},
    {'P', "parity error"},
};

constexpr char kDc3 = 0x13;
constexpr char kNul = 0x00;

QByteArray answerFrame(char letter, const QByteArray &data) { return QByteArray(1, kDc3) + letter + data + kNul; }

} // namespace

TicketPrinter::TicketPrinter(QObject *parent) : StatusPrinter(QStringLiteral("ticket"), kEvents, parent)
{
    on('Z', [this](const Command &c) { bracketOpen_ = c.body() == "1"; });
    on('A', [this](const Command &c) {
        if (const int n = contentNumber(c)) {
            contents_.remove(n);
            answer(answerFrame('a', echo(n)));
        }
    });
    // "K-07" puts "0" after the number of these two, "K-2200TQ" does not.
    on('C', [this](const Command &c) {
        if (const int n = contentNumber(c)) {
            issued_ << n;
            answer(answerFrame('c', model_ == Model::K07 ? c.body() + '0' : echo(n)));
        }
    });
    on('I', [this](const Command &c) {
        if (const int n = contentNumber(c)) {
            contentToIssue_ = n;
            answer(answerFrame('i', model_ == Model::K07 ? c.body() + '0' : echo(n)));
        }
    });
    on('F', [this](const Command &c) {
        if (const int n = fourDigits(c)) {
            startNumber_ = n;
            answer(answerFrame('f', c.body()));
        }
    });
    on('G', [this](const Command &c) {
        if (const int n = fourDigits(c)) {
            nextNumber_ = n;
            ticket_ = n - 1;
            answer(answerFrame('g', c.body()));
        }
    });
    on('H', [this](const Command &c) {
        if (c.body() == "0" || c.body() == "1") {
            issueEnabled_ = c.body() == "0";
            answer(answerFrame('h', c.body()));
        }
    });
}

void TicketPrinter::setContent(int number, const QList<QByteArray> &lines)
{
    if (number >= 1 && number <= kMaxContents)
        contents_.insert(number, lines);
}

int TicketPrinter::contentNumber(const Command &c) const
{
    const QByteArray body = c.body();
    if (body.size() != 1)
        return 0;
    if (model_ == Model::K07) {
        const int n = quint8(body.at(0));
        return n >= 1 && n <= kMaxContents ? n : 0;
    }
    const int n = body.at(0) - '0';
    return n >= 1 && n <= 4 ? n : 0;
}

QByteArray TicketPrinter::echo(int number) const
{
    return QByteArray(1, model_ == Model::K07 ? char(number) : char('0' + number));
}

int TicketPrinter::fourDigits(const Command &c)
{
    const QByteArray body = c.body();
    bool ok = false;
    const int n = body.size() == 4 ? body.toInt(&ok) : 0;
    return ok && n >= 1 && n <= 9999 ? n : 0;
}

QByteArray TicketPrinter::scheduledData(char code)
{
    if (code != 'N')
        return {};
    ticket_ = ticket_ % 9999 + 1;
    return QByteArray::number(ticket_).rightJustified(4, '0');
}

} // namespace sim

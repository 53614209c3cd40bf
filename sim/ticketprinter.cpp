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

} // namespace

TicketPrinter::TicketPrinter(QObject *parent) : StatusPrinter(QStringLiteral("ticket"), kEvents, parent) {}

QByteArray TicketPrinter::scheduledData(char code)
{
    if (code != 'N')
        return {};
    ticket_ = ticket_ % 9999 + 1;
    return QByteArray::number(ticket_).rightJustified(4, '0');
}

} // namespace sim

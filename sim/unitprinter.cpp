#include "unitprinter.h"

namespace sim {

namespace {

const QList<StatusPrinter::Event> kEvents = {
    {'Z', "power on"},  {'k', "settings switch operated"}, {'K', "settings switch released"}, {'A', "printed data"},
    {'E', "paper end"}, {'e', "paper end cleared"},        {'M', "print mechanism failure"},
};

} // namespace

UnitPrinter::UnitPrinter(QObject *parent) : StatusPrinter(QStringLiteral("unit"), kEvents, parent) {}

QByteArray UnitPrinter::scheduledData(char code)
{
    if (code != 'A')
        return {};
    ++round_;
    const auto value = [](double v) { return QByteArray::number(v, 'f', 1).rightJustified(7, ' ') + " kg"; };
    return "\r" + value(10.0 + round_) + "\r" + value(20.5 + round_) + "\r";
}

} // namespace sim

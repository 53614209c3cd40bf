#include "fingerprinter.h"

namespace sim {

FingerPrinter::FingerPrinter(QObject *parent)
    : StatusPrinter(QStringLiteral("finger"),
                    {{'Z', "power on"},
                     {'k', "settings switch operated"},
                     {'K', "settings switch released"},
                     {'E', "paper end"},
                     {'e', "paper end cleared"}},
                    parent)
{
}

} // namespace sim

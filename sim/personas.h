#pragma once
// The emulated printers by name, and how the program and the tests reach
// them.
//
// Adding a printer: write its class (deriving from EmulatedPrinter, or
// StatusPrinter for one that also reports status records) and add one row
// to the table in personas.cpp. Nothing else changes.
#include "emulatedprinter.h"

#include <QList>

#include <functional>
#include <memory>

class SerialLink;

namespace sim {

struct Persona {
    QString name;        // as in "sim:message" and --persona message
    QString description; // one line for --help
    std::function<std::unique_ptr<EmulatedPrinter>()> create;
};

// Every printer, in the order --help lists them.
const QList<Persona> &personas();
// A new printer of that name, or nullptr for an unknown name.
std::unique_ptr<EmulatedPrinter> createPrinter(const QString &name);

// The printer that fits the open tool (tool state code): the message
// printer for the message tool, the sink for the print tester, and so on.
QString personaForToolState(int toolState);

// The printer of the demo: a new printer with sample contents where it
// holds any, realistic print times, pacing at the program's line settings
// and the settings of the environment (configureFromEnvironment).
std::unique_ptr<EmulatedPrinter> createDemoPrinter(const QString &name);

// Applies the environment to a printer:
//   ZENTRIX_SIM_LOG    file for the frame log ("-": standard error)
//   ZENTRIX_SIM_BAUD   pacing: a speed, or 0 for none (default: as the
//                      program's port is set, in the demo)
//   ZENTRIX_SIM_FAULT  faults, comma separated (see FaultPlan::apply)
//   ZENTRIX_SIM_STATUS_EVERY  ticket, unit, finger: a status record every
//                      so many ms
//   KZPIO_SIM_LOG      with KZPIO_BACKEND=sim: the print sink follows it
void configureFromEnvironment(EmulatedPrinter &printer);

// The emulated printer on a link: the far end of a SimSerialLink, or of
// the in-process line a MappedSerialLink opened last. nullptr when the
// link has no emulated printer. Tests reach theirs through the context:
//   sim::printerOn<sim::MessagePrinter>(ctx.serialLink())
EmulatedPrinter *printerOn(SerialLink &link);
template <class T> T *printerOn(SerialLink &link) { return qobject_cast<T *>(printerOn(link)); }

} // namespace sim

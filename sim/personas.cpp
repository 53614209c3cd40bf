#include "personas.h"

#include "fingerprinter.h"
#include "messageprinter.h"
#include "printsink.h"
#include "statusprinter.h"
#include "ticketprinter.h"
#include "unitprinter.h"

#include "comm/mappedseriallink.h"
#include "comm/simseriallink.h"
#include "comm/toolstates.h"

#include <QStringList>

#include <cstdio>

namespace sim {

namespace {

template <class T> Persona row(const char *name, const char *description)
{
    return {QLatin1String(name), QLatin1String(description),
            []() -> std::unique_ptr<EmulatedPrinter> { return std::make_unique<T>(); }};
}

// Print time of one message in the demo.
constexpr int kDemoPrintMs = 300;
// Registrants on the demo's fingerprint unit, and how long it takes to
// read a finger three times.
constexpr int kDemoRegistrants = 5;
constexpr int kDemoFingerReadMs = 3000;

} // namespace

const QList<Persona> &personas()
{
    static const QList<Persona> table = {
        row<MessagePrinter>("message", "message printer: holds messages 1-255, registers, deletes, prints, reads back"),
        row<PrintSink>("sink", "print sink: prints and records every job (serial, or parallel via the KZpio log)"),
        row<TicketPrinter>("ticket", "ticket printer (K-07, K-2200TQ): settings, issue test, status records"),
        row<UnitPrinter>("unit",
                         "unit-setting printer: VUX-350Q, reads and registers each item, test prints, resets totals"),
        row<FingerPrinter>("finger", "fingerprint printer: unit with 100 registrants (list, templates, register, "
                                     "delete, write back), print jobs, status records"),
    };
    return table;
}

std::unique_ptr<EmulatedPrinter> createPrinter(const QString &name)
{
    for (const Persona &p : personas()) {
        if (p.name == name)
            return p.create();
    }
    return nullptr;
}

QString personaForToolState(int toolState) { return toolstates::personaFor(qint16(toolState)); }

std::unique_ptr<EmulatedPrinter> createDemoPrinter(const QString &name)
{
    auto printer = createPrinter(name);
    if (!printer)
        return nullptr;
    if (auto *m = qobject_cast<MessagePrinter *>(printer.get())) {
        m->loadSamples();
        m->setPrintMs(kDemoPrintMs);
    }
    if (auto *f = qobject_cast<FingerPrinter *>(printer.get())) {
        f->fill(kDemoRegistrants);
        f->setRegisterDelayMs(kDemoFingerReadMs);
    }
    if (auto *u = qobject_cast<UnitPrinter *>(printer.get())) {
        u->loadSamples();
        u->setPrintMs(kDemoPrintMs);
    }
    printer->setLineRateFollowsHost(true);
    configureFromEnvironment(*printer);
    return printer;
}

void configureFromEnvironment(EmulatedPrinter &printer)
{
    const QString log = qEnvironmentVariable("ZENTRIX_SIM_LOG");
    if (log == QLatin1String("-")) {
        printer.log().setWriter(stderrWriter());
    } else if (!log.isEmpty()) {
        auto writer = fileWriter(log);
        if (!writer)
            std::fprintf(stderr, "ZENTRIX_SIM_LOG: cannot write %s\n", qPrintable(log));
        printer.log().setWriter(writer);
    }

    bool ok = false;
    const int baud = qEnvironmentVariableIntValue("ZENTRIX_SIM_BAUD", &ok);
    if (ok)
        printer.setLineRate(baud);

    const QString faults = qEnvironmentVariable("ZENTRIX_SIM_FAULT");
    if (!faults.isEmpty()) {
        FaultPlan plan;
        for (const QString &fault : faults.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (!plan.apply(fault))
                std::fprintf(stderr, "ZENTRIX_SIM_FAULT: unknown fault %s\n", qPrintable(fault));
        }
        printer.setFaults(plan);
    }

    const int every = qEnvironmentVariableIntValue("ZENTRIX_SIM_STATUS_EVERY", &ok);
    if (auto *status = qobject_cast<StatusPrinter *>(&printer); status && ok)
        status->setStatusEvery(every);

    auto *sink = qobject_cast<PrintSink *>(&printer);
    const QString lptLog = qEnvironmentVariable("KZPIO_SIM_LOG");
    if (sink && !lptLog.isEmpty() && qEnvironmentVariable("KZPIO_BACKEND") == QLatin1String("sim"))
        sink->followParallelLog(lptLog);
}

EmulatedPrinter *printerOn(SerialLink &link)
{
    SimSerialLink *sim = qobject_cast<SimSerialLink *>(&link);
    if (!sim) {
        if (auto *mapped = qobject_cast<MappedSerialLink *>(&link))
            sim = mapped->simLink();
    }
    if (!sim)
        return nullptr;
    return dynamic_cast<EmulatedPrinter *>(sim->peer());
}

} // namespace sim

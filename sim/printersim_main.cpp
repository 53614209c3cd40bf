// zentrix-printer-sim: an emulated printer on a pseudo-terminal, for
// working with the workbench without a printer on the desk.
#include "console.h"
#include "messageprinter.h"
#include "personas.h"
#include "printsink.h"
#include "ptyline.h"
#include "statusprinter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QStringList>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const int saved = errno;
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
    errno = saved;
}

QString description()
{
    QString personas;
    for (const sim::Persona &p : sim::personas())
        personas += QStringLiteral("  %1  %2\n").arg(p.name, -8).arg(p.description);
    return QStringLiteral("An emulated Zentrix printer on a pseudo-terminal. It plays the printer's side\n"
                          "of the line byte for byte, so the workbench can be used and tested without\n"
                          "hardware. The pseudo-terminal is linked at PATH; point the workbench at it:\n"
                          "\n"
                          "  zentrix-printer-sim --persona message --link /tmp/printer &\n"
                          "  ZENTRIX_COM1=/tmp/printer Zentrix\n"
                          "\n"
                          "Every frame is logged with a time stamp, decoded and in hex (PC>PR: received\n"
                          "from the program, PR>PC: sent to it). It serves until terminated (Ctrl-C,\n"
                          "SIGTERM), then removes the link.\n"
                          "\n"
                          "Personas:\n") +
           personas +
           QStringLiteral("\n"
                          "While it runs, commands typed on standard input change its behaviour:\n") +
           sim::Console::help() +
           QStringLiteral("\n\n"
                          "Faults (--fault, repeatable, or the fault command): no-reply, wrong-reply\n"
                          "(the byte before the NUL is changed), slow-reply:MS, garbage (noise before\n"
                          "the reply), drop-mid-frame[:MS] (half the reply, then the line drops and\n"
                          "comes back after MS ms), times:N (only the next N replies), none.");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zentrix-printer-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZENTRIX_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption personaOpt(QStringLiteral("persona"),
                                        QStringLiteral("The printer: message, sink, ticket, unit or finger."),
                                        QStringLiteral("NAME"));
    const QCommandLineOption linkOpt(QStringLiteral("link"),
                                     QStringLiteral("Where to link the pseudo-terminal (a symbolic link)."),
                                     QStringLiteral("PATH"));
    const QCommandLineOption everyOpt(QStringLiteral("status-every"),
                                      QStringLiteral("ticket, unit, finger: send a status record every MS ms."),
                                      QStringLiteral("MS"));
    const QCommandLineOption baudOpt(QStringLiteral("baud"),
                                     QStringLiteral("Pace the line: bytes go no faster than N bps allow."),
                                     QStringLiteral("N"));
    const QCommandLineOption parityOpt(QStringLiteral("parity"),
                                       QStringLiteral("With --baud: none (10 bits a byte), even or odd (11)."),
                                       QStringLiteral("PARITY"), QStringLiteral("none"));
    const QCommandLineOption faultOpt(
        QStringLiteral("fault"), QStringLiteral("Put a fault on the replies (listed above)."), QStringLiteral("FAULT"));
    const QCommandLineOption samplesOpt(QStringLiteral("samples"),
                                        QStringLiteral("message: start with a few sample messages."));
    const QCommandLineOption printOpt(QStringLiteral("print-ms"),
                                      QStringLiteral("message: time to print one message (default 0)."),
                                      QStringLiteral("MS"));
    const QCommandLineOption gapOpt(QStringLiteral("job-gap"),
                                    QStringLiteral("sink: quiet time that ends a job (default 300)."),
                                    QStringLiteral("MS"));
    const QCommandLineOption lptOpt(QStringLiteral("lpt-log"),
                                    QStringLiteral("sink: also take the parallel jobs that KZpio's emulated "
                                                   "printer writes to FILE (KZPIO_SIM_LOG)."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption logOpt(QStringLiteral("log"),
                                    QStringLiteral("Append the frame log to FILE instead of standard output."),
                                    QStringLiteral("FILE"));
    parser.addOptions(
        {personaOpt, linkOpt, everyOpt, baudOpt, parityOpt, faultOpt, samplesOpt, printOpt, gapOpt, lptOpt, logOpt});
    parser.process(app);

    const auto fail = [](const QString &text) {
        std::fprintf(stderr, "zentrix-printer-sim: %s\n(--help explains the options)\n", qPrintable(text));
        return 2;
    };
    const auto number = [&](const QCommandLineOption &opt, int *value) {
        bool ok = false;
        *value = parser.value(opt).toInt(&ok);
        return ok && *value >= 0;
    };

    if (!parser.isSet(personaOpt) || !parser.isSet(linkOpt))
        return fail(QStringLiteral("--persona and --link are needed"));
    const QString name = parser.value(personaOpt);
    std::unique_ptr<sim::EmulatedPrinter> printer = sim::createPrinter(name);
    if (!printer)
        return fail(QStringLiteral("unknown persona \"%1\"").arg(name));

    if (parser.isSet(logOpt)) {
        auto writer = sim::fileWriter(parser.value(logOpt));
        if (!writer)
            return fail(QStringLiteral("cannot write %1").arg(parser.value(logOpt)));
        printer->log().setWriter(writer);
    } else {
        printer->log().setWriter(sim::stdoutWriter());
    }

    auto *status = qobject_cast<sim::StatusPrinter *>(printer.get());
    auto *message = qobject_cast<sim::MessagePrinter *>(printer.get());
    auto *sink = qobject_cast<sim::PrintSink *>(printer.get());
    int value = 0;
    if (parser.isSet(everyOpt) && (!status || !number(everyOpt, &value)))
        return fail(QStringLiteral("--status-every needs a ticket, unit or finger persona and a time in ms"));
    const int every = parser.isSet(everyOpt) ? value : 0;
    if (parser.isSet(baudOpt)) {
        Parity parity = Parity::None;
        const QString p = parser.value(parityOpt).toLower();
        if (p == QLatin1String("even"))
            parity = Parity::Even;
        else if (p == QLatin1String("odd"))
            parity = Parity::Odd;
        else if (p != QLatin1String("none"))
            return fail(QStringLiteral("--parity is none, even or odd"));
        if (!number(baudOpt, &value))
            return fail(QStringLiteral("--baud needs a speed in bps"));
        printer->setLineRate(value, parity);
    }
    if (parser.isSet(faultOpt)) {
        sim::FaultPlan plan;
        for (const QString &fault : parser.values(faultOpt)) {
            if (!plan.apply(fault))
                return fail(QStringLiteral("unknown fault \"%1\"").arg(fault));
        }
        printer->setFaults(plan);
    }
    if (parser.isSet(samplesOpt) || parser.isSet(printOpt)) {
        if (!message)
            return fail(QStringLiteral("--samples and --print-ms are for the message persona"));
        if (parser.isSet(samplesOpt))
            message->loadSamples();
        if (parser.isSet(printOpt)) {
            if (!number(printOpt, &value))
                return fail(QStringLiteral("--print-ms needs a time in ms"));
            message->setPrintMs(value);
        }
    }
    if (parser.isSet(gapOpt) || parser.isSet(lptOpt)) {
        if (!sink)
            return fail(QStringLiteral("--job-gap and --lpt-log are for the sink persona"));
        if (parser.isSet(gapOpt)) {
            if (!number(gapOpt, &value) || value == 0)
                return fail(QStringLiteral("--job-gap needs a time in ms"));
            sink->setJobGapMs(value);
        }
        if (parser.isSet(lptOpt) && !sink->followParallelLog(parser.value(lptOpt)))
            return fail(QStringLiteral("cannot follow %1: no such folder").arg(parser.value(lptOpt)));
    }

    sim::PtyLine line(parser.value(linkOpt));
    QObject::connect(&line, &sim::PtyLine::note, printer.get(),
                     [&printer](const QString &text) { printer->log().note(text); });
    line.setPeer(printer.get());
    QString error;
    if (!line.open(&error)) {
        std::fprintf(stderr, "zentrix-printer-sim: %s\n", qPrintable(error));
        return 1;
    }
    if (status && every > 0)
        status->setStatusEvery(every);

    // Terminated by a signal: leave through the event loop, so the link is
    // removed.
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        struct sigaction sa = {};
        sa.sa_handler = onSignal;
        ::sigemptyset(&sa.sa_mask);
        ::sigaction(SIGTERM, &sa, nullptr);
        ::sigaction(SIGINT, &sa, nullptr);
        ::sigaction(SIGHUP, &sa, nullptr);
    }
    QSocketNotifier signalled(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalled, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });

    // Commands on standard input, unless it is the terminal of a job in
    // the background (reading would stop the process).
    sim::Console console(*printer, &line);
    console.quit = [] { QCoreApplication::quit(); };
    std::unique_ptr<QSocketNotifier> input;
    QByteArray typed;
    if (!::isatty(0) || ::tcgetpgrp(0) == ::getpgrp()) {
        input = std::make_unique<QSocketNotifier>(0, QSocketNotifier::Read);
        QObject::connect(input.get(), &QSocketNotifier::activated, &app, [&] {
            char buf[1024];
            const ssize_t n = ::read(0, buf, sizeof buf);
            if (n <= 0) {
                if (n == 0 || (errno != EAGAIN && errno != EINTR))
                    input->setEnabled(false); // end of input: keep serving
                return;
            }
            typed.append(buf, n);
            qsizetype nl;
            while ((nl = typed.indexOf('\n')) >= 0) {
                const QString cmd = QString::fromLocal8Bit(typed.left(nl));
                typed.remove(0, nl + 1);
                const QString answer = console.execute(cmd);
                if (!answer.isEmpty()) {
                    std::fprintf(stderr, "%s\n", answer.toLocal8Bit().constData());
                    std::fflush(stderr);
                }
            }
        });
    }

    const int rc = QCoreApplication::exec();
    line.close();
    printer->log().note(QStringLiteral("stopped"));
    return rc;
}

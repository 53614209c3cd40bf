#include "console.h"

#include "messageprinter.h"
#include "printsink.h"
#include "ptyline.h"
#include "statusprinter.h"

#include "comm/notation.h"

#include <QStringList>

namespace sim {

namespace {

bool parseOnOff(const QString &word, bool *on)
{
    if (word == QLatin1String("on"))
        *on = true;
    else if (word == QLatin1String("off"))
        *on = false;
    else
        return false;
    return true;
}

bool parseParity(const QString &word, Parity *parity)
{
    if (word.isEmpty() || word == QLatin1String("none") || word == QLatin1String("n"))
        *parity = Parity::None;
    else if (word == QLatin1String("even") || word == QLatin1String("e"))
        *parity = Parity::Even;
    else if (word == QLatin1String("odd") || word == QLatin1String("o"))
        *parity = Parity::Odd;
    else
        return false;
    return true;
}

QString listOf(EmulatedPrinter &printer)
{
    QStringList lines;
    if (auto *m = qobject_cast<MessagePrinter *>(&printer)) {
        const QMap<int, QByteArray> held = m->messages();
        lines << QStringLiteral("%1 messages held").arg(held.size());
        for (auto it = held.cbegin(); it != held.cend(); ++it)
            lines << QStringLiteral("  No.%1 \"%2\"").arg(it.key()).arg(FrameLog::readable(it.value()));
    } else if (auto *s = qobject_cast<PrintSink *>(&printer)) {
        lines << QStringLiteral("%1 jobs received").arg(s->jobCount());
        const QList<PrintJob> jobs = s->jobs();
        for (qsizetype i = qMax<qsizetype>(0, jobs.size() - 10); i < jobs.size(); ++i)
            lines << QStringLiteral("  %1 \"%2\"")
                         .arg(jobs[i].started.toString(QStringLiteral("HH:mm:ss.zzz")),
                              PrintSink::decode(jobs[i].bytes));
    } else if (auto *st = qobject_cast<StatusPrinter *>(&printer)) {
        for (const StatusPrinter::Event &e : st->events())
            lines << QStringLiteral("  %1  %2").arg(QString(QLatin1Char(e.code)), QLatin1String(e.meaning));
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

QString Console::help()
{
    return QStringLiteral("commands:\n"
                          "  status CODE [DATA]   send a status record now (ticket, unit, finger);\n"
                          "                       DATA in the command notation, e.g. &0D for CR\n"
                          "  every MS             send the next status record every MS ms (0 stops)\n"
                          "  fault NAME...        no-reply, wrong-reply, slow-reply:MS, garbage,\n"
                          "                       drop-mid-frame[:MS], times:N, none\n"
                          "  garbage              send noise bytes now\n"
                          "  dsr on|off           the printer's DSR (in-process lines only)\n"
                          "  cts on|off           the printer's CTS (in-process lines only)\n"
                          "  drop [MS]            pull the cable; plug it in again after MS ms\n"
                          "  reconnect            plug the cable in again\n"
                          "  baud N [PARITY]      pace the line at N bps (0: no pacing);\n"
                          "                       PARITY none, even or odd\n"
                          "  list                 what the printer holds or received\n"
                          "  quit                 stop the emulator");
}

QString Console::execute(const QString &commandLine)
{
    const QStringList words = commandLine.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return {};
    const QString cmd = words[0].toLower();
    const QStringList args = words.mid(1);
    bool ok = false;

    if (cmd == QLatin1String("help") || cmd == QLatin1String("?"))
        return help();
    if (cmd == QLatin1String("quit") || cmd == QLatin1String("exit")) {
        if (quit)
            quit();
        return {};
    }
    if (cmd == QLatin1String("status")) {
        auto *st = qobject_cast<StatusPrinter *>(&printer_);
        if (!st)
            return QStringLiteral("this printer sends no status records");
        if (args.isEmpty() || args[0].size() != 1 || args[0][0].unicode() > 0x7F)
            return QStringLiteral("usage: status CODE [DATA]");
        // Everything after the code; "^" or &20 for a blank at its ends.
        const QString rest = commandLine.trimmed().mid(words[0].size()).trimmed();
        const QString data = rest.mid(1).trimmed();
        st->sendStatus(args[0][0].toLatin1(), notation::convertForPrinter(data));
        return {};
    }
    if (cmd == QLatin1String("every")) {
        auto *st = qobject_cast<StatusPrinter *>(&printer_);
        const int ms = args.value(0).toInt(&ok);
        if (!st)
            return QStringLiteral("this printer sends no status records");
        if (!ok || ms < 0)
            return QStringLiteral("usage: every MS");
        st->setStatusEvery(ms);
        return ms ? QStringLiteral("a status record every %1 ms").arg(ms) : QStringLiteral("schedule stopped");
    }
    if (cmd == QLatin1String("fault")) {
        FaultPlan plan = printer_.faults();
        for (const QString &fault : args) {
            if (!plan.apply(fault))
                return QStringLiteral("unknown fault: %1").arg(fault);
        }
        printer_.setFaults(plan);
        return plan.describe();
    }
    if (cmd == QLatin1String("garbage")) {
        printer_.sendGarbage();
        return {};
    }
    if (cmd == QLatin1String("dsr") || cmd == QLatin1String("cts")) {
        bool on = false;
        if (!parseOnOff(args.value(0), &on))
            return QStringLiteral("usage: %1 on|off").arg(cmd);
        if (line_)
            return QStringLiteral("a pseudo-terminal has no modem lines: the program always sees DSR and CTS on");
        if (cmd == QLatin1String("dsr"))
            printer_.setDsr(on);
        else
            printer_.setCts(on);
        return {};
    }
    if (cmd == QLatin1String("drop")) {
        const int ms = args.isEmpty() ? -1 : args[0].toInt(&ok);
        if (!args.isEmpty() && (!ok || ms < 0))
            return QStringLiteral("usage: drop [MS]");
        printer_.dropLine(ms);
        return {};
    }
    if (cmd == QLatin1String("reconnect")) {
        printer_.reconnect();
        return {};
    }
    if (cmd == QLatin1String("baud")) {
        const int baud = args.value(0).toInt(&ok);
        Parity parity = Parity::None;
        if (!ok || baud < 0 || !parseParity(args.value(1).toLower(), &parity))
            return QStringLiteral("usage: baud N [none|even|odd]");
        printer_.setLineRate(baud, parity);
        return baud ? QStringLiteral("paced at %1 bps, %2 µs a byte")
                          .arg(baud)
                          .arg(EmulatedPrinter::byteTimeUs(baud, parity))
                    : QStringLiteral("no pacing");
    }
    if (cmd == QLatin1String("list"))
        return listOf(printer_);
    return QStringLiteral("unknown command (help lists them)");
}

} // namespace sim

// zentrix-cli: every printer operation without a window, on one printer or
// on several at once (one process per port, so that a slow or dead printer
// holds up nobody).
#include "clirequest.h"
#include "clirun.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

void printLine(FILE *to, const QString &line)
{
    std::fputs(line.toUtf8().constData(), to);
    std::fputc('\n', to);
    std::fflush(to);
}

struct Child {
    QString port;
    std::unique_ptr<QProcess> process;
    QByteArray stdoutBytes;
    QByteArray stderrPartial;
    int status = cli::PortFailed;
    bool finished = false;
};

// Each port in its own process with the same arguments; lines of standard
// error come prefixed with the port, results and the summary at the end.
int runOnEveryPort(const cli::Request &request, const QStringList &arguments)
{
    const QStringList common = cli::withoutPorts(arguments);
    std::vector<Child> children(static_cast<size_t>(request.ports.size()));
    int running = 0;
    for (int i = 0; i < request.ports.size(); ++i) {
        Child &c = children[static_cast<size_t>(i)];
        c.port = request.ports[i];
        c.process = std::make_unique<QProcess>();
        QProcess *p = c.process.get();
        QObject::connect(p, &QProcess::readyReadStandardError, p, [&c, p] {
            c.stderrPartial += p->readAllStandardError();
            qsizetype nl;
            while ((nl = c.stderrPartial.indexOf('\n')) >= 0) {
                printLine(stderr, c.port + QStringLiteral(": ") + QString::fromUtf8(c.stderrPartial.left(nl)));
                c.stderrPartial.remove(0, nl + 1);
            }
        });
        QObject::connect(p, &QProcess::readyReadStandardOutput, p,
                         [&c, p] { c.stdoutBytes += p->readAllStandardOutput(); });
        QObject::connect(p, &QProcess::finished, p, [&c, &running, p](int code, QProcess::ExitStatus how) {
            c.stdoutBytes += p->readAllStandardOutput();
            c.status = how == QProcess::NormalExit && code >= 0 && code <= cli::PortFailed ? code : cli::PortFailed;
            c.finished = true;
            if (--running == 0)
                QCoreApplication::quit();
        });
        QObject::connect(p, &QProcess::errorOccurred, p, [&c, &running](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart && !c.finished) {
                c.finished = true;
                if (--running == 0)
                    QCoreApplication::quit();
            }
        });
        ++running;
        p->start(QCoreApplication::applicationFilePath(), common + QStringList{QStringLiteral("--port"), c.port});
    }
    if (running > 0)
        QCoreApplication::exec();

    int worst = cli::Done;
    QJsonArray ports;
    for (Child &c : children) {
        worst = qMax(worst, c.status);
        if (request.json) {
            const QJsonDocument doc = QJsonDocument::fromJson(c.stdoutBytes);
            ports << (doc.isObject()
                          ? doc.object()
                          : QJsonObject{{QStringLiteral("port"), c.port}, {QStringLiteral("status"), c.status}});
        } else {
            // The child's results, then its summary line (its last one).
            QStringList lines = QString::fromUtf8(c.stdoutBytes).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            const QString summary =
                lines.isEmpty() ? QStringLiteral("%1: 終了しました (%2)").arg(c.port).arg(c.status) : lines.takeLast();
            for (const QString &l : lines)
                printLine(stdout, l);
            printLine(stdout, summary);
        }
    }
    if (request.json) {
        const QJsonObject all{{QStringLiteral("status"), worst}, {QStringLiteral("ports"), ports}};
        printLine(stdout, QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Compact)));
    }
    return worst;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zentrix-cli"));
    QCoreApplication::setOrganizationName(QStringLiteral("Zentrix"));
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const cli::Parsed parsed = cli::parse(arguments);
    if (!parsed.request) {
        printLine(stderr, parsed.error);
        printLine(stderr, QStringLiteral("zentrix-cli --help で使い方を表示します。"));
        return cli::BadInput;
    }
    const cli::Request &request = *parsed.request;
    if (request.help) {
        printLine(stdout, request.tool.isEmpty() ? cli::programHelp() : cli::toolHelp(request.tool));
        return cli::Done;
    }
    if (request.ports.size() > 1)
        return runOnEveryPort(request, arguments);

    const auto echo = [](const QString &line) { printLine(stderr, line); };
    const auto output = [](const QString &line) { printLine(stdout, line); };
    const cli::Outcome outcome = cli::runOnPort(request, request.ports.value(0), echo, output);
    if (request.json)
        printLine(stdout, QString::fromUtf8(QJsonDocument(outcome.json).toJson(QJsonDocument::Compact)));
    else
        printLine(stdout, outcome.summary);
    return outcome.status;
}

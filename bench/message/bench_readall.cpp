// Read all of a full message printer (255 messages of 500 bytes) at
// 38400 bps, the printer pacing its output at 10 bits a byte:
//  - total time against the line time of every byte exchanged (the
//    message frames one way, the read command and the acknowledges the
//    other), and the share of it that the DTR wait before each
//    acknowledge's number byte accounts for;
//  - the program's CPU use during the read.
// Run: bench_readall [messages] [bytes per message] [DTR wait ms ...]
//      (default 255 500 100 1: the stored default DTR wait, then 1 ms)
#include "message/fakemessageprinter.h"
#include "support/quietcontext.h"

#include "comm/appcontext.h"
#include "comm/outputchannel.h"
#include "comm/portio.h"
#include "comm/serialcontrol.h"
#include "comm/simseriallink.h"
#include "message/messagefileoperations.h"
#include "message/messagetransfer.h"
#include "message/msdfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <stdlib.h>
#include <sys/resource.h>

namespace {

constexpr int kBaud = 38400;

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void run(int messages, int bytes, int dtrWaitMs)
{
    auto fake = std::make_unique<FakeMessagePrinter>();
    FakeMessagePrinter *printer = fake.get();
    // Yes to the questions (create the file, read all); anything else is
    // reported.
    QuietContext quiet(Answer::Yes, std::move(fake));
    quiet.prompter->onAsk = [](const PromptRequest &r) {
        if (r.code != 350 && r.code != 301 && r.code != 10)
            std::fprintf(stderr, "prompt %d: %s\n", r.code, qPrintable(r.text));
    };
    AppContext &ctx = *quiet.ctx;
    ctx.state.toolState = ToolStates::Message;
    ctx.state.output.baudText = QStringLiteral("38400bps");
    ctx.state.output.dtrWait = dtrWaitMs;
    if (!ctx.channel().openSerialPort())
        return;

    for (int n = 1; n <= messages; ++n) {
        QByteArray text(bytes, 'x');
        for (int i = 0; i < bytes; ++i)
            text[i] = char('A' + (n * 7 + i) % 26);
        printer->messages[n] = text;
    }
    printer->baud = kBaud;

    QTemporaryDir dir;
    MessageTransfer transfer(ctx);
    MessageForm form;
    form.fileName = dir.filePath(QStringLiteral("bench.msd"));
    form.numberText = QStringLiteral("1");

    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpuSeconds();
    const bool ok = transfer.readAll(form);
    const double cpu = cpuSeconds() - cpu0;
    const double secs = double(wall.nsecsElapsed()) / 1e9;

    const qint64 exchanged = printer->bytesSent + printer->bytesReceived;
    const double lineSecs = double(exchanged) * 10.0 / kBaud;
    // The protocol waits DtrWait before each acknowledge's number byte.
    const double dtrSecs = double(messages) * dtrWaitMs / 1000.0;
    const int stored = int(MsdFile(form.fileName).occupiedNumbers().size());
    std::printf("read all, %d x %d bytes, DTR wait %d ms: %s, %d records stored\n", messages, bytes, dtrWaitMs,
                ok ? "ok" : "FAILED", stored);
    std::printf("  bytes exchanged %lld (printer sent %lld, received %lld), line time %.3f s\n",
                static_cast<long long>(exchanged), static_cast<long long>(printer->bytesSent),
                static_cast<long long>(printer->bytesReceived), lineSecs);
    std::printf("  total %.3f s = %.1f %% of the line time", secs, 100.0 * secs / lineSecs);
    if (dtrWaitMs > 0)
        std::printf("; line time + DTR waits (%.3f s) = %.3f s, total is %.1f %% of that", dtrSecs, lineSecs + dtrSecs,
                    100.0 * secs / (lineSecs + dtrSecs));
    std::printf("\n  CPU %.3f s = %.2f %% of one core over the read\n", cpu, 100.0 * cpu / secs);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int messages = argc > 1 ? qBound(1, atoi(argv[1]), 255) : 255;
    const int bytes = argc > 2 ? qBound(0, atoi(argv[2]), 508) : 500;
    QList<int> dtrWaits;
    for (int i = 3; i < argc; ++i)
        dtrWaits << qMax(0, atoi(argv[i]));
    if (dtrWaits.isEmpty())
        dtrWaits = {100, 1};
    for (int wait : dtrWaits)
        run(messages, bytes, wait);
    return 0;
}

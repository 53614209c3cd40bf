// Figures of the output channel on a real serial link (a pseudo-terminal):
//  - SendSerial throughput, every byte with its drain and DSR checks,
//    against the fastest line rate of the printers (38400 bps = 3840 B/s);
//  - CPU used while WaitReplyMatch waits its full 5 s for a reply that
//    never comes.
// Run: bench_channel [bytes]   (default 262144)
#include "comm/appcontext.h"
#include "comm/eventwait.h"
#include "comm/outputchannel.h"
#include "comm/portio.h"
#include "comm/printerexchange.h"
#include "comm/qtseriallink.h"
#include "comm/traffictrace.h"
#include "support/quietcontext.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The printer side: reads everything the program sends, on its own thread
// as the other end of a real line would.
struct Printer {
    int master = -1;
    QString slave;
    std::atomic<long long> received{0};
    std::atomic<bool> stop{false};
    std::thread reader;

    Printer()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(master);
        unlockpt(master);
        slave = QString::fromLocal8Bit(ptsname(master));
        reader = std::thread([this] {
            char buf[8192];
            while (!stop) {
                const ssize_t n = ::read(master, buf, sizeof buf);
                if (n <= 0)
                    break;
                received += n;
            }
        });
    }
    ~Printer()
    {
        stop = true;
        ::close(master); // ends the blocking read
        reader.join();
    }
};

struct Run {
    double seconds;
    long long bytes;
};

Run sendRun(AppContext &ctx, Printer &printer, const QByteArray &data)
{
    const long long before = printer.received;
    QElapsedTimer t;
    t.start();
    if (!ctx.channel().sendSerial(data))
        std::fprintf(stderr, "send failed\n");
    // Count until the printer has every byte.
    while (printer.received - before < data.size())
        QCoreApplication::processEvents();
    return {t.nsecsElapsed() / 1e9, data.size()};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int size = argc > 1 ? atoi(argv[1]) : 262144;
    constexpr double kLineRate = 3840.0; // 38400 bps, 10 bits a byte

    Printer printer;
    auto link = std::make_unique<QtSerialLink>();
    QtSerialLink *rawLink = link.get();
    QuietContext quiet(Answer::Cancel, std::move(link));
    quiet.prompter->onAsk = [](const PromptRequest &r) {
        std::fprintf(stderr, "unexpected prompt %d: %s\n", r.code, qPrintable(r.text));
    };
    AppContext &ctx = *quiet.ctx;
    const QString device = printer.slave;
    ctx.serial().setPortResolver([device](int) { return device; });
    ctx.state.output.comPort = 1; // every check on: drain, DSR
    ctx.state.output.baudText = QStringLiteral("38400bps");
    ctx.state.toolState = 205;
    ctx.channel().state().transferActive = true;
    if (!ctx.channel().openSerialPort())
        return 1;

    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char(0x20 + i % 0x5F);

    sendRun(ctx, printer, data.left(4096)); // warm-up
    const Run plain = sendRun(ctx, printer, data);
    const double rate = plain.bytes / plain.seconds;
    std::printf("SendSerial over a pseudo-terminal: %lld bytes in %.3f s = %.0f bytes/s = %.1f x line rate "
                "(3840 bytes/s)\n",
                plain.bytes, plain.seconds, rate, rate / kLineRate);

    QTemporaryDir dir;
    rawLink->setTrace(std::make_unique<TrafficTrace>(dir.filePath("trace.log")));
    const Run traced = sendRun(ctx, printer, data.left(size / 4));
    rawLink->setTrace(nullptr);
    const double tracedRate = traced.bytes / traced.seconds;
    std::printf("  with ZENTRIX_TRACE on:             %.0f bytes/s = %.1f x line rate\n", tracedRate,
                tracedRate / kLineRate);

    // A UART whose output queue drains at the line's speed: the drain wait
    // before every byte meets the real line time.
    {
        QuietContext uart(Answer::Cancel);
        uart.line->setDrainAtLineRate(true);
        uart.ctx->state.output.comPort = 1;
        uart.ctx->state.output.baudText = QStringLiteral("38400bps");
        uart.ctx->state.toolState = 205;
        uart.ctx->channel().state().transferActive = true;
        if (!uart.ctx->channel().openSerialPort())
            return 1;
        const QByteArray block = data.left(16384);
        QElapsedTimer t;
        t.start();
        const double c0 = cpuSeconds();
        const bool sent = uart.ctx->channel().sendSerial(block);
        // The last byte is on the line until the queue is empty.
        while (uart.ctx->serial().outBufferCount() > 0)
            eventwait::sleepUs(100);
        const double secs = t.nsecsElapsed() / 1e9;
        const double busy = cpuSeconds() - c0;
        const double uartRate = block.size() / secs;
        std::printf("SendSerial into a UART draining at 38400 bps: %s %lld bytes in %.3f s = %.0f bytes/s = %.3f x "
                    "line rate, CPU %.3f s = %.1f %% of one core\n",
                    sent ? "sent" : "FAILED", (long long)block.size(), secs, uartRate, uartRate / kLineRate, busy,
                    100.0 * busy / secs);
    }

    // A reply that never comes: the full 5 s of the program.
    ctx.state.toolState = 205;
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpuSeconds();
    const bool matched = PrinterExchange(ctx.channel()).waitReplyMatch();
    const double cpu = cpuSeconds() - cpu0;
    const double secs = wall.nsecsElapsed() / 1e9;
    std::printf("WaitReplyMatch without reply: %s after %.3f s, CPU %.4f s = %.2f %% of one core\n",
                matched ? "matched?!" : "timed out", secs, cpu, 100.0 * cpu / secs);
    ctx.channel().closeAndRestore();
    return 0;
}

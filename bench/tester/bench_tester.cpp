// Figures of the print tester's runs:
//  - one pass of "全て" (255 records of 500 bytes) over serial at 38400 bps
//    to the print sink, against the line time of its bytes. The emulator
//    paces only what the printer sends, so the program's end of the line
//    is a UART here: the hardware takes `fifo` bytes (16 for a 16550A)
//    and sends them at the line rate, and the output queue count is what
//    has not reached the hardware yet, as the serial driver reports it.
//    The same with a UART that holds one byte only.
//  - the same pass over KZpio's emulated parallel port, in bytes/s.
//  - CPU while a continuous run waits on its number interval, with the
//    window open (10 ms status poll) and without it.
// Run: bench_tester [records] [bytes] [records without FIFO] [parallel records]
//      (default 255 500 10 255; 0 leaves a part out)
#include "support/quietcontext.h"

#include "comm/appcontext.h"
#include "comm/eventwait.h"
#include "comm/outputchannel.h"
#include "comm/portio.h"
#include "comm/serialcontrol.h"
#include "comm/simseriallink.h"
#include "emulatedprinter.h"
#include "message/msdfile.h"
#include "personas.h"
#include "printsink.h"
#include "shell/ui/toolhost.h"
#include "tester/testerrun.h"
#include "tester/ui/testerwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <stdlib.h>
#include <sys/resource.h>

namespace {

constexpr qint32 kBaud = 38400;

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The program's UART: written bytes reach the printer at once (the sink
// only records them), but the queue empties at the line rate.
class UartLink : public SimSerialLink {
public:
    explicit UartLink(int fifo) : fifo_(fifo) { clock_.start(); }

    // Microseconds from now until the last written byte is on the wire.
    qint64 drainUs() const { return std::max<qint64>(0, freeUs_ - nowUs()); }

protected:
    bool doWrite(const QByteArray &bytes) override
    {
        freeUs_ = std::max(freeUs_, nowUs()) + bytes.size() * byteUs();
        return SimSerialLink::doWrite(bytes);
    }
    qint64 doOutputQueueCount() override
    {
        const qint64 us = byteUs();
        const qint64 outstanding = us > 0 ? (drainUs() + us - 1) / us : 0;
        return std::max<qint64>(0, outstanding - fifo_);
    }

private:
    qint64 nowUs() const { return clock_.nsecsElapsed() / 1000; }
    qint64 byteUs() const { return sim::EmulatedPrinter::byteTimeUs(baudRate(), parity()); }

    int fifo_;
    QElapsedTimer clock_;
    qint64 freeUs_ = 0;
};

QString writeFile(const QTemporaryDir &dir, int records, int bytes)
{
    const QString path = dir.filePath(QStringLiteral("bench.msd"));
    MsdFile::createEmpty(path);
    const MsdFile file(path);
    for (int n = 1; n <= records; ++n) {
        QString text(bytes, QLatin1Char('x'));
        for (int i = 0; i < bytes; ++i)
            text[i] = QChar(u'A' + (n * 7 + i) % 26);
        file.writeText(n, text);
    }
    return path;
}

TesterForm passForm(const QString &path)
{
    TesterForm f;
    f.fileName = path;
    f.outputMode = OutputModes::All;
    f.countText = QStringLiteral("1");
    return f;
}

void serialPass(const QString &path, int records, int bytes, int fifo)
{
    auto link = std::make_unique<UartLink>(fifo);
    UartLink *uart = link.get();
    auto sink = sim::createPrinter(QStringLiteral("sink"));
    sink->setLineRateFollowsHost(true);
    auto *printer = static_cast<sim::PrintSink *>(sink.get());
    uart->setPeer(std::move(sink));
    QuietContext quiet(Answer::Yes, std::move(link));
    AppContext &ctx = *quiet.ctx;
    ctx.serial().setPortResolver([](int) { return QStringLiteral("sim:"); });
    ctx.state.toolState = ToolStates::Tester;
    ctx.state.output.baudText = QStringLiteral("38400bps");
    ctx.state.output.comPort = 1; // drain and DSR checks on
    if (!ctx.channel().openSerialPort())
        return;
    TesterRun run(ctx);
    run.setFinishPauseMs(0);

    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpuSeconds();
    const RunResult result = run.start(passForm(path));
    const double secs = double(wall.nsecsElapsed()) / 1e9 + double(uart->drainUs()) / 1e6;
    const double cpu = cpuSeconds() - cpu0;
    const qint64 sent = uart->written().size();
    // The sink ends a job without end command after its quiet gap.
    eventwait::waitMs(sim::PrintSink::kDefaultJobGapMs + 100);
    const double line = double(sent) * double(sim::EmulatedPrinter::byteTimeUs(kBaud, Parity::None)) / 1e6;
    std::printf("serial, UART holding %2d bytes: %d records x %d bytes = %lld bytes in %.2f s, line time %.2f s, "
                "%.3f x line time, CPU %.1f %%, %s, sink took %lld bytes\n",
                fifo, records, bytes, sent, secs, line, secs / line, 100.0 * cpu / secs,
                result == RunResult::Finished ? "finished" : "NOT finished", [printer] {
                    qint64 n = 0;
                    for (const sim::PrintJob &j : printer->jobs())
                        n += j.bytes.size();
                    return n;
                }());
    ctx.channel().closeAndRestore();
}

void parallelPass(const QString &path, int records, int bytes)
{
    qputenv("KZPIO_BACKEND", "sim");
    qputenv("ZENTRIX_KZPIO", KZPIO_LIBRARY);
    auto io = std::make_unique<LibraryPortIo>(QString());
    LibraryPortIo *portIo = io.get();
    AppContext ctx(std::make_unique<FixedPrompter>(Answer::Yes), std::move(io));
    if (portIo->start() & 1) {
        std::printf("parallel: KZpio did not start\n");
        return;
    }
    ctx.state.toolState = ToolStates::Tester;
    ctx.state.output.interfaceName = kInterfaceParallel;
    ctx.state.output.lptBase = 0x378;
    ctx.state.parallelAvailable = true;
    ctx.channel().lptPrepare();
    TesterRun run(ctx);
    run.setFinishPauseMs(0);
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpuSeconds();
    const RunResult result = run.start(passForm(path));
    const double secs = double(wall.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds() - cpu0;
    const double sent = double(records) * bytes;
    std::printf(
        "parallel (KZpio emulated printer, BUSY %s us a byte): %.0f bytes in %.2f s = %.0f bytes/s, "
        "CPU %.1f %%, %s\n",
        qEnvironmentVariableIsSet("KZPIO_SIM_BUSY_US") ? qPrintable(qEnvironmentVariable("KZPIO_SIM_BUSY_US")) : "500",
        sent, secs, sent / secs, 100.0 * cpu / secs, result == RunResult::Finished ? "finished" : "NOT finished");
    ctx.channel().lptRestore();
    portIo->stop();
}

struct NoHost : ToolHost {
    void returnToMenu() override {}
    void quitFromTool() override {}
    void openHelp() override {}
    void openSettings(QWidget *, bool) override {}
    void closeSettings() override {}
};

// A continuous run of one short job with a long number interval: nearly
// all of it is the wait.
void intervalWait(bool withWindow, int seconds)
{
    QuietContext quiet(Answer::Yes, sim::createPrinter(QStringLiteral("sink")));
    AppContext &ctx = *quiet.ctx;
    ctx.state.toolState = ToolStates::Tester;
    ctx.state.numberIntervalSet = true;
    ctx.state.output.numberInterval = 600000;
    ctx.state.output.dtrWait = 1;
    NoHost host;
    std::unique_ptr<TesterWindow> window;
    std::unique_ptr<TesterRun> bare;
    TesterRun *run = nullptr;
    if (withWindow) {
        window = std::make_unique<TesterWindow>(ctx, host);
        window->show();
        run = &window->run();
    } else {
        ctx.channel().openSerialPort();
        bare = std::make_unique<TesterRun>(ctx);
        run = bare.get();
    }
    TesterForm f;
    f.content = QStringLiteral("A");
    f.continuous = true;
    QElapsedTimer wall;
    double cpu0 = 0;
    // Measured from the first report of the counter on, when the wait begins.
    bool started = false;
    auto shown = run->showProgress;
    run->showProgress = [&](const RunProgress &p) {
        if (shown)
            shown(p);
        if (p.counter == QLatin1String("0001") && !started) {
            started = true;
            wall.start();
            cpu0 = cpuSeconds();
            QTimer::singleShot(seconds * 1000, [run] { run->stop(); });
        }
    };
    run->start(f);
    const double secs = double(wall.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds() - cpu0;
    std::printf("continuous run waiting on its number interval, %s: %.2f s, CPU %.4f s = %.2f %% of one core\n",
                withWindow ? "window open (status poll every 10 ms)" : "core only", secs, cpu, 100.0 * cpu / secs);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int records = argc > 1 ? atoi(argv[1]) : 255;
    const int bytes = argc > 2 ? atoi(argv[2]) : 500;
    const int noFifoRecords = argc > 3 ? atoi(argv[3]) : 10;
    const int parallelRecords = argc > 4 ? atoi(argv[4]) : records;

    QTemporaryDir dir;
    const QString path = writeFile(dir, records, bytes);
    serialPass(path, records, bytes, 16);
    if (noFifoRecords > 0) {
        QTemporaryDir small;
        serialPass(writeFile(small, noFifoRecords, bytes), noFifoRecords, bytes, 1);
    }
    if (parallelRecords > 0) {
        QTemporaryDir lpt;
        parallelPass(writeFile(lpt, parallelRecords, bytes), parallelRecords, bytes);
    }
    intervalWait(false, 5);
    intervalWait(true, 5);
    return 0;
}

// How long a full "K-07" takes: 99 contents of 16 lines of 500 bytes
// registered and read back at 38400 bps, the emulated printer pacing the
// line and the port draining at line rate. Prints the total time, the
// line time of every byte exchanged, the fixed waits of the sequences
// (DtrWait, the 500 ms after the read's bracket) and the CPU used.
//
//   ZENTRIX_MEASURE_CONTENTS=10 build/bin/measure_tickettransfer   (fewer contents)
#include "tickettest.h"

#include "support/printercontext.h"

#include "comm/printeroperation.h"
#include "ticket/ticketframes.h"
#include "ticket/tickettransfer.h"
#include "ticketprinter.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdio>

namespace {

constexpr qint32 kBaud = 38400;
constexpr int kLineBytes = 500;

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

TicketContent fullContent(int number)
{
    TicketContent c;
    for (int k = 1; k <= TicketContent::kLineCount; ++k) {
        QString text;
        for (int i = 0; i < kLineBytes; ++i)
            text += QChar(u'A' + (number + k + i) % 26);
        c.line(k) = TicketLine{text, QStringLiteral("%1x%2").arg(1 + k % 4).arg(1 + number % 4)};
    }
    return c;
}

} // namespace

TEST(TicketTransferMeasure, NinetyNineFullContentsAt38400)
{
    const int asked = qEnvironmentVariableIntValue("ZENTRIX_MEASURE_CONTENTS");
    const int contents = asked > 0 ? qMin(asked, 99) : 99;
    PrinterContext pc(QStringLiteral("ticket"));
    pc.ctx->state.output.baudText = QStringLiteral("38400bps");
    pc.ctx->state.output.dtrWait = 100; // the setting's default
    pc.ctx->state.toolState = 600;
    pc.line->setDrainAtLineRate(true);
    auto *printer = pc.printer<sim::TicketPrinter>();
    printer->setLineRate(kBaud);
    ASSERT_TRUE(pc.ctx->channel().openSerialPort());
    ASSERT_EQ(pc.ctx->serialLink().baudRate(), kBaud);

    OperationRunner runner(*pc.ctx);
    TicketTransfer transfer(*pc.ctx, runner, {});
    QByteArray fromPrinter;
    pc.line->setReplyFilter([&](const QByteArray &b) {
        fromPrinter += b;
        return b;
    });

    const double cpu0 = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    for (int n = 1; n <= contents; ++n)
        ASSERT_EQ(transfer.registerSequence(fullContent(n), n, true, 56), TicketTransfer::Outcome::Done) << n;
    const qint64 registerMs = clock.elapsed();
    for (int n = 1; n <= contents; ++n) {
        ticketconversion::ReadBack read;
        ASSERT_EQ(transfer.readSequence(n, true, &read), TicketTransfer::Outcome::Done) << n;
        ASSERT_EQ(read.content, fullContent(n)) << n;
    }
    const qint64 totalMs = clock.elapsed();
    const double cpu = cpuSeconds() - cpu0;

    const qint64 exchanged = pc.line->written().size() + fromPrinter.size();
    const double lineMs = double(exchanged) * double(sim::EmulatedPrinter::byteTimeUs(kBaud, Parity::None)) / 1000.0;
    // DtrWait: four in a registration, two in a read; and the read's pause
    // after its bracket.
    const double fixedMs =
        double(contents) * (4 + 2) * pc.ctx->state.output.dtrWait + contents * ticketframes::kReadBracketSettleMs;
    std::printf("contents %d, bytes exchanged %lld (program %lld, printer %lld)\n", contents,
                static_cast<long long>(exchanged), static_cast<long long>(pc.line->written().size()),
                static_cast<long long>(fromPrinter.size()));
    std::printf("register %.1f s, read %.1f s, total %.1f s\n", registerMs / 1000.0, (totalMs - registerMs) / 1000.0,
                totalMs / 1000.0);
    std::printf("line time %.1f s, fixed waits %.1f s, line + waits %.1f s\n", lineMs / 1000.0, fixedMs / 1000.0,
                (lineMs + fixedMs) / 1000.0);
    std::printf("total / line time %.3f, total / (line + waits) %.3f\n", double(totalMs) / lineMs,
                double(totalMs) / (lineMs + fixedMs));
    std::printf("CPU %.1f s = %.1f %% of the wall time (program and emulator)\n", cpu,
                100.0 * cpu / (totalMs / 1000.0));
    EXPECT_LT(double(totalMs), 1.10 * (lineMs + fixedMs));
}

// The emulated printer driven through the library's real exports, the way
// the output channel drives a parallel printer.
#include "kzpiolib.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

namespace {

constexpr uint32_t kBase = 0x378;
constexpr uint32_t kStatus = kBase + 1;
constexpr uint32_t kControl = kBase + 2;

class SimulatedPrinter : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(lib.complete()) << dlerror();
        ASSERT_EQ(lib.Start(), 0x0Eu);
        lib.OutB(kControl, 0x0C); // as the kernel leaves a port
        lib.Clear();
    }
    void TearDown() override
    {
        if (lib.complete()) {
            EXPECT_EQ(lib.Stop(), 0u);
        }
    }

    bool waitNotBusy(uint32_t base, int ms = 2000)
    {
        QElapsedTimer t;
        t.start();
        while (!(lib.InpB(base + 1) & 0x80)) {
            if (t.elapsed() > ms)
                return false;
            QThread::usleep(200);
        }
        return true;
    }
    void strobe(uint32_t base)
    {
        lib.OutB(base + 2, lib.InpB(base + 2) | 0x01);
        lib.OutB(base + 2, lib.InpB(base + 2) & 0xFE);
    }
    // The output channel's sequence for one byte.
    bool send(uint32_t base, uint8_t byte)
    {
        if (!waitNotBusy(base))
            return false;
        lib.OutB(base, byte);
        strobe(base);
        return true;
    }

    QTemporaryDir tmp;
    EnvGuard backend{"KZPIO_BACKEND", "sim"};
    EnvGuard lines{"KZPIO_SIM_LINES", nullptr};
    EnvGuard busy{"KZPIO_SIM_BUSY_US", nullptr};
    EnvGuard log{"KZPIO_SIM_LOG", nullptr};
    KZpioLib lib;
};

} // namespace

TEST_F(SimulatedPrinter, EveryStrobedByteIsTakenInOrderAndLogged)
{
    const QString logPath = tmp.filePath(QStringLiteral("printer.bin"));
    {
        EnvGuard logHere("KZPIO_SIM_LOG", logPath.toLocal8Bit().constData());
        ASSERT_EQ(lib.Start(), 0x0Eu); // the log is picked up at start
    }
    // Prepare as the program does: release INIT, keep the rest.
    const uint32_t saved = lib.InpB(kControl);
    lib.OutB(kControl, saved | 0x04);

    const QByteArray text("A\x80\xFF\x00\r\n", 6);
    for (char c : text)
        ASSERT_TRUE(send(kBase, uint8_t(c)));
    EXPECT_EQ(lib.received(), text);
    EXPECT_EQ(lib.Refused(), 0u);

    // Any of the standard bases reaches the printer.
    ASSERT_TRUE(send(0x278, 'x'));
    ASSERT_TRUE(send(0x3BC, 'y'));
    EXPECT_EQ(lib.received(), text + "xy");

    QFile f(logPath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), text + "xy");
}

TEST_F(SimulatedPrinter, BusyAndAckAfterEachStrobeAndStrobesWhileBusyAreRefused)
{
    EXPECT_EQ(lib.InpB(kStatus), 0xD8u); // ready, ACK high, selected, no error
    lib.SetBusyTime(300'000);
    lib.OutB(kBase, 'a');
    strobe(kBase);
    EXPECT_EQ(lib.InpB(kStatus) & 0xC0, 0u); // BUSY and ACK

    lib.OutB(kBase, 'b');
    strobe(kBase);
    EXPECT_EQ(lib.Refused(), 1u);
    EXPECT_EQ(lib.received(), QByteArray("a"));

    EXPECT_TRUE(waitNotBusy(kBase));
    EXPECT_EQ(lib.InpB(kStatus), 0xD8u);
}

TEST_F(SimulatedPrinter, OnlyTheRisingStrobeEdgeTakesAByte)
{
    lib.SetBusyTime(0);
    lib.OutB(kBase, 'q');
    lib.OutB(kControl, 0x0D);
    lib.OutB(kControl, 0x0D); // strobe still held
    lib.OutB(kBase, 'r');
    lib.OutB(kControl, 0x0C);
    EXPECT_EQ(lib.received(), QByteArray("q"));
    EXPECT_EQ(lib.InpB(kControl), 0x0Cu);
}

TEST_F(SimulatedPrinter, StatusLinesShowAndHoldOffTheData)
{
    lib.SetLines(KZPIO_SIM_PAPER_END);
    EXPECT_EQ(lib.InpB(kStatus), 0x78u); // busy, paper end
    lib.SetLines(KZPIO_SIM_OFFLINE);
    EXPECT_EQ(lib.InpB(kStatus), 0x48u); // busy, not selected
    lib.SetLines(KZPIO_SIM_ERROR);
    EXPECT_EQ(lib.InpB(kStatus), 0x50u); // busy, error
    lib.SetLines(KZPIO_SIM_BUSY);
    EXPECT_EQ(lib.InpB(kStatus), 0x58u);
    lib.OutB(kBase, 'z');
    strobe(kBase);
    EXPECT_EQ(lib.Refused(), 1u);
    EXPECT_TRUE(lib.received().isEmpty());

    lib.SetLines(0);
    EXPECT_EQ(lib.InpB(kStatus), 0xD8u);
    {
        EnvGuard held("KZPIO_SIM_LINES", "paper-end, offline");
        ASSERT_EQ(lib.Start(), 0x0Eu); // lines from the environment at start
        EXPECT_EQ(lib.InpB(kStatus), 0x68u);
        lib.SetLines(0);
    }

    // INIT held low keeps the printer in reset.
    lib.OutB(kControl, 0x08);
    EXPECT_EQ(lib.InpB(kStatus) & 0x80, 0u);
    lib.OutB(kControl, 0x0C);
    EXPECT_EQ(lib.InpB(kStatus) & 0x80, 0x80u);
}

TEST_F(SimulatedPrinter, WideAccessesAreBytesOfConsecutiveAddresses)
{
    lib.OutW(kBase, 0xAB12); // data 0x12; the status register ignores 0xAB
    EXPECT_EQ(lib.InpB(kBase), 0x12u);
    EXPECT_EQ(lib.InpW(kBase) & 0xFFFF, 0xD812u);
    // Data, status, control, and an address no port serves.
    EXPECT_EQ(lib.InpD(kBase), 0xFF0CD812u);
    lib.OutD(kBase, 0x00040034); // data 0x34, control 0x04 (SELECT IN off)
    EXPECT_EQ(lib.InpB(kBase), 0x34u);
    EXPECT_EQ(lib.InpB(kControl), 0x04u);
    EXPECT_TRUE(lib.received().isEmpty());
}

TEST_F(SimulatedPrinter, NothingIsServedOutsideTheBasesOrAfterStop)
{
    EXPECT_EQ(lib.InpB(0x37B), 0xFFu);
    EXPECT_EQ(lib.InpB(0x3BF), 0xFFu);
    EXPECT_EQ(lib.InpB(0x10379), 0xD8u); // only the low 16 bits count

    ASSERT_EQ(lib.Stop(), 0u);
    EXPECT_EQ(lib.InpB(kStatus), 0xFFu);
    lib.OutB(kBase, 'n');
    lib.OutB(kControl, 0x0D);
    EXPECT_TRUE(lib.received().isEmpty());
    ASSERT_EQ(lib.Start(), 0x0Eu);
    lib.OutB(kControl, 0x0C);
}

TEST(KZpioBackend, UnknownBackendGivesNoAccess)
{
    KZpioLib lib;
    ASSERT_TRUE(lib.complete());
    EnvGuard bogus("KZPIO_BACKEND", "parport9");
    EXPECT_EQ(lib.Start(), 0x01u);
    EXPECT_EQ(lib.InpB(0x379), 0xFFu);
    EXPECT_EQ(lib.Stop(), 0u);
}

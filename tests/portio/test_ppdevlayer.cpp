// The ppdev back end on a laid-out /proc and /dev, with the kernel's ioctl
// side played by a stand-in that behaves like ppdev on a PC port.
#include "drivercontrol.h"
#include "ppdevlayer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <map>

#include <sys/ioctl.h>

// Uses the ioctl macros of sys/ioctl.h.
#include <linux/ppdev.h>

using namespace kzpio;

namespace {

struct Chip {
    uint8_t data = 0;
    uint8_t status = 0xDF;
    uint8_t control = 0x0C;
    bool claimed = false;
    int reverse = 0;
};

class KernelStandIn : public PpdevLayer {
public:
    using PpdevLayer::PpdevLayer;

    std::map<std::string, Chip> chips;     // by device path
    std::map<std::string, int> openErrors; // device path -> errno
    int claimError = 0;
    int calls = 0;
    std::vector<int> directions;

protected:
    int openPort(const std::string &device) override
    {
        if (auto it = openErrors.find(device); it != openErrors.end()) {
            errno = it->second;
            return -1;
        }
        const int fd = PpdevLayer::openPort(device);
        if (fd >= 0)
            paths_[fd] = device;
        return fd;
    }

    int deviceControl(int fd, unsigned long request, void *arg) override
    {
        ++calls;
        Chip &chip = chips[paths_.at(fd)];
        auto *byte = static_cast<unsigned char *>(arg);
        if (request == PPCLAIM) {
            if (claimError) {
                errno = claimError;
                return -1;
            }
            chip.claimed = true;
            return 0;
        }
        if (!chip.claimed) { // ppdev refuses everything else on an unclaimed port
            errno = EINVAL;
            return -1;
        }
        switch (request) {
        case PPRELEASE:
            chip.claimed = false;
            return 0;
        case PPRSTATUS:
            *byte = chip.status;
            return 0;
        case PPRDATA:
            *byte = chip.data;
            return 0;
        case PPWDATA:
            chip.data = *byte;
            return 0;
        case PPRCONTROL: // the kernel's copy of the four output lines
            *byte = chip.control & 0x0F;
            return 0;
        case PPWCONTROL:
            chip.control = *byte & 0x0F;
            return 0;
        case PPDATADIR:
            chip.reverse = *static_cast<int *>(arg);
            directions.push_back(chip.reverse);
            return 0;
        }
        errno = ENOTTY;
        return -1;
    }

private:
    std::map<int, std::string> paths_;
};

int openFileCount()
{
    const auto all = QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot;
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(all).size());
}

class PpdevTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        QDir(tmp.path()).mkpath(QStringLiteral("dev"));
    }

    std::string proc() const { return (tmp.path() + QStringLiteral("/proc")).toStdString(); }
    std::string dev() const { return (tmp.path() + QStringLiteral("/dev")).toStdString(); }
    std::string device(const char *name) const { return dev() + "/" + name; }

    void addPort(const QString &name, const QByteArray &baseAddr, bool withDevice = true)
    {
        const QString dir = tmp.path() + QStringLiteral("/proc/") + name;
        QDir().mkpath(dir);
        if (!baseAddr.isNull()) {
            QFile f(dir + QStringLiteral("/base-addr"));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(baseAddr);
        }
        if (withDevice) {
            QFile d(tmp.path() + QStringLiteral("/dev/") + name);
            ASSERT_TRUE(d.open(QIODevice::WriteOnly));
        }
    }

    QTemporaryDir tmp;
};

} // namespace

TEST_F(PpdevTree, DiscoveryReadsBaseAddressesAndSkipsOtherEntries)
{
    addPort(QStringLiteral("parport10"), "956\t-1\n");
    addPort(QStringLiteral("parport1"), "632\t1656\n");
    addPort(QStringLiteral("parport0"), "888\t1912\n");
    addPort(QStringLiteral("parport2"), QByteArray()); // no base-addr file
    addPort(QStringLiteral("parport3"), "garbage\n");
    addPort(QStringLiteral("default"), "888\n", false);

    const auto ports = PpdevLayer::discover(proc(), dev());
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0].name, "parport0");
    EXPECT_EQ(ports[0].base, 0x378);
    EXPECT_EQ(ports[0].device, device("parport0"));
    EXPECT_EQ(ports[1].base, 0x278);
    EXPECT_EQ(ports[2].name, "parport10");
    EXPECT_EQ(ports[2].base, 0x3BC);
}

TEST_F(PpdevTree, RegistersPassUnchangedExceptTheBitsPpdevDoesNotCarry)
{
    addPort(QStringLiteral("parport0"), "888\t1912\n");
    addPort(QStringLiteral("parport1"), "632\t1656\n");
    KernelStandIn layer(proc(), dev());
    DriverControl control(layer);
    ASSERT_EQ(control.start(), 0x0Eu);
    Chip &lpt1 = layer.chips[device("parport0")];
    Chip &lpt2 = layer.chips[device("parport1")];
    EXPECT_TRUE(lpt1.claimed);
    EXPECT_TRUE(lpt2.claimed);

    // Status: no inversion, BUSY bit 0x80 set means ready as on the chip.
    lpt1.status = 0x5F;
    EXPECT_EQ(layer.readRegister(0x379), 0x5F);
    lpt1.status = 0x87;
    EXPECT_EQ(layer.readRegister(0x379), 0x87);
    layer.writeRegister(0x379, 0x00); // read-only
    EXPECT_EQ(lpt1.status, 0x87);

    layer.writeRegister(0x378, 0xA5);
    EXPECT_EQ(lpt1.data, 0xA5);
    EXPECT_EQ(layer.readRegister(0x378), 0xA5);
    layer.writeRegister(0x278, 0x3C);
    EXPECT_EQ(lpt2.data, 0x3C);

    // Control: the four lines go to the kernel as they are; direction
    // through PPDATADIR; bits 0x10/0x20 read back from our own copy.
    layer.writeRegister(0x37A, 0x25);
    EXPECT_EQ(lpt1.control, 0x05);
    EXPECT_EQ(lpt1.reverse, 1);
    EXPECT_EQ(layer.readRegister(0x37A), 0x25);
    layer.writeRegister(0x37A, 0x35);
    EXPECT_EQ(layer.directions.size(), 1u); // direction unchanged: no second call
    layer.writeRegister(0x37A, 0x04);
    EXPECT_EQ(lpt1.reverse, 0);
    EXPECT_EQ(layer.readRegister(0x37A), 0x04);
    EXPECT_EQ(lpt2.control, 0x0C); // the other port untouched

    // Addresses no port serves.
    const int before = layer.calls;
    EXPECT_EQ(layer.readRegister(0x3BD), 0xFF);
    EXPECT_EQ(layer.readRegister(0x37B), 0xFF);
    EXPECT_EQ(layer.readRegister(0x377), 0xFF);
    layer.writeRegister(0x3BC, 0x11);
    EXPECT_EQ(layer.calls, before);

    const int files = openFileCount();
    EXPECT_EQ(control.stop(), 0u);
    EXPECT_FALSE(lpt1.claimed);
    EXPECT_EQ(openFileCount(), files - 2);
    EXPECT_TRUE(layer.ports().empty());
    EXPECT_EQ(layer.readRegister(0x379), 0xFF);
}

struct FaultCase {
    const char *name;
    bool procTree;   // /proc/sys/dev/parport is there
    bool deviceFile; // /dev/parport0 is there (ppdev loaded)
    int openError;   // opening /dev/parport0 fails with this
    int claimError;
    const char *holder;  // devices/active of the port
    const char *problem; // part of the diagnostic
};

const FaultCase kFaults[] = {
    {"NoParportDriver", false, false, 0, 0, nullptr, "ppdev"},
    {"PpdevNotLoaded", true, false, 0, 0, nullptr, "ppdev module"},
    {"NoPermission", true, true, EACCES, 0, nullptr, "lp"},
    {"ClaimRefused", true, true, 0, EIO, "none\n", "claiming"},
    // Claiming would sleep until the other program ends.
    {"HeldByAnotherProgram", true, true, 0, 0, "ppdev0\n", "in use by ppdev0"},
};

void PrintTo(const FaultCase &c, std::ostream *os) { *os << c.name; }

class PpdevFaults : public PpdevTree, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(PpdevFaults, StartFailsWithNothingLeftOpen)
{
    const FaultCase &c = GetParam();
    if (c.procTree)
        addPort(QStringLiteral("parport0"), "888\t1912\n", c.deviceFile);
    if (c.holder) {
        const QString devices = tmp.path() + QStringLiteral("/proc/parport0/devices");
        QDir().mkpath(devices);
        QFile active(devices + QStringLiteral("/active"));
        ASSERT_TRUE(active.open(QIODevice::WriteOnly));
        active.write(c.holder);
    }
    KernelStandIn layer(proc(), dev());
    if (c.openError)
        layer.openErrors[device("parport0")] = c.openError;
    layer.claimError = c.claimError;

    const int files = openFileCount();
    DriverControl control(layer);
    EXPECT_EQ(control.start(), 0x01u);
    EXPECT_NE(layer.problem().find(c.problem), std::string::npos) << layer.problem();
    EXPECT_FALSE(layer.chips[device("parport0")].claimed);
    EXPECT_EQ(openFileCount(), files);
    EXPECT_TRUE(layer.ports().empty());
    EXPECT_EQ(layer.readRegister(0x379), 0xFF);
    EXPECT_EQ(control.stop(), 0u);
}

INSTANTIATE_TEST_SUITE_P(PpdevLayer, PpdevFaults, ::testing::ValuesIn(kFaults),
                         [](const auto &info) { return std::string(info.param.name); });

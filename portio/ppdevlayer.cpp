#include "ppdevlayer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

// Uses the ioctl macros of sys/ioctl.h.
#include <linux/ppdev.h>

// Register semantics. The kernel's parport layer speaks the PC register
// layout on both sides (linux/parport.h: control STROBE 0x01, AUTOFD 0x02,
// INIT 0x04, SELECT 0x08; status ERROR 0x08, SELECT 0x10, PAPEROUT 0x20,
// ACK 0x40, BUSY 0x80) and the PC driver moves data and status bytes
// straight between ioctl and chip. So no bit needs inverting: a status
// read with 0x80 set means the BUSY line is low (printer ready), and
// writing control bit 0x01 drives the strobe line active, exactly as the
// raw registers behave. What differs is the control register:
//  - PPWCONTROL takes only the four output lines (0x0F). Bit 0x20 given
//    there would switch the data lines to input but never back, so the
//    direction goes through PPDATADIR; bit 0x10 (interrupt enable) belongs
//    to the kernel and is not passed on.
//  - PPRCONTROL answers from the kernel's copy of the four lines (many
//    chips cannot read the register back).
// Bits 0x10 and 0x20 are kept here, so a read gives back what was written.
namespace kzpio {

namespace {

constexpr uint8_t kControlLines = 0x0F;
constexpr uint8_t kControlDirection = 0x20;
constexpr uint8_t kControlKeptHere = 0x30;

bool isDirectory(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool startsWithPortName(const char *name)
{
    return std::strncmp(name, "parport", 7) == 0 && name[7] >= '0' && name[7] <= '9';
}

// The first decimal number of a small text file, or -1.
long readFirstNumber(const std::string &path)
{
    FILE *f = std::fopen(path.c_str(), "re");
    if (!f)
        return -1;
    char buf[64] = {};
    const size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    buf[n] = '\0';
    char *end = nullptr;
    errno = 0;
    const long value = std::strtol(buf, &end, 10);
    if (end == buf || errno != 0 || value < 0)
        return -1;
    return value;
}

// The device that holds the port now ("none" when free), from the port's
// devices/active entry; empty when that cannot be read.
std::string activeDevice(const std::string &portDir)
{
    FILE *f = std::fopen((portDir + "/devices/active").c_str(), "re");
    if (!f)
        return {};
    char buf[64] = {};
    const size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    std::string name(buf, n);
    while (!name.empty() && (name.back() == '\n' || name.back() == ' '))
        name.pop_back();
    return name;
}

std::string describe(const std::string &device, int err)
{
    std::string text = device + ": " + std::strerror(err);
    if (err == EACCES || err == EPERM)
        text += " (the user needs to be in the group that owns the device, usually lp)";
    else if (err == ENOENT)
        text += " (is the ppdev module loaded?)";
    return text;
}

} // namespace

PpdevLayer::PpdevLayer(std::string procDir, std::string devDir)
    : procDir_(std::move(procDir)), devDir_(std::move(devDir))
{
}

PpdevLayer::~PpdevLayer() { closeAll(); }

std::vector<PpdevLayer::Port> PpdevLayer::discover(const std::string &procDir, const std::string &devDir)
{
    std::vector<Port> found;
    DIR *dir = ::opendir(procDir.c_str());
    if (!dir)
        return found;
    while (const dirent *entry = ::readdir(dir)) {
        if (!startsWithPortName(entry->d_name))
            continue;
        const long base = readFirstNumber(procDir + "/" + entry->d_name + "/base-addr");
        if (base <= 0 || base > 0xFFFF)
            continue;
        Port port;
        port.name = entry->d_name;
        port.device = devDir + "/" + entry->d_name;
        port.base = static_cast<uint16_t>(base);
        found.push_back(port);
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end(), [](const Port &a, const Port &b) {
        return a.name.size() != b.name.size() ? a.name.size() < b.name.size() : a.name < b.name;
    });
    return found;
}

bool PpdevLayer::openManager()
{
    problem_.clear();
    if (isDirectory(procDir_))
        return true;
    bool anyDevice = false;
    if (DIR *dir = ::opendir(devDir_.c_str())) {
        while (const dirent *entry = ::readdir(dir)) {
            if (startsWithPortName(entry->d_name)) {
                anyDevice = true;
                break;
            }
        }
        ::closedir(dir);
    }
    if (!anyDevice)
        problem_ = "no parallel port driver (modules parport_pc and ppdev) on this system";
    return anyDevice;
}

int PpdevLayer::install()
{
    if (installed_)
        return kServiceExists;
    ports_ = discover(procDir_, devDir_);
    if (ports_.empty()) {
        problem_ = "no parallel port with a known base address under " + procDir_;
        return ENODEV;
    }
    int firstError = 0;
    for (Port &port : ports_) {
        port.fd = openPort(port.device);
        if (port.fd < 0 && firstError == 0) {
            firstError = errno ? errno : EIO;
            problem_ = describe(port.device, firstError);
        }
    }
    std::erase_if(ports_, [](const Port &p) { return p.fd < 0; });
    if (ports_.empty())
        return firstError;
    installed_ = true;
    return kOk;
}

int PpdevLayer::start()
{
    if (!installed_)
        return kNoService;
    if (std::any_of(ports_.begin(), ports_.end(), [](const Port &p) { return p.claimed; }))
        return kServiceRunning;
    int firstError = 0;
    bool any = false;
    for (Port &port : ports_) {
        // PPCLAIM sleeps until whoever holds the port lets go: a print job
        // of lp, or another program (a second Zentrix) for as long as it
        // runs. A port in use is skipped instead, so the start never hangs.
        const std::string holder = activeDevice(procDir_ + "/" + port.name);
        if (!holder.empty() && holder != "none") {
            if (firstError == 0) {
                firstError = EBUSY;
                problem_ = port.device + " is in use by " + holder;
            }
            continue;
        }
        if (deviceControl(port.fd, PPCLAIM, nullptr) == 0) {
            port.claimed = true;
            port.controlExtra = 0;
            any = true;
        } else if (firstError == 0) {
            firstError = errno ? errno : EIO;
            problem_ = "claiming " + describe(port.device, firstError);
        }
    }
    return any ? kOk : firstError;
}

bool PpdevLayer::openDevice()
{
    for (Port &port : ports_) {
        unsigned char status = 0;
        if (port.claimed && deviceControl(port.fd, PPRSTATUS, &status) == 0)
            return true;
    }
    return false;
}

int PpdevLayer::stop()
{
    if (!installed_)
        return kNoService;
    int result = kServiceNotActive;
    for (Port &port : ports_) {
        if (!port.claimed)
            continue;
        port.claimed = false;
        if (deviceControl(port.fd, PPRELEASE, nullptr) == 0) {
            if (result == kServiceNotActive)
                result = kOk;
        } else if (result == kOk || result == kServiceNotActive) {
            result = errno ? errno : EIO;
        }
    }
    return result;
}

int PpdevLayer::remove()
{
    if (!installed_)
        return kNoService;
    closeAll();
    return kOk;
}

void PpdevLayer::closeAll()
{
    // Closing the file also releases a claim that is still held.
    for (Port &port : ports_) {
        if (port.fd >= 0)
            ::close(port.fd);
    }
    ports_.clear();
    installed_ = false;
}

int PpdevLayer::openPort(const std::string &device) { return ::open(device.c_str(), O_RDWR | O_CLOEXEC); }

int PpdevLayer::deviceControl(int fd, unsigned long request, void *arg) { return ::ioctl(fd, request, arg); }

PpdevLayer::Port *PpdevLayer::portFor(uint16_t address, int *offset)
{
    for (Port &port : ports_) {
        if (port.claimed && address >= port.base && address - port.base <= 2) {
            *offset = address - port.base;
            return &port;
        }
    }
    return nullptr;
}

uint8_t PpdevLayer::readRegister(uint16_t address)
{
    int offset = 0;
    Port *port = portFor(address, &offset);
    if (!port)
        return 0xFF;
    unsigned char value = 0;
    switch (offset) {
    case 0:
        if (deviceControl(port->fd, PPRDATA, &value) != 0)
            return 0xFF;
        return value;
    case 1:
        if (deviceControl(port->fd, PPRSTATUS, &value) != 0)
            return 0xFF;
        return value;
    default:
        if (deviceControl(port->fd, PPRCONTROL, &value) != 0)
            return 0xFF;
        return static_cast<uint8_t>((value & kControlLines) | port->controlExtra);
    }
}

void PpdevLayer::writeRegister(uint16_t address, uint8_t value)
{
    int offset = 0;
    Port *port = portFor(address, &offset);
    if (!port)
        return;
    unsigned char byte = value;
    switch (offset) {
    case 0:
        deviceControl(port->fd, PPWDATA, &byte);
        break;
    case 1:
        break; // the status register is read-only
    default: {
        unsigned char lines = value & kControlLines;
        deviceControl(port->fd, PPWCONTROL, &lines);
        if ((value ^ port->controlExtra) & kControlDirection) {
            int reverse = (value & kControlDirection) ? 1 : 0;
            deviceControl(port->fd, PPDATADIR, &reverse);
        }
        port->controlExtra = value & kControlKeptHere;
        break;
    }
    }
}

} // namespace kzpio

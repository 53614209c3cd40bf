#include "simprinter.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

namespace kzpio {

namespace {

// Register bits as the program reads and writes them.
constexpr uint8_t kStatusError = 0x08;  // 0 = error
constexpr uint8_t kStatusSelect = 0x10; // 1 = on line
constexpr uint8_t kStatusPaperEnd = 0x20;
constexpr uint8_t kStatusAck = 0x40;   // 0 = acknowledging a byte
constexpr uint8_t kStatusReady = 0x80; // 0 = BUSY
constexpr uint8_t kControlStrobe = 0x01;
constexpr uint8_t kControlInit = 0x04; // 0 = INIT asserted (reset)
constexpr uint8_t kControlReverse = 0x20;
constexpr uint8_t kControlBits = 0x3F;

constexpr uint16_t kBases[] = {0x278, 0x378, 0x3BC};

bool wordIs(const char *word, size_t len, const char *name)
{
    return std::strlen(name) == len && strncasecmp(word, name, len) == 0;
}

} // namespace

SimPrinter::~SimPrinter()
{
    if (logFd_ >= 0)
        ::close(logFd_);
}

uint32_t SimPrinter::parseLines(const char *words)
{
    uint32_t lines = 0;
    if (!words)
        return lines;
    const char *p = words;
    while (*p) {
        while (*p == ',' || *p == ' ' || *p == ';' || *p == '\t')
            ++p;
        const char *start = p;
        while (*p && *p != ',' && *p != ' ' && *p != ';' && *p != '\t')
            ++p;
        const size_t len = size_t(p - start);
        if (len == 0)
            continue;
        if (wordIs(start, len, "busy"))
            lines |= HeldBusy;
        else if (wordIs(start, len, "paper-end") || wordIs(start, len, "paperend") || wordIs(start, len, "pe"))
            lines |= PaperEnd;
        else if (wordIs(start, len, "offline"))
            lines |= Offline;
        else if (wordIs(start, len, "error"))
            lines |= Error;
    }
    return lines;
}

void SimPrinter::configure(const char *lines, const char *busyMicroseconds, const char *logPath)
{
    lines_ = parseLines(lines);

    busyTime_ = std::chrono::microseconds(kDefaultBusyMicroseconds);
    if (busyMicroseconds && *busyMicroseconds) {
        char *end = nullptr;
        const long value = std::strtol(busyMicroseconds, &end, 10);
        if (end != busyMicroseconds && *end == '\0' && value >= 0 && value <= 10'000'000)
            busyTime_ = std::chrono::microseconds(value);
    }

    const std::string path = logPath ? logPath : "";
    if (path != logPath_) {
        if (logFd_ >= 0)
            ::close(logFd_);
        logFd_ = -1;
        logPath_ = path;
        if (!path.empty()) {
            logFd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
            if (logFd_ < 0)
                std::fprintf(stderr, "KZpio: printer log %s: %s\n", path.c_str(), std::strerror(errno));
        }
    }
}

bool SimPrinter::busyLine() const
{
    if (lines_ & (HeldBusy | PaperEnd | Offline | Error))
        return true;
    if (!(control_ & kControlInit))
        return true;
    return std::chrono::steady_clock::now() < busyUntil_;
}

uint8_t SimPrinter::readRegister(int offset)
{
    switch (offset) {
    case 0:
        // Reversed data lines are driven by nobody: they float high.
        return (control_ & kControlReverse) ? 0xFF : data_;
    case 1: {
        uint8_t status = 0;
        if (!busyLine())
            status |= kStatusReady;
        if (std::chrono::steady_clock::now() >= busyUntil_)
            status |= kStatusAck;
        if (lines_ & PaperEnd)
            status |= kStatusPaperEnd;
        if (!(lines_ & Offline))
            status |= kStatusSelect;
        if (!(lines_ & Error))
            status |= kStatusError;
        return status;
    }
    default:
        return control_;
    }
}

void SimPrinter::writeRegister(int offset, uint8_t value)
{
    switch (offset) {
    case 0:
        data_ = value;
        break;
    case 1:
        break;
    default: {
        const uint8_t before = control_;
        control_ = value & kControlBits;
        if ((before & kControlInit) && !(control_ & kControlInit))
            busyUntil_ = {}; // a reset ends whatever the printer was doing
        if (!(before & kControlStrobe) && (control_ & kControlStrobe)) {
            if (busyLine() || (control_ & kControlReverse))
                ++refused_;
            else
                take(data_);
        }
        break;
    }
    }
}

void SimPrinter::take(uint8_t byte)
{
    if (received_.size() >= kMemoryLimit)
        received_.erase(received_.begin(), received_.begin() + kMemoryLimit / 2);
    received_.push_back(byte);
    ++total_;
    if (logFd_ >= 0) {
        ssize_t n;
        do {
            n = ::write(logFd_, &byte, 1);
        } while (n < 0 && errno == EINTR);
    }
    busyUntil_ = std::chrono::steady_clock::now() + busyTime_;
}

void SimPrinter::clear()
{
    received_.clear();
    total_ = 0;
    refused_ = 0;
}

int SimLayer::install()
{
    if (installed_)
        return kServiceExists;
    installed_ = true;
    return kOk;
}

int SimLayer::start()
{
    if (!installed_)
        return kNoService;
    if (running_)
        return kServiceRunning;
    running_ = true;
    return kOk;
}

int SimLayer::stop()
{
    if (!installed_)
        return kNoService;
    if (!running_)
        return kServiceNotActive;
    running_ = false;
    return kOk;
}

int SimLayer::remove()
{
    if (!installed_)
        return kNoService;
    installed_ = false;
    running_ = false;
    return kOk;
}

int SimLayer::offsetFor(uint16_t address)
{
    for (uint16_t base : kBases) {
        if (address >= base && address - base <= 2)
            return address - base;
    }
    return -1;
}

uint8_t SimLayer::readRegister(uint16_t address)
{
    const int offset = offsetFor(address);
    if (!running_ || offset < 0)
        return 0xFF;
    return printer_.readRegister(offset);
}

void SimLayer::writeRegister(uint16_t address, uint8_t value)
{
    const int offset = offsetFor(address);
    if (running_ && offset >= 0)
        printer_.writeRegister(offset, value);
}

} // namespace kzpio

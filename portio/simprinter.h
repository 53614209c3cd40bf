#pragma once
// An emulated Centronics printer on the parallel port registers, for tests
// and the demo mode (KZPIO_BACKEND=sim).
//
// Registers as on a PC port: data (latch), status, control. The printer
// takes the data byte when the control strobe bit goes from 0 to 1 while
// it is ready; it then holds BUSY (status 0x80 clear) and ACK (0x40 clear)
// for the busy time. Like a real printer it also shows BUSY while it is
// off line, out of paper, in error, held busy or held in reset (control
// bit 0x04 clear); a strobe then is refused and counted, not taken.
#include "servicelayer.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kzpio {

class SimPrinter {
public:
    // The settable lines (same values as the exported KZPIO_SIM_* bits).
    enum Line : uint32_t { HeldBusy = 0x01, PaperEnd = 0x02, Offline = 0x04, Error = 0x08 };

    static constexpr uint32_t kDefaultBusyMicroseconds = 500;
    // Bytes kept in memory; beyond that the oldest half is dropped (the log
    // file keeps everything).
    static constexpr size_t kMemoryLimit = size_t(1) << 20;

    SimPrinter() = default;
    ~SimPrinter();
    SimPrinter(const SimPrinter &) = delete;
    SimPrinter &operator=(const SimPrinter &) = delete;

    // Lines from a list of words ("busy", "paper-end", "offline", "error"
    // separated by commas or blanks), busy time in microseconds (empty: the
    // default), the log file (empty: none). Any of them may be null.
    void configure(const char *lines, const char *busyMicroseconds, const char *logPath);
    static uint32_t parseLines(const char *words);

    uint8_t readRegister(int offset);
    void writeRegister(int offset, uint8_t value);

    void setLines(uint32_t lines) { lines_ = lines; }
    uint32_t lines() const { return lines_; }
    void setBusyTime(uint32_t microseconds) { busyTime_ = std::chrono::microseconds(microseconds); }

    const std::vector<uint8_t> &received() const { return received_; }
    uint64_t receivedTotal() const { return total_; }
    uint32_t refused() const { return refused_; }
    void clear();

private:
    bool busyLine() const;
    void take(uint8_t byte);

    uint32_t lines_ = 0;
    std::chrono::microseconds busyTime_{kDefaultBusyMicroseconds};
    std::chrono::steady_clock::time_point busyUntil_{};
    uint8_t data_ = 0;
    uint8_t control_ = 0x0C; // INIT released, SELECT IN asserted: as the kernel leaves a port
    std::vector<uint8_t> received_;
    uint64_t total_ = 0;
    uint32_t refused_ = 0;
    int logFd_ = -1;
    std::string logPath_;
};

// The printer behind the service steps: reachable at the three standard
// bases (0x278, 0x378, 0x3BC) while "started".
class SimLayer : public PortBackend {
public:
    explicit SimLayer(SimPrinter &printer) : printer_(printer) {}

    bool openManager() override { return true; }
    void closeManager() override {}
    int install() override;
    int start() override;
    bool openDevice() override { return running_; }
    int stop() override;
    int remove() override;

    uint8_t readRegister(uint16_t address) override;
    void writeRegister(uint16_t address, uint8_t value) override;

private:
    static int offsetFor(uint16_t address);

    SimPrinter &printer_;
    bool installed_ = false;
    bool running_ = false;
};

} // namespace kzpio

#pragma once
// What the start/stop sequence needs from the system: a manager to talk
// to and a service that can be installed, started, reached through its
// device, stopped and removed. Each back end (ppdev, the emulated printer)
// implements it and also serves the port registers once started.
#include <cstdint>
#include <string>

namespace kzpio {

// Results of the service operations: 0 is success, anything else a
// failure. Only kServiceExists changes what the sequence does; the others
// are named so that the back ends answer alike.
constexpr int kOk = 0;
constexpr int kNoManager = 1;           // the manager cannot be reached
constexpr int kServiceRunning = 1056;   // start of a running service
constexpr int kNoService = 1060;        // the service is not installed
constexpr int kServiceNotActive = 1062; // stop of a stopped service
constexpr int kServiceExists = 1073;    // install finds it installed

class ServiceLayer {
public:
    virtual ~ServiceLayer() = default;

    virtual bool openManager() = 0;
    virtual void closeManager() = 0;
    virtual int install() = 0;
    virtual int start() = 0;
    // True when the running service's device can be reached.
    virtual bool openDevice() = 0;
    virtual int stop() = 0;
    virtual int remove() = 0;

    // Why the last start could not give port access, for a diagnostic line.
    virtual std::string problem() const { return {}; }
};

// A service layer that also serves the port registers while it runs.
// Addresses that no started port serves read 0xFF and ignore writes.
class PortBackend : public ServiceLayer {
public:
    virtual uint8_t readRegister(uint16_t address) = 0;
    virtual void writeRegister(uint16_t address, uint8_t value) = 0;
};

} // namespace kzpio

#pragma once
// The start and stop sequence behind IOSCM_Start / IOSCM_Stop: up to three
// attempts to reach the port driver's device, installing and starting its
// service as needed, and undoing exactly what was done at the end.
#include "servicelayer.h"

#include <cstdint>

namespace kzpio {

// Platform families of the old library: the 95/98/Me family needed no
// driver at all, the NT family needs the install/start/open sequence.
enum class Platform { Unknown = 0, Win9x = 1, Nt = 2 };

class DriverControl {
public:
    // On Linux access always goes through a driver (ppdev), so the library
    // runs the NT-family sequence; the other family is kept for the tests.
    explicit DriverControl(ServiceLayer &layer, Platform platform = Platform::Nt)
        : layer_(layer), platform_(platform)
    {
    }
    ~DriverControl();

    DriverControl(const DriverControl &) = delete;
    DriverControl &operator=(const DriverControl &) = delete;

    // Returns the state bits; bit 0x01 set means no port access.
    uint32_t start();
    // Returns 0, or 4 when stopping failed, 8 when removing failed.
    uint32_t stop();

    uint32_t state() const { return state_; }
    Platform platformKind() const { return kind_; }
    bool managerOpen() const { return managerOpen_; }

private:
    bool ensureManager();
    int installService();
    int startService();
    int stopService();
    int removeService();

    ServiceLayer &layer_;
    Platform platform_;
    Platform kind_ = Platform::Unknown;
    uint32_t state_ = 0;
    bool managerOpen_ = false;
};

} // namespace kzpio

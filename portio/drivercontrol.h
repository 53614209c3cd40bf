#pragma once
// The start and stop sequence behind IOSCM_Start / IOSCM_Stop: up to three
// attempts to reach the port driver's device, installing and starting its
// service as needed, and undoing exactly what was done at the end.
#include "servicelayer.h"

#include <cstdint>

namespace kzpio {

class DriverControl {
public:
    // Windows 95/98/Me needed no driver, and start and stop did nothing
    // there. Here port access always goes through a kernel driver that must
    // be claimed (ppdev), as on the NT family, so the full sequence runs.
    explicit DriverControl(ServiceLayer &layer) : layer_(layer) {}
    ~DriverControl();

    DriverControl(const DriverControl &) = delete;
    DriverControl &operator=(const DriverControl &) = delete;

    // Returns the state bits; bit 0x01 set means no port access.
    uint32_t start();
    // Returns 0, or 4 when stopping failed, 8 when removing failed.
    uint32_t stop();

    uint32_t state() const { return state_; }
    bool managerOpen() const { return managerOpen_; }

private:
    bool ensureManager();
    int installService();
    int startService();
    int stopService();
    int removeService();

    ServiceLayer &layer_;
    uint32_t state_ = 0;
    bool managerOpen_ = false;
};

} // namespace kzpio

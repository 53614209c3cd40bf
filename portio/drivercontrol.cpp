#include "drivercontrol.h"

#include "kzpio.h"

namespace kzpio {

DriverControl::~DriverControl()
{
    if (managerOpen_)
        layer_.closeManager();
}

bool DriverControl::ensureManager()
{
    if (!managerOpen_)
        managerOpen_ = layer_.openManager();
    return managerOpen_;
}

uint32_t DriverControl::start()
{
    state_ = 0;

    // The first attempt only looks for a device that is already there, the
    // second starts an installed service, the third installs it first.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (attempt >= 2) {
            if (installService() != kOk)
                break;
            state_ |= KZPIO_REMOVE_AT_END;
        }
        if (attempt >= 1) {
            if (startService() != kOk)
                continue;
            state_ |= KZPIO_STOP_AT_END;
        }
        if (layer_.openDevice()) {
            // Whichever attempt got there, the service is stopped and
            // removed at the end.
            state_ |= KZPIO_DEVICE_REACHABLE | KZPIO_STOP_AT_END | KZPIO_REMOVE_AT_END;
            return state_;
        }
    }

    stop();
    state_ |= KZPIO_START_FAILED;
    return state_;
}

uint32_t DriverControl::stop()
{
    if (state_ & KZPIO_STOP_AT_END) {
        if (stopService() != kOk)
            return 4; // the manager stays open for another try
    }
    if (state_ & KZPIO_REMOVE_AT_END) {
        if (removeService() != kOk)
            return 8; // bit 0x08 stays set for another try
    }
    if (managerOpen_) {
        layer_.closeManager();
        managerOpen_ = false;
    }
    state_ &= ~uint32_t(KZPIO_REMOVE_AT_END);
    return 0;
}

int DriverControl::installService()
{
    if (!ensureManager())
        return kNoManager;
    const int result = layer_.install();
    if (result == kOk) {
        state_ &= ~uint32_t(KZPIO_REMOVE_AT_END);
        return kOk;
    }
    // A service left from an earlier run: take it down so that the next
    // start installs it afresh. This start still fails.
    if (result == kServiceExists) {
        stopService();
        removeService();
    }
    return result;
}

int DriverControl::startService()
{
    if (!ensureManager())
        return kNoManager;
    return layer_.start();
}

int DriverControl::stopService()
{
    // Cleared whatever happens: a service that cannot be stopped is not
    // retried, the removal comes next.
    state_ &= ~uint32_t(KZPIO_STOP_AT_END);
    if (!ensureManager())
        return kNoManager;
    return layer_.stop();
}

int DriverControl::removeService()
{
    state_ &= ~uint32_t(KZPIO_DEVICE_REACHABLE);
    if (!ensureManager())
        return kNoManager;
    // Installing first (result ignored) makes sure there is something to
    // remove, so a service that is already gone counts as removed.
    layer_.install();
    return layer_.remove();
}

} // namespace kzpio

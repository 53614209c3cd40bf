// The library's exports: one process-wide back end chosen by KZPIO_BACKEND
// ("ppdev" or unset: the kernel's ppdev driver; "sim": the emulated
// printer; anything else: no port access), the start/stop sequence on top
// of it, and the register functions.
#include "kzpio.h"
#include "kzpio_sim.h"

#include "drivercontrol.h"
#include "ppdevlayer.h"
#include "simprinter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <strings.h>

namespace {

using namespace kzpio;

enum class Kind { Ppdev, Sim, Unknown };

Kind kindFromEnvironment()
{
    const char *value = std::getenv("KZPIO_BACKEND");
    if (!value || !*value || strcasecmp(value, "ppdev") == 0)
        return Kind::Ppdev;
    if (strcasecmp(value, "sim") == 0)
        return Kind::Sim;
    return Kind::Unknown;
}

// A back end that never gives access (unknown KZPIO_BACKEND).
class NoPortLayer : public PortBackend {
public:
    explicit NoPortLayer(std::string why) : why_(std::move(why)) {}
    bool openManager() override { return false; }
    void closeManager() override {}
    int install() override { return kNoService; }
    int start() override { return kNoService; }
    bool openDevice() override { return false; }
    int stop() override { return kNoService; }
    int remove() override { return kNoService; }
    std::string problem() const override { return why_; }
    uint8_t readRegister(uint16_t) override { return 0xFF; }
    void writeRegister(uint16_t, uint8_t) override {}

private:
    std::string why_;
};

SimPrinter &simPrinter()
{
    static SimPrinter printer;
    return printer;
}

struct Library {
    Kind kind = Kind::Unknown;
    std::unique_ptr<PortBackend> backend;
    std::unique_ptr<DriverControl> control;

    ~Library()
    {
        control.reset(); // before the layer it talks to
        backend.reset();
    }

    // Keeps the back end while KZPIO_BACKEND names the same one, so that a
    // second start finds what the first one left running.
    void select()
    {
        const Kind wanted = kindFromEnvironment();
        if (backend && wanted == kind)
            return;
        control.reset();
        backend.reset();
        switch (wanted) {
        case Kind::Ppdev:
            backend = std::make_unique<PpdevLayer>();
            break;
        case Kind::Sim:
            backend = std::make_unique<SimLayer>(simPrinter());
            break;
        case Kind::Unknown:
            backend = std::make_unique<NoPortLayer>(std::string("KZPIO_BACKEND=") + std::getenv("KZPIO_BACKEND") +
                                                    " is neither ppdev nor sim");
            break;
        }
        kind = wanted;
        control = std::make_unique<DriverControl>(*backend);
    }
};

Library &library()
{
    static Library lib;
    return lib;
}

uint8_t readByte(uint32_t port)
{
    Library &lib = library();
    return lib.backend ? lib.backend->readRegister(static_cast<uint16_t>(port)) : 0xFF;
}

void writeByte(uint32_t port, uint8_t value)
{
    Library &lib = library();
    if (lib.backend)
        lib.backend->writeRegister(static_cast<uint16_t>(port), value);
}

} // namespace

extern "C" {

uint32_t InpB(uint32_t port) { return readByte(port); }

// A word or double word on the byte-wide port registers is the bytes of
// consecutive addresses, lowest address first and least significant, as
// the bus splits a wide access. The address wraps within 16 bits.
uint32_t InpW(uint32_t port) { return readByte(port) | uint32_t(readByte(uint16_t(port + 1))) << 8; }

uint32_t InpD(uint32_t port)
{
    uint32_t value = 0;
    for (uint32_t i = 0; i < 4; ++i)
        value |= uint32_t(readByte(uint16_t(port + i))) << (8 * i);
    return value;
}

void OutB(uint32_t port, uint32_t value) { writeByte(port, static_cast<uint8_t>(value)); }

void OutW(uint32_t port, uint32_t value)
{
    writeByte(port, static_cast<uint8_t>(value));
    writeByte(uint16_t(port + 1), static_cast<uint8_t>(value >> 8));
}

void OutD(uint32_t port, uint32_t value)
{
    for (uint32_t i = 0; i < 4; ++i)
        writeByte(uint16_t(port + i), static_cast<uint8_t>(value >> (8 * i)));
}

uint32_t IOSCM_Start(void)
{
    try {
        Library &lib = library();
        lib.select();
        if (lib.kind == Kind::Sim)
            simPrinter().configure(std::getenv("KZPIO_SIM_LINES"), std::getenv("KZPIO_SIM_BUSY_US"),
                                   std::getenv("KZPIO_SIM_LOG"));
        const uint32_t state = lib.control->start();
        if (state & KZPIO_START_FAILED) {
            const std::string why = lib.backend->problem();
            std::fprintf(stderr, "KZpio: no parallel port access%s%s\n", why.empty() ? "" : ": ", why.c_str());
        }
        return state;
    } catch (...) {
        return KZPIO_START_FAILED;
    }
}

uint32_t IOSCM_Stop(void)
{
    Library &lib = library();
    return lib.control ? lib.control->stop() : 0;
}

void KZpioSim_SetLines(uint32_t lines) { simPrinter().setLines(lines); }

uint32_t KZpioSim_Lines(void) { return simPrinter().lines(); }

void KZpioSim_SetBusyTime(uint32_t microseconds) { simPrinter().setBusyTime(microseconds); }

uint32_t KZpioSim_Received(uint8_t *buffer, uint32_t size)
{
    const std::vector<uint8_t> &bytes = simPrinter().received();
    if (buffer && size > 0)
        std::copy_n(bytes.begin(), std::min<size_t>(size, bytes.size()), buffer);
    return static_cast<uint32_t>(bytes.size());
}

uint32_t KZpioSim_Refused(void) { return simPrinter().refused(); }

void KZpioSim_Clear(void) { simPrinter().clear(); }

} // extern "C"

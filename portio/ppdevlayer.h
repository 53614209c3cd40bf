#pragma once
// Port access through the kernel's parport/ppdev drivers.
//
// The service steps map onto ppdev like this:
//   manager     the parport subsystem is loaded (its /proc folder or a
//               /dev/parportN exists)
//   install     find the ports and their base addresses, open /dev/parportN
//   start       claim the opened ports (PPCLAIM)
//   open device a claimed port answers a status read
//   stop        release them (PPRELEASE)
//   remove      close them
//
// A register address B, B+1 or B+2 of a claimed port with base B reaches
// its data, status or control register; other addresses read 0xFF and
// ignore writes.
#include "servicelayer.h"

#include <string>
#include <vector>

namespace kzpio {

class PpdevLayer : public PortBackend {
public:
    // The folders are parameters so that tests can lay out their own.
    explicit PpdevLayer(std::string procDir = "/proc/sys/dev/parport", std::string devDir = "/dev");
    ~PpdevLayer() override;

    bool openManager() override;
    void closeManager() override {}
    int install() override;
    int start() override;
    bool openDevice() override;
    int stop() override;
    int remove() override;
    std::string problem() const override { return problem_; }

    uint8_t readRegister(uint16_t address) override;
    void writeRegister(uint16_t address, uint8_t value) override;

    struct Port {
        std::string name;   // parportN
        std::string device; // /dev/parportN
        uint16_t base = 0;
        int fd = -1;
        bool claimed = false;
        uint8_t controlExtra = 0; // bits 0x10 and 0x20, which ppdev does not keep
    };
    const std::vector<Port> &ports() const { return ports_; }

    // The ports the kernel knows, with the base address read from
    // <procDir>/parportN/base-addr ("888\t1912\n": base, then the ECP base).
    static std::vector<Port> discover(const std::string &procDir, const std::string &devDir);

protected:
    // open and ioctl on a port's file; tests replace them to play the
    // kernel's part. Both fail with -1 and errno.
    virtual int openPort(const std::string &device);
    virtual int deviceControl(int fd, unsigned long request, void *arg);

private:
    Port *portFor(uint16_t address, int *offset);
    void closeAll();

    std::string procDir_;
    std::string devDir_;
    std::vector<Port> ports_;
    bool installed_ = false;
    std::string problem_;
};

} // namespace kzpio

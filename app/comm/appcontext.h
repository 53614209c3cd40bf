#pragma once
// Owns the process-wide state and the shared services. Created once in
// main(); tests build their own with fakes.
#include "base/appstate.h"
#include "base/messagecatalogue.h"
#include "base/prompter.h"
#include "comm/seriallink.h"

#include <memory>

class OutputChannel;
class PortIo;
class Receiver;
class SerialControl;

class AppContext {
public:
    // Without a serial link the context gets an in-process line with no
    // printer on it (tests that do not talk to a printer).
    AppContext(std::unique_ptr<Prompter> prompter, std::unique_ptr<PortIo> portIo,
               std::unique_ptr<SerialLink> serialLink = nullptr);
    ~AppContext();

    AppState state;

    Prompter &prompter() { return *prompter_; }
    Messenger &messenger() { return messenger_; }
    PortIo &portIo() { return *portIo_; }

    // The shared serial port and printer channel (see comm/).
    SerialLink &serialLink() { return *serialLink_; }
    SerialControl &serial() { return *serial_; }
    OutputChannel &channel() { return *channel_; }
    Receiver &receiver() { return *receiver_; }

    QString settingsPath() const;

private:
    std::unique_ptr<Prompter> prompter_;
    std::unique_ptr<PortIo> portIo_;
    Messenger messenger_;
    std::unique_ptr<SerialLink> serialLink_;
    std::unique_ptr<SerialControl> serial_;
    std::unique_ptr<OutputChannel> channel_;
    std::unique_ptr<Receiver> receiver_;
};

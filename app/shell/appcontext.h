#pragma once
// Owns the process-wide state and the shared services. Created once in
// main(); tests build their own with fakes.
#include "appstate.h"
#include "messagecatalogue.h"
#include "prompter.h"

#include <memory>

class PortIo;

class AppContext {
public:
    AppContext(std::unique_ptr<Prompter> prompter, std::unique_ptr<PortIo> portIo);
    ~AppContext();

    AppState state;

    Prompter &prompter() { return *prompter_; }
    Messenger &messenger() { return messenger_; }
    PortIo &portIo() { return *portIo_; }

    QString settingsPath() const;

private:
    std::unique_ptr<Prompter> prompter_;
    std::unique_ptr<PortIo> portIo_;
    Messenger messenger_;
};

#pragma once
// A context whose serial port is an emulated printer in-process, for
// tests that run a tool's operations end to end:
//
//   PrinterContext pc("message");
//   pc.ctx->channel().openSerialPort();
//   ... run the operation ...
//   EXPECT_EQ(pc.printer<sim::MessagePrinter>()->messages().value(5), "AB");
//
// The printer is found through the context's serial link (sim::printerOn),
// the prompter is scripted and the port library a fake. Every COM number
// maps to the emulator; the DTR wait is 1 ms so tests do not sit in it.
#include "support/fakeportio.h"
#include "support/scriptedprompter.h"

#include "comm/appcontext.h"
#include "comm/outputchannel.h"
#include "comm/serialcontrol.h"
#include "comm/simseriallink.h"

#include "personas.h"

#include <memory>

struct PrinterContext {
    explicit PrinterContext(const QString &persona)
    {
        auto p = std::make_unique<ScriptedPrompter>();
        auto io = std::make_unique<FakePortIo>();
        auto simLink = std::make_unique<SimSerialLink>();
        prompter = p.get();
        portIo = io.get();
        line = simLink.get();
        line->setPeer(sim::createPrinter(persona));
        ctx = std::make_unique<AppContext>(std::move(p), std::move(io), std::move(simLink));
        ctx->serial().setPortResolver([](int n) { return QStringLiteral("sim:COM%1").arg(n); });
        ctx->state.output.dtrWait = 1;
        ctx->state.serialDefaults = ctx->serial().properties();
    }

    template <class T = sim::EmulatedPrinter> T *printer() { return sim::printerOn<T>(ctx->serialLink()); }

    ScriptedPrompter *prompter = nullptr;
    FakePortIo *portIo = nullptr;
    SimSerialLink *line = nullptr; // the in-process line, for its own test controls
    std::unique_ptr<AppContext> ctx;
};

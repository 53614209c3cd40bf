#pragma once
// A context on an in-process line with a scripted printer, short
// timeouts, the scripted prompter and the fake port library.
#include "comm/appcontext.h"
#include "comm/outputchannel.h"
#include "comm/printerexchange.h"
#include "comm/receiver.h"
#include "comm/serialcontrol.h"
#include "comm/simseriallink.h"
#include "support/fakeportio.h"
#include "support/scriptedprompter.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QList>

#include <functional>

// The far end: records what arrives and answers through a script.
class ScriptedPeer : public SerialPeer {
public:
    QByteArray received;
    QList<QByteArray> chunks;
    // Called with everything received so far after each write.
    std::function<void(ScriptedPeer &)> onBytes;

    void bytesFromHost(const QByteArray &bytes) override
    {
        received += bytes;
        chunks << bytes;
        if (onBytes)
            onBytes(*this);
    }
    PeerPort &line() { return *port(); }
    // Answers reply (after delayMs) each time a frame ends with NUL.
    void replyOnNul(const QByteArray &reply, int delayMs = 0)
    {
        onBytes = [reply, delayMs](ScriptedPeer &p) {
            if (p.received.endsWith('\0'))
                p.line().sendToHost(reply, delayMs);
        };
    }
};

class CommTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto prompter = std::make_unique<ScriptedPrompter>();
        auto portIo = std::make_unique<FakePortIo>();
        auto simLink = std::make_unique<SimSerialLink>();
        p = prompter.get();
        io = portIo.get();
        link = simLink.get();
        auto scripted = std::make_unique<ScriptedPeer>();
        peer = scripted.get();
        link->setPeer(std::move(scripted));
        ctx = std::make_unique<AppContext>(std::move(prompter), std::move(portIo), std::move(simLink));
        ctx->serial().setPortResolver([](int n) { return QStringLiteral("sim:COM%1").arg(n); });
        ChannelTimes t;
        t.dsrMs = 100;
        t.notBusyMs = 100;
        t.replyMs = 100;
        t.replyLongMs = 300;
        ch().setTimes(t);
        ctx->state.output.dtrWait = 1;
        ctx->state.serialDefaults = ctx->serial().properties();
    }

    OutputChannel &ch() { return ctx->channel(); }
    // The command-and-reply step on the same channel.
    PrinterExchange &ex()
    {
        if (!exchange)
            exchange = std::make_unique<PrinterExchange>(ch());
        return *exchange;
    }
    std::unique_ptr<PrinterExchange> exchange;
    AppState &st() { return ctx->state; }
    bool open() { return ch().openSerialPort(); }

    ScriptedPrompter *p = nullptr;
    FakePortIo *io = nullptr;
    SimSerialLink *link = nullptr;
    ScriptedPeer *peer = nullptr;
    std::unique_ptr<AppContext> ctx;
};

inline QByteArray hexBytes(const char *text) { return QByteArray::fromHex(text); }

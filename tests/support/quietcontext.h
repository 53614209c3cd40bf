#pragma once
// A context for programs that run the core without a screen or a person:
// benchmarks, fuzz targets and tests. Every box gets the same answer (and
// may be watched), there is no parallel port library, and the serial port
// is an in-process line with an optional printer on it.
//
//   QuietContext q(Answer::Yes, std::make_unique<FakeMessagePrinter>());
//   q.ctx->channel().openSerialPort();
#include "base/prompter.h"
#include "comm/appcontext.h"
#include "comm/portio.h"
#include "comm/serialcontrol.h"
#include "comm/serialpeer.h"
#include "comm/simseriallink.h"

#include <functional>
#include <memory>

class FixedPrompter : public Prompter {
public:
    explicit FixedPrompter(Answer answer) : answer_(answer) {}
    int asked = 0;
    // Sees every box before it is answered (e.g. to report the unexpected).
    std::function<void(const PromptRequest &)> onAsk;
    Answer ask(const PromptRequest &request) override
    {
        ++asked;
        if (onAsk)
            onAsk(request);
        return answer_;
    }

private:
    Answer answer_;
};

// No parallel port library: every status line reads high.
class NoPortIo : public PortIo {
public:
    bool available() override { return false; }
    quint32 start() override { return 1; }
    quint32 stop() override { return 0; }
    quint8 inpB(quint16) override { return 0xFF; }
    void outB(quint16, quint8) override {}
};

struct QuietContext {
    explicit QuietContext(Answer answer = Answer::No, std::unique_ptr<SerialPeer> peer = nullptr)
    {
        auto p = std::make_unique<FixedPrompter>(answer);
        auto simLink = std::make_unique<SimSerialLink>();
        prompter = p.get();
        line = simLink.get();
        if (peer)
            line->setPeer(std::move(peer));
        ctx = std::make_unique<AppContext>(std::move(p), std::make_unique<NoPortIo>(), std::move(simLink));
        ctx->serial().setPortResolver([](int n) { return QStringLiteral("sim:COM%1").arg(n); });
    }
    // On a line of the caller's (a pseudo-terminal, say).
    QuietContext(Answer answer, std::unique_ptr<SerialLink> link)
    {
        auto p = std::make_unique<FixedPrompter>(answer);
        prompter = p.get();
        ctx = std::make_unique<AppContext>(std::move(p), std::make_unique<NoPortIo>(), std::move(link));
    }

    FixedPrompter *prompter = nullptr;
    SimSerialLink *line = nullptr; // the in-process line, when there is one
    std::unique_ptr<AppContext> ctx;
};

#include "tickettest.h"

#include "base/catalogcodes.h"
#include "base/messagecatalogue.h"
#include "comm/outputchannel.h"
#include "finger/fingerunit.h"
#include "finger/registrantlist.h"
#include "finger/sampleslips.h"

#include <QTimer>

namespace tickettest {

namespace {

// STX, the reply byte, marker, 7 ID bytes, ETX.
constexpr int kFingerMessage = 11;

// The countdown box and its 1 s timer. At 0 it ends the wait that runs,
// as the serial timeout would; it is stopped while a slip is sent so that
// it cannot cut into the send's own waits.
class Countdown {
public:
    Countdown(FingerUnit &unit, ChannelState &line, int seconds) : unit_(unit), line_(line), seconds_(seconds)
    {
        timer_.setInterval(1000);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    }
    ~Countdown()
    {
        timer_.stop();
        show(-1);
    }
    void restart()
    {
        left_ = seconds_;
        show(left_);
        timer_.start();
    }
    void stop() { timer_.stop(); }
    bool expired() const { return left_ <= 0; }

private:
    void tick()
    {
        left_ = qMax(0, left_ - 1);
        show(left_);
        if (left_ == 0) {
            timer_.stop();
            line_.timeoutElapsed = true;
        }
    }
    void show(int s)
    {
        if (unit_.countdown)
            unit_.countdown(s);
    }
    FingerUnit &unit_;
    ChannelState &line_;
    int seconds_;
    int left_ = 0;
    QTimer timer_;
};

// Failed: the unit reported a fault, a slip did not go out or the port
// closed under the test.
enum class End { Finished, Failed };

End readingLoop(FingerUnit &unit, SampleSlips &slips, int choice, int seconds)
{
    FingerExchange &ex = unit.exchange();
    OutputChannel &channel = ex.channel();
    Countdown left(unit, channel.state(), seconds);
    left.restart();
    for (;;) {
        if (left.expired())
            return End::Finished;
        // The countdown ends the wait; the silence limit only backs it up.
        const FingerExchange::Received r = ex.receiveToEtx((seconds + 1) * 1000, registrantlist::kReplyLimit);
        if (ex.cancelled() || left.expired())
            return End::Finished;
        if (!r.complete) {
            // Bytes without an end or a start are no message; a lost port
            // ends the test.
            if (!channel.serial().isOpen())
                return End::Failed;
            continue;
        }
        if (!unit.cdrErrChk(r.bytes))
            return End::Failed;
        if (r.bytes.size() < kFingerMessage)
            continue;
        left.stop();
        const bool printed = slips.print(channel, choice, r.bytes.mid(2, 1 + fingers::kIdSize));
        if (ex.cancelled())
            return End::Finished;
        if (!printed)
            return End::Failed;
        left.restart();
    }
}

} // namespace

bool run(FingerUnit &unit, SampleSlips &slips, int choice, int seconds)
{
    const auto status = [&unit](const QString &text) {
        if (unit.status)
            unit.status(text);
    };
    if (!unit.linesReady())
        return false;
    status(QStringLiteral("発券テスト中です。指紋を読み取って下さい。"));
    if (!unit.openReading(QStringLiteral("発券テスト"))) {
        status({});
        return false;
    }
    const End end = readingLoop(unit, slips, choice, seconds);
    // The unit would go on reporting fingers into the next command's reply.
    unit.exchange().clearCancel();
    // A closed port is not opened again for it: its loss has been told.
    if (unit.exchange().channel().serial().isOpen())
        unit.disableRead();
    status({});
    if (end != End::Finished)
        return false;
    unit.messenger().showCatalogMessage(msg::FingerTestDone);
    return true;
}

} // namespace tickettest

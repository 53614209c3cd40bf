#include "eventwait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <sys/prctl.h>
#include <time.h>

namespace eventwait {

void pumpUntil(const std::function<bool()> &done, int pollMs)
{
    if (done())
        return;
    QTimer poll;
    if (pollMs > 0) {
        poll.setTimerType(pollMs < kPollMs ? Qt::PreciseTimer : Qt::CoarseTimer);
        poll.start(pollMs);
    }
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void processPending() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void sleepUs(qint64 us)
{
    processPending();
    if (us <= 0)
        return;
    if (us >= 1000) {
        waitMs(int(us / 1000));
        us %= 1000;
    }
    if (us > 0) {
        // Shorter than any timer: the thread sleeps, no events arrive
        // meanwhile. The kernel's default slack (50 us) would add a fifth
        // to every byte on a 38400 bps line.
        static const bool tight = prctl(PR_SET_TIMERSLACK, 1000UL) == 0;
        Q_UNUSED(tight)
        const timespec ts{0, long(us) * 1000};
        nanosleep(&ts, nullptr);
    }
}

void waitMs(int ms)
{
    if (ms <= 0)
        return;
    bool over = false;
    QTimer end;
    end.setSingleShot(true);
    end.setTimerType(Qt::PreciseTimer);
    QObject::connect(&end, &QTimer::timeout, &end, [&over] { over = true; });
    end.start(ms);
    pumpUntil([&] { return over; }, kNoPoll);
}

} // namespace eventwait

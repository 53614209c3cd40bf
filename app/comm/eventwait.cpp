#include "eventwait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

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

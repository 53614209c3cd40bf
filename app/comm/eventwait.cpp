#include "eventwait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace eventwait {

void pumpUntil(const std::function<bool()> &done, int pollMs)
{
    if (done())
        return;
    QTimer poll;
    poll.setTimerType(pollMs < kPollMs ? Qt::PreciseTimer : Qt::CoarseTimer);
    poll.start(qMax(1, pollMs));
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void processPending() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void waitMs(int ms)
{
    if (ms <= 0)
        return;
    QDeadlineTimer deadline(ms, Qt::PreciseTimer);
    // Wakes exactly at the end rather than at the next poll.
    QTimer end;
    end.setSingleShot(true);
    end.setTimerType(Qt::PreciseTimer);
    end.start(ms);
    pumpUntil([&] { return deadline.hasExpired(); });
}

} // namespace eventwait

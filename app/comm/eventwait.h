#pragma once
// The one way this program waits: run the event loop until a condition
// holds. Between events the thread sleeps (no CPU while nothing happens);
// timers, arriving bytes and button clicks run inside the wait. A poll
// timer wakes the loop every pollMs to re-check what raises no event,
// such as modem lines or the driver's output queue.
#include <QtGlobal>

#include <functional>

namespace eventwait {

// The usual re-check interval, the short one used where a byte is
// waiting to leave (so that a fast line is not slowed by the poll), and
// none for conditions that only events change (timer and receive flags).
constexpr int kPollMs = 10;
constexpr int kFastPollMs = 1;
constexpr int kNoPoll = 0;

// Returns at once when done() already holds; otherwise processes events,
// sleeping in between, until it does. With kNoPoll only events wake it.
void pumpUntil(const std::function<bool()> &done, int pollMs = kPollMs);

// Processes the events that are pending now, without sleeping.
void processPending();

// Waits ms milliseconds with events running (ms <= 0 returns at once).
void waitMs(int ms);

// Runs the pending events, then sleeps us microseconds: whole milliseconds
// in the event loop, the rest (a byte on a fast line) in one short sleep
// after which the caller looks again (and so runs the events again).
void sleepUs(qint64 us);

} // namespace eventwait

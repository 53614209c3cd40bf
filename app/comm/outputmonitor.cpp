#include "outputmonitor.h"

#include "base/appstate.h"
#include "receivestate.h"

#include <utility>

namespace {
constexpr qint16 kFingerOutputCheck = 925;
constexpr qint16 kTicketSubMenu = 620;
constexpr qint16 kUnitSubMenu = 870;
} // namespace

OutputMonitor::OutputMonitor(AppState &app, ReceiveState &rx) : app_(app), rx_(rx) {}

qint16 OutputMonitor::returnState(qint16 watched)
{
    if (watched < 801)
        return kTicketSubMenu;
    // Left in the unit-setting tool's range, the fingerprint manager would
    // frame, help and notify as that tool; it gets its own idle state.
    if (watched == kFingerOutputCheck)
        return ToolStates::Finger;
    return kUnitSubMenu;
}

void OutputMonitor::start(statusrecords::UnitModel model)
{
    model_ = model;
    watched_ = app_.toolState;
    running_ = true;
    pending_.clear();
    rx_.clearText();
    rx_.replyComplete = false;
    rx_.monitor.reset();
}

void OutputMonitor::stop()
{
    if (!running_)
        return;
    running_ = false;
    app_.toolState = returnState(watched_);
    pending_.clear();
    rx_.clearText();
    rx_.replyComplete = false;
    rx_.monitor.reset();
}

void OutputMonitor::collect()
{
    if (!running_)
        return;
    if (watched_ == kFingerOutputCheck) {
        // The acknowledgement cut keeps one message's identifying bytes;
        // taking them empties the text for the next message.
        if (rx_.replyComplete) {
            add({statusrecords::fingerLine(rx_.text)});
            rx_.clearText();
            rx_.replyComplete = false;
        }
        return;
    }
    const statusrecords::Printer printer = statusrecords::printerFor(watched_);
    auto &queue = rx_.monitor.queue;
    while (!queue.empty()) {
        add(statusrecords::decode(queue.front(), printer, model_));
        queue.pop_front();
    }
    rx_.replyComplete = false;
}

QStringList OutputMonitor::takeLines()
{
    collect();
    return std::exchange(pending_, {});
}

void OutputMonitor::add(const QStringList &lines)
{
    pending_ << lines;
    // Lines beyond the display's capacity would only be dropped there.
    if (pending_.size() > kMaxLines)
        pending_.remove(0, pending_.size() - kMaxLines);
}

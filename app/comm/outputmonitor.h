#pragma once
// One session of the output display monitor: what happens when the window
// opens and closes, and which lines the records received in between give.
//
// The receive side files every complete record of the watched printer in
// the monitor queue (tool states 626, 872, 873) or, for the fingerprint
// unit (925), leaves the recognised finger's 8 identifying bytes in
// ReceiveText. collect() takes them from there in order of arrival, so
// records that come faster than the window repaints are neither dropped
// nor shown twice.
#include "statusrecords.h"

#include <QStringList>

struct AppState;
struct ReceiveState;

class OutputMonitor {
public:
    // The display holds at most this many lines; older ones go first.
    static constexpr int kMaxLines = 99;

    OutputMonitor(AppState &app, ReceiveState &rx);

    // Opening: watches the printer of the tool state now set, with the
    // unit-setting tool's model choice for printed data; starts from an
    // empty receive text, no complete reply and an empty monitor store.
    void start(statusrecords::UnitModel model);
    // Closing: the tool state goes back to where the monitor was opened
    // from and the receive stores are emptied. Does nothing when stopped.
    void stop();
    bool running() const { return running_; }
    qint16 watchedState() const { return watched_; }

    // Decodes what the receive side has completed since the last call and
    // keeps the lines until takeLines().
    void collect();
    // collect(), then the lines not yet shown (at most kMaxLines, the
    // newest), in order.
    QStringList takeLines();
    bool hasPending() const { return !pending_.isEmpty(); }

    // Where closing returns: the ticket tool's sub menu (620) below 801,
    // the fingerprint manager (900) from 925, else the unit-setting tool's
    // sub dialog (870).
    static qint16 returnState(qint16 watched);

private:
    void add(const QStringList &lines);

    AppState &app_;
    ReceiveState &rx_;
    statusrecords::UnitModel model_ = statusrecords::UnitModel::Vux;
    qint16 watched_ = 0;
    bool running_ = false;
    QStringList pending_;
};

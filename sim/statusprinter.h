#pragma once
// A printer that reports what happens to it with status records, sent on
// its own: power on, switches, paper end, errors, and so on. A record is
// the event letter, the day of the month, hour, minute and second as two
// ASCII digits each, optional data, and NUL:
//
//   N 05 12 30 45 0042 NUL   ticket 0042 issue started on the 5th, 12:30:45
//
// Records go out on request (sendStatus) or on a schedule that runs through
// the printer's events in turn. Commands from the program are logged; a
// printer whose command set is not emulated answers none of them.
#include "dc3printer.h"

#include <QDateTime>
#include <QList>
#include <QTimer>

namespace sim {

class StatusPrinter : public Dc3Printer {
    Q_OBJECT
public:
    struct Event {
        char code;
        const char *meaning; // for the log
    };

    // The record for one event at a given time.
    static QByteArray record(char code, const QDateTime &when, const QByteArray &data = {});

    // Sends the record now; false when nobody listens (the port is closed).
    bool sendStatus(char code, const QByteArray &data = {});
    // Sends the next event of the schedule every ms (0 stops). Records
    // fall due only while the program's port is open.
    void setStatusEvery(int ms);
    int statusEvery() const { return schedule_.isActive() ? schedule_.interval() : 0; }
    // The events this printer knows, in schedule order.
    const QList<Event> &events() const { return events_; }

    QString describeRecord(const QByteArray &record) const;

protected:
    StatusPrinter(const QString &persona, QList<Event> events, QObject *parent);
    // The data that goes with a scheduled event (e.g. a ticket number).
    virtual QByteArray scheduledData(char code)
    {
        Q_UNUSED(code)
        return {};
    }
    // Commands without a handler are logged, not answered.
    QString describe(const QByteArray &frame, bool fromProgram) const override;
    void unhandled(const Command &command) override { Q_UNUSED(command) }

private:
    void sendNext();

    QList<Event> events_;
    int next_ = 0;
    QTimer schedule_;
};

} // namespace sim

#pragma once
// The common base of every emulated printer ("persona"). A persona only
// decides what to answer; this base puts the answer on the line: the
// faults asked for, the pacing of a real line rate, and the frame log.
//
// A persona derives from it, implements received() (bytes as they come
// from the program) and answers with reply() (an answer to a command, hit
// by the faults) or sendOwn() (what it sends on its own, such as status
// records). It works on any PeerPort: the in-process SimSerialLink or the
// pseudo-terminal of zentrix-printer-sim.
#include "faultplan.h"
#include "framelog.h"

#include "comm/serialpeer.h"

#include <QElapsedTimer>
#include <QObject>

namespace sim {

class EmulatedPrinter : public QObject, public SerialPeer {
    Q_OBJECT
public:
    explicit EmulatedPrinter(const QString &persona, QObject *parent = nullptr);
    ~EmulatedPrinter() override;

    // "message", "sink", "ticket", ...
    QString persona() const { return persona_; }
    FrameLog &log() { return log_; }

    // ---- faults ------------------------------------------------------
    void setFaults(const FaultPlan &plan);
    const FaultPlan &faults() const { return faults_; }
    // The printer's modem lines (in-process lines only; a pseudo-terminal
    // has none).
    void setDsr(bool on);
    void setCts(bool on);
    // Pulls the cable now; it is back after reconnectMs (negative: only
    // when reconnect() is called).
    void dropLine(int reconnectMs = -1);
    void reconnect();
    // Sends noise at once, outside any frame.
    void sendGarbage(const QByteArray &bytes = FaultPlan::noise());

    // ---- pacing ------------------------------------------------------
    // Bytes in both directions take as long as on a line at this speed:
    // a start bit, 8 data bits, the parity bit if any and a stop bit. The
    // printer answers a command only after it could have arrived whole.
    // Speed 0: no pacing (the default).
    void setLineRate(qint32 baud, Parity parity = Parity::None);
    // Paces at whatever speed and parity the program's port is set to.
    void setLineRateFollowsHost(bool on) { followHost_ = on; }
    qint32 lineBaud() const;
    Parity lineParity() const;
    // Microseconds one byte takes on the line (0 for speed 0).
    static qint64 byteTimeUs(qint32 baud, Parity parity);

    // ---- SerialPeer --------------------------------------------------
    void attached(PeerPort &port) override;
    void bytesFromHost(const QByteArray &bytes) final;
    void hostOpened() override;
    void hostClosed() override;
    void hostLinesChanged() override;

protected:
    // Bytes from the program, in order, as they arrive.
    virtual void received(const QByteArray &bytes) = 0;
    // The program closed the port (or the line dropped): forget any
    // exchange in progress.
    virtual void reset() {}
    // The program dropped DTR (it does so before every command): a frame
    // it began and never finished is forgotten, as a printer's receiver
    // starts afresh. An exchange in progress goes on.
    virtual void discardPartialFrame() {}

    // An answer to a command, after the printer worked for workMs: the
    // faults apply, then the pacing; logged with what it means. Returns the
    // ms from now at which it is out (-1: withheld by a fault).
    int reply(const QByteArray &frame, const QString &what, int workMs = 0);
    // Something the printer sends on its own: pacing and log only.
    void sendOwn(const QByteArray &bytes, const QString &what);
    // A frame the printer took in, for the log.
    void logReceived(const QByteArray &frame, const QString &what) { log_.received(frame, what); }
    void note(const QString &text) { log_.note(text); }
    // Whether anybody is listening (the program's port is open).
    bool hostListening() const;

private:
    // Queues bytes for the program, starting no earlier than delayMs from
    // now, paced; returns the ms from now at which the last byte is out.
    int transmit(const QByteArray &bytes, int delayMs);
    qint64 nowUs() const { return clock_.nsecsElapsed() / 1000; }
    qint64 currentByteUs() const;

    QString persona_;
    FrameLog log_;
    FaultPlan faults_;
    QElapsedTimer clock_;
    qint32 baud_ = 0;
    Parity parity_ = Parity::None;
    bool followHost_ = false;
    qint64 rxFreeUs_ = 0; // when the last received byte is fully in
    qint64 txFreeUs_ = 0; // when the last sent byte is fully out
    int dropGeneration_ = 0;
};

} // namespace sim

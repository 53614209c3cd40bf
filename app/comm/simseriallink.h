#pragma once
// An in-process serial line for tests and the demo printer. The program
// uses it like any SerialLink; the far end is a SerialPeer, and a test can
// set the modem lines, hold the output queue, delay or corrupt what the
// peer sends, make opens fail, or pull the cable.
#include "serialpeer.h"

#include <QElapsedTimer>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>

class SimSerialLink : public SerialLink, public PeerPort {
    Q_OBJECT
public:
    explicit SimSerialLink(QObject *parent = nullptr);
    ~SimSerialLink() override;

    // Plugs in the far end (owned); nullptr leaves a line without printer.
    void setPeer(std::unique_ptr<SerialPeer> peer);
    SerialPeer *peer() const { return peer_.get(); }

    // Test controls. DSR and CTS start on.
    // While held, written bytes stay in the output queue (counted by
    // outputQueueCount) and reach the peer only when released.
    void holdOutput(bool hold);
    // A UART without a deep FIFO: each written byte stays in the output
    // queue until it could have left the line at the port's speed and
    // framing, so the drain waits meet real line times.
    void setDrainAtLineRate(bool on) { drainAtLineRate_ = on; }
    // Extra delay for everything the peer sends.
    void setReplyDelay(int ms) { replyDelay_ = ms; }
    // Rewrites what the peer sends (garbage, cut or wrong replies).
    void setReplyFilter(std::function<QByteArray(const QByteArray &)> filter) { filter_ = std::move(filter); }
    // Every open fails with this result until set back to Ok.
    void failOpens(OpenResult result) { openResult_ = result; }
    // Everything the peer has received so far, and open counts.
    QByteArray written() const { return written_; }
    void clearWritten() { written_.clear(); }
    int openCount() const { return opens_; }
    bool dropped() const { return dropped_; }

    // PeerPort
    void sendToHost(const QByteArray &bytes, int delayMs = 0) override;
    void setDsr(bool on) override { dsr_ = on; }
    void setCts(bool on) override { cts_ = on; }
    void dropLine() override;
    void reconnect() override { dropped_ = false; }
    bool hostOpen() const override { return open_; }
    bool hostDtr() const override { return dtr(); }
    bool hostRts() const override { return rts(); }
    qint32 hostBaud() const override { return baudRate(); }
    Parity hostParity() const override { return parity(); }

protected:
    OpenResult doOpen(const QString &device, qint32 baud, Parity parity) override;
    void doClose() override;
    bool doIsOpen() const override { return open_; }
    void doSetLineSettings(qint32, Parity) override {}
    void doSetDtr(bool on) override;
    void doSetRts(bool on) override;
    bool doDsr() override { return dsr_; }
    bool doCts() override { return cts_; }
    qint64 doOutputQueueCount() override;
    qint64 doInputCount() override { return input_.size(); }
    QByteArray doRead(qint64 maxBytes) override;
    bool doWrite(const QByteArray &bytes) override;
    void doDiscardOutput() override;
    void doDiscardInput() override { input_.clear(); }

private:
    struct Pending {
        qint64 due;
        QByteArray bytes;
    };
    void deliverDue();
    void scheduleNext();
    void toPeer(const QByteArray &bytes);

    std::unique_ptr<SerialPeer> peer_;
    std::deque<Pending> pending_;
    QTimer deliverTimer_;
    QElapsedTimer clock_;
    QByteArray input_;
    QByteArray held_;
    QByteArray written_;
    std::function<QByteArray(const QByteArray &)> filter_;
    OpenResult openResult_ = OpenResult::Ok;
    int replyDelay_ = 0;
    int opens_ = 0;
    bool open_ = false;
    bool dsr_ = true;
    bool cts_ = true;
    bool hold_ = false;
    bool dropped_ = false;
    bool drainAtLineRate_ = false;
    qint64 wireFreeUs_ = 0; // when the last written byte has left the line
};

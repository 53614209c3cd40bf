#pragma once
// What the program needs from a serial port: open/close with speed and
// parity (always 8 data bits, 1 stop bit), the modem lines, the queue
// counts, and raw byte reads and writes. QtSerialLink drives a real device,
// SimSerialLink an in-process printer, MappedSerialLink chooses between them
// by the device name.
//
// The public calls are the same for every implementation and also feed the
// traffic trace (ZENTRIX_TRACE); implementations provide the do*() parts.
#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class TrafficLog;
class TrafficTrace;

enum class Parity { None, Even, Odd };

// Microseconds one byte takes on the line: a start bit, 8 data bits, the
// parity bit if any and a stop bit, rounded up (0 for speed 0).
constexpr qint64 serialByteTimeUs(qint32 baud, Parity parity)
{
    if (baud <= 0)
        return 0;
    const qint64 bits = parity == Parity::None ? 10 : 11;
    return (bits * 1'000'000 + baud - 1) / baud;
}

// Why an open failed; the output channel turns these into the user's
// messages (see OutputChannel::openSerialPort).
enum class OpenResult {
    Ok,
    NotFound,         // no such device
    Busy,             // in use by another program
    PermissionDenied, // the user may not open it (dialout group)
    Failed,           // anything else
};

class SerialLink : public QObject {
    Q_OBJECT
public:
    explicit SerialLink(QObject *parent = nullptr);
    ~SerialLink() override;

    // Opens the device (a path such as /dev/ttyUSB0, or "sim:" for the
    // in-process printer) with 8 data bits and 1 stop bit. An open link
    // is closed first. The DTR and RTS levels last set are applied.
    OpenResult open(const QString &device, qint32 baud, Parity parity);
    void close();
    bool isOpen() const { return doIsOpen(); }
    QString device() const { return device_; }
    // A readable reason for the last failed open or line error.
    QString errorText() const { return errorText_; }

    // Changes speed and parity of the open link (kept for the next open
    // when closed).
    void setLineSettings(qint32 baud, Parity parity);
    qint32 baudRate() const { return baud_; }
    Parity parity() const { return parity_; }

    // DTR and RTS: remembered while closed and applied at open. A device
    // that has no such lines ignores the request.
    void setDtr(bool on);
    void setRts(bool on);
    bool dtr() const { return dtr_; }
    bool rts() const { return rts_; }

    // DSR and CTS as the printer drives them. A closed link has neither;
    // a device without modem lines (three-wire cable, pseudo-terminal)
    // reports both present.
    bool dsr();
    bool cts();

    // Bytes written but not yet on the wire (program buffer plus driver
    // queue); 0 when closed.
    qint64 outputQueueCount() { return isOpen() ? doOutputQueueCount() : 0; }
    // Bytes received and not yet read; 0 when closed.
    qint64 inputCount() { return isOpen() ? doInputCount() : 0; }
    // Reads up to maxBytes of the received bytes (nothing when closed).
    QByteArray read(qint64 maxBytes);
    // Queues the bytes for sending. False when the link is closed or the
    // device refuses them (unplugged); nothing is then sent.
    bool write(const QByteArray &bytes);
    // Drops what is queued for sending / what was received and not read.
    void discardOutput();
    void discardInput();

    // Every byte, line change and open/close goes to the trace when one is
    // set (the link owns it). None by default.
    void setTrace(std::unique_ptr<TrafficTrace> trace);
    TrafficTrace *trace() const { return trace_.get(); }
    // The same traffic in memory, always kept, for the traffic window.
    TrafficLog &trafficLog() { return *log_; }

signals:
    // New bytes are waiting (inputCount() grew).
    void dataReceived();
    // The device is gone or unusable (unplugged, hung up). Emitted once,
    // from the event loop, never from inside a call of this interface.
    void lineError(const QString &reason);

protected:
    virtual OpenResult doOpen(const QString &device, qint32 baud, Parity parity) = 0;
    virtual void doClose() = 0;
    virtual bool doIsOpen() const = 0;
    virtual void doSetLineSettings(qint32 baud, Parity parity) = 0;
    virtual void doSetDtr(bool on) = 0;
    virtual void doSetRts(bool on) = 0;
    virtual bool doDsr() = 0;
    virtual bool doCts() = 0;
    virtual qint64 doOutputQueueCount() = 0;
    virtual qint64 doInputCount() = 0;
    virtual QByteArray doRead(qint64 maxBytes) = 0;
    virtual bool doWrite(const QByteArray &bytes) = 0;
    virtual void doDiscardOutput() = 0;
    virtual void doDiscardInput() = 0;

    void setErrorText(const QString &text) { errorText_ = text; }
    // For implementations: report a vanished device (queued, once per open).
    void reportLineError(const QString &reason);

private:
    void traceLine(const char *name, bool on, int &last);
    // An event line for the memory log and the trace file.
    void logEvent(const QString &text);

    QString device_;
    QString errorText_;
    qint32 baud_ = 9600;
    Parity parity_ = Parity::None;
    bool dtr_ = false;
    bool rts_ = false;
    int lastDsr_ = -1; // last level seen, for the trace
    int lastCts_ = -1;
    bool lineErrorPending_ = false;
    quint64 openGeneration_ = 0;
    std::unique_ptr<TrafficTrace> trace_;
    std::unique_ptr<TrafficLog> log_;
};

// "9600,N,8,1" style text of speed and parity.
QString lineSettingsText(qint32 baud, Parity parity);

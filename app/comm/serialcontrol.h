#pragma once
// The shared serial port as the tools see it: the port number and the
// properties that persist across open and close (settings text, DTR and
// RTS enable, receive threshold, input length), the queue counts, input
// and output. It sits on a SerialLink and resolves the port number to a
// device through the port map.
//
// Received bytes raise received() only while the receive threshold is 1
// or more and at least that many bytes wait; with threshold 0 the bytes
// just wait for whoever reads them.
#include "base/appstate.h"
#include "seriallink.h"

#include <functional>

class SerialControl : public QObject {
    Q_OBJECT
public:
    using PortResolver = std::function<QString(int comPort)>;

    explicit SerialControl(SerialLink &link, QObject *parent = nullptr);

    SerialLink &link() { return link_; }
    // Maps a port number to a device; portmap::devicePath by default.
    void setPortResolver(PortResolver resolver) { resolver_ = std::move(resolver); }

    int commPort() const { return commPort_; }
    void setCommPort(int port) { commPort_ = port; }
    // "9600,N,8,1": applied to an open port at once. False (and nothing
    // changed) for a text that is not speed,parity,8,1.
    bool setSettings(const QString &text);
    QString settings() const { return settings_; }
    void setDtrEnable(bool on);
    bool dtrEnable() const { return dtrEnable_; }
    void setRtsEnable(bool on);
    bool rtsEnable() const { return rtsEnable_; }
    void setRThreshold(int bytes) { rThreshold_ = qMax(0, bytes); }
    int rThreshold() const { return rThreshold_; }
    // Bytes one input() returns at most; 0 means all that wait.
    void setInputLen(int bytes) { inputLen_ = qMax(0, bytes); }
    int inputLen() const { return inputLen_; }

    // The five properties kept as the serial defaults.
    SerialDefaults properties() const;

    // Opens the device of commPort() with the current settings.
    OpenResult open();
    void close() { link_.close(); }
    bool isOpen() const { return link_.isOpen(); }
    // The device the last open used.
    QString device() const { return device_; }

    int inBufferCount() { return int(qMin<qint64>(link_.inputCount(), INT_MAX)); }
    // Microseconds one byte takes at the current settings.
    qint64 byteTimeUs() const { return serialByteTimeUs(link_.baudRate(), link_.parity()); }
    int outBufferCount() { return int(qMin<qint64>(link_.outputQueueCount(), INT_MAX)); }
    // Setting the counts to 0: drop what waits.
    void clearInput() { link_.discardInput(); }
    void clearOutput() { link_.discardOutput(); }
    // Reads inputLen() bytes (all when 0) of what waits.
    QByteArray input();
    // Writes bytes; false when the port is closed or refuses them.
    bool output(const QByteArray &bytes) { return link_.write(bytes); }
    bool dsrHolding() { return link_.dsr(); }
    bool ctsHolding() { return link_.cts(); }

    // Parses "9600,E,8,1" into speed and parity.
    static bool parseSettings(const QString &text, qint32 *baud, Parity *parity);

signals:
    // Data-received event (see the receive threshold above).
    void received();
    // The device went away.
    void lineError(const QString &reason);

private:
    void onData();

    SerialLink &link_;
    PortResolver resolver_;
    QString device_;
    int commPort_ = 1;
    QString settings_ = QStringLiteral("9600,N,8,1");
    bool dtrEnable_ = false;
    bool rtsEnable_ = false;
    int rThreshold_ = 0;
    int inputLen_ = 0;
};

#pragma once
// A real serial device through QSerialPort.
//
// Modem lines are read and set with the terminal ioctls on the open
// descriptor, so that a device without them (a pseudo-terminal, some USB
// adapters) is not an error: DSR and CTS then count as present, as on a
// three-wire cable with looped lines, and DTR/RTS requests are ignored.
// Only a vanished or hung-up device is a line error; the link then closes
// itself and emits lineError().
#include "seriallink.h"

#include <QSerialPort>

class QtSerialLink : public SerialLink {
    Q_OBJECT
public:
    explicit QtSerialLink(QObject *parent = nullptr);
    ~QtSerialLink() override;

    // Bytes Qt keeps of received data before it stops reading the device
    // (the driver then holds or drops the rest, as a full UART buffer).
    static constexpr qint64 kReadBufferSize = 64 * 1024;

protected:
    OpenResult doOpen(const QString &device, qint32 baud, Parity parity) override;
    void doClose() override;
    bool doIsOpen() const override { return port_.isOpen(); }
    void doSetLineSettings(qint32 baud, Parity parity) override;
    void doSetDtr(bool on) override;
    void doSetRts(bool on) override;
    bool doDsr() override;
    bool doCts() override;
    qint64 doOutputQueueCount() override;
    qint64 doInputCount() override { return port_.bytesAvailable(); }
    QByteArray doRead(qint64 maxBytes) override { return port_.read(maxBytes); }
    bool doWrite(const QByteArray &bytes) override;
    void doDiscardOutput() override;
    void doDiscardInput() override;

private:
    // TIOCMGET bits, or -1 when the device has no modem lines.
    int modemBits();
    void setModemBit(int bit, bool on);
    bool hungUp();
    void onError(QSerialPort::SerialPortError error);
    void vanished(const QString &reason);

    QSerialPort port_;
};

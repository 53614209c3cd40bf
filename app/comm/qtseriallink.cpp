#include "qtseriallink.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

QSerialPort::Parity qtParity(Parity p)
{
    switch (p) {
    case Parity::Even:
        return QSerialPort::EvenParity;
    case Parity::Odd:
        return QSerialPort::OddParity;
    case Parity::None:
        break;
    }
    return QSerialPort::NoParity;
}

bool deviceGoneErrno(int e) { return e == EIO || e == ENXIO || e == ENODEV || e == EBADF || e == EPIPE; }

} // namespace

QtSerialLink::QtSerialLink(QObject *parent) : SerialLink(parent)
{
    port_.setReadBufferSize(kReadBufferSize);
    connect(&port_, &QSerialPort::readyRead, this, &SerialLink::dataReceived);
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialLink::onError);
}

QtSerialLink::~QtSerialLink() = default;

OpenResult QtSerialLink::doOpen(const QString &device, qint32 baud, Parity parity)
{
    if (device.isEmpty() || !QFileInfo::exists(device)) {
        setErrorText(QStringLiteral("%1: no such device").arg(device));
        return OpenResult::NotFound;
    }
    port_.setPortName(device);
    port_.setBaudRate(baud);
    port_.setDataBits(QSerialPort::Data8);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setParity(qtParity(parity));
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (port_.open(QIODevice::ReadWrite)) {
        port_.clearError();
        return OpenResult::Ok;
    }
    const QSerialPort::SerialPortError error = port_.error();
    setErrorText(QStringLiteral("%1: %2").arg(device, port_.errorString()));
    port_.clearError();
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return OpenResult::NotFound;
    case QSerialPort::PermissionError:
        // Qt reports a refused open and a device in use the same way.
        if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0 && errno == EACCES)
            return OpenResult::PermissionDenied;
        return OpenResult::Busy;
    default:
        return OpenResult::Failed;
    }
}

void QtSerialLink::doClose()
{
    port_.close();
    port_.clearError();
}

void QtSerialLink::doSetLineSettings(qint32 baud, Parity parity)
{
    port_.setBaudRate(baud);
    port_.setParity(qtParity(parity));
}

int QtSerialLink::modemBits()
{
    int bits = 0;
    if (::ioctl(port_.handle(), TIOCMGET, &bits) != 0)
        return -1;
    return bits;
}

void QtSerialLink::setModemBit(int bit, bool on)
{
    // A device without modem lines answers with an error: not ours to report.
    ::ioctl(port_.handle(), on ? TIOCMBIS : TIOCMBIC, &bit);
}

void QtSerialLink::doSetDtr(bool on) { setModemBit(TIOCM_DTR, on); }

void QtSerialLink::doSetRts(bool on) { setModemBit(TIOCM_RTS, on); }

bool QtSerialLink::doDsr()
{
    const int bits = modemBits();
    return bits < 0 || (bits & TIOCM_DSR);
}

bool QtSerialLink::doCts()
{
    const int bits = modemBits();
    return bits < 0 || (bits & TIOCM_CTS);
}

qint64 QtSerialLink::doOutputQueueCount()
{
    int queued = 0;
    if (::ioctl(port_.handle(), TIOCOUTQ, &queued) != 0)
        queued = 0;
    return port_.bytesToWrite() + qMax(0, queued);
}

bool QtSerialLink::doWrite(const QByteArray &bytes)
{
    // Straight to the driver while Qt holds nothing, so that the byte is on
    // its way at once; what the driver cannot take now Qt writes later.
    qint64 done = 0;
    if (port_.bytesToWrite() == 0) {
        const ssize_t n = ::write(port_.handle(), bytes.constData(), size_t(bytes.size()));
        if (n < 0) {
            const int e = errno;
            if (deviceGoneErrno(e)) {
                vanished(QString::fromLocal8Bit(std::strerror(e)));
                return false;
            }
            if (e != EAGAIN && e != EINTR) {
                setErrorText(QString::fromLocal8Bit(std::strerror(e)));
                return false;
            }
        } else {
            done = n;
        }
    }
    if (done < bytes.size() && port_.write(bytes.constData() + done, bytes.size() - done) < 0) {
        setErrorText(port_.errorString());
        return false;
    }
    return true;
}

void QtSerialLink::doDiscardOutput()
{
    port_.clear(QSerialPort::Output); // Qt's buffer and the driver's
}

void QtSerialLink::doDiscardInput() { port_.clear(QSerialPort::Input); }

bool QtSerialLink::hungUp()
{
    pollfd fd{port_.handle(), POLLIN, 0};
    return ::poll(&fd, 1, 0) == 1 && (fd.revents & (POLLHUP | POLLERR | POLLNVAL));
}

void QtSerialLink::onError(QSerialPort::SerialPortError error)
{
    if (!port_.isOpen())
        return;
    if (error == QSerialPort::ResourceError) {
        // Qt also calls a full driver queue (EAGAIN) a resource error; that
        // is back-pressure, not a lost device.
        if (port_.errorString() == QString::fromLocal8Bit(std::strerror(EAGAIN)) && !hungUp()) {
            port_.clearError();
            return;
        }
        vanished(port_.errorString());
    } else if (error == QSerialPort::ReadError) {
        // A hung-up device (unplugged adapter, closed pseudo-terminal) reads
        // as end of file, which Qt reports as a read error.
        if (hungUp())
            vanished(QStringLiteral("the device hung up"));
        else
            port_.clearError();
    }
}

void QtSerialLink::vanished(const QString &reason)
{
    // Closing at once stops Qt from reporting the same dead descriptor over
    // and over; the owner hears of it through lineError().
    port_.close();
    port_.clearError();
    reportLineError(reason);
}

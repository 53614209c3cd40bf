#include "ptyline.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

qint32 speedValue(speed_t s)
{
    switch (s) {
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    default:
        return 0;
    }
}

QString errnoText() { return QString::fromLocal8Bit(std::strerror(errno)); }

} // namespace

PtyLine::PtyLine(const QString &linkPath, QObject *parent) : QObject(parent), linkPath_(linkPath)
{
    clock_.start();
    idleCheck_.setInterval(kIdleCheckMs);
    connect(&idleCheck_, &QTimer::timeout, this, &PtyLine::checkPresence);
    writeTimer_.setSingleShot(true);
    writeTimer_.setTimerType(Qt::PreciseTimer);
    connect(&writeTimer_, &QTimer::timeout, this, &PtyLine::writeDue);
}

PtyLine::~PtyLine() { close(); }

void PtyLine::setPeer(SerialPeer *peer)
{
    peer_ = peer;
    if (peer_)
        peer_->attached(*this);
}

bool PtyLine::open(QString *error)
{
    struct stat st;
    if (::lstat(QFile::encodeName(linkPath_).constData(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        *error = QStringLiteral("%1 exists and is not a symbolic link; not replaced").arg(linkPath_);
        return false;
    }
    return create(error);
}

bool PtyLine::create(QString *error)
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        *error = QStringLiteral("no pseudo-terminal: ") + errnoText();
        destroy();
        return false;
    }
    device_ = QString::fromLocal8Bit(::ptsname(master_));
    // Raw, so that a program that does not set the line up itself sees the
    // bytes unchanged.
    termios tio;
    if (::tcgetattr(master_, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetspeed(&tio, B9600);
        ::tcsetattr(master_, TCSANOW, &tio);
    }
    // Opened and closed once, the program's side shows a hang-up at the
    // master until the program opens it: that is how we see it come.
    const int side = ::open(QFile::encodeName(device_).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (side >= 0)
        ::close(side);

    const QByteArray link = QFile::encodeName(linkPath_);
    const QByteArray temp = link + ".new" + QByteArray::number(::getpid());
    ::unlink(temp.constData());
    if (::symlink(QFile::encodeName(device_).constData(), temp.constData()) != 0 ||
        ::rename(temp.constData(), link.constData()) != 0) {
        *error = QStringLiteral("cannot link %1: ").arg(linkPath_) + errnoText();
        ::unlink(temp.constData());
        destroy();
        return false;
    }
    linked_ = true;
    readable_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    connect(readable_.get(), &QSocketNotifier::activated, this, &PtyLine::onReadable);
    readable_->setEnabled(false);
    present_ = false;
    idleCheck_.start();
    emit note(QStringLiteral("line at %1 -> %2").arg(linkPath_, device_));
    return true;
}

void PtyLine::destroy()
{
    idleCheck_.stop();
    writeTimer_.stop();
    pending_.clear();
    readable_.reset();
    if (linked_) {
        // Only our own link: another emulator may have taken the path since.
        const QByteArray link = QFile::encodeName(linkPath_);
        char target[4096];
        const ssize_t n = ::readlink(link.constData(), target, sizeof target - 1);
        if (n > 0 && QByteArray(target, n) == QFile::encodeName(device_))
            ::unlink(link.constData());
        linked_ = false;
    }
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

void PtyLine::close()
{
    setPresent(false);
    destroy();
}

void PtyLine::onReadable()
{
    QByteArray got;
    bool hungUp = false;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n > 0) {
            got.append(buf, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        hungUp = n == 0 || errno != EAGAIN;
        break;
    }
    if (!got.isEmpty() && peer_)
        peer_->bytesFromHost(got);
    if (hungUp)
        setPresent(false);
}

bool PtyLine::programOnLine() const
{
    if (master_ < 0)
        return false;
    pollfd p{master_, POLLIN, 0};
    return ::poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP);
}

void PtyLine::checkPresence()
{
    if (programOnLine())
        setPresent(true);
}

void PtyLine::setPresent(bool present)
{
    if (present == present_)
        return;
    present_ = present;
    if (present) {
        idleCheck_.stop();
        if (readable_)
            readable_->setEnabled(true);
        if (peer_)
            peer_->hostOpened();
        return;
    }
    if (readable_)
        readable_->setEnabled(false);
    pending_.clear();
    writeTimer_.stop();
    if (master_ >= 0)
        idleCheck_.start();
    if (peer_)
        peer_->hostClosed();
}

void PtyLine::sendToHost(const QByteArray &bytes, int delayMs)
{
    if (bytes.isEmpty())
        return;
    // Opened since the last look?
    if (!present_)
        checkPresence();
    if (!present_) {
        emit note(QStringLiteral("nobody on the line: %1 bytes dropped").arg(bytes.size()));
        return;
    }
    qint64 due = clock_.elapsed() + qMax(0, delayMs);
    if (!pending_.empty())
        due = qMax(due, pending_.back().due);
    pending_.push_back({due, bytes});
    scheduleNext();
}

void PtyLine::scheduleNext()
{
    if (pending_.empty())
        return;
    writeTimer_.start(int(qMax<qint64>(0, pending_.front().due - clock_.elapsed())));
}

void PtyLine::writeDue()
{
    const qint64 now = clock_.elapsed();
    while (!pending_.empty() && pending_.front().due <= now && master_ >= 0) {
        QByteArray &bytes = pending_.front().bytes;
        const ssize_t n = ::write(master_, bytes.constData(), size_t(bytes.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            // The program is not reading: try again shortly.
            writeTimer_.start(10);
            return;
        }
        if (n < 0) {
            pending_.clear();
            setPresent(false);
            return;
        }
        bytes.remove(0, n);
        if (bytes.isEmpty())
            pending_.pop_front();
    }
    scheduleNext();
}

void PtyLine::dropLine()
{
    if (master_ < 0)
        return;
    emit note(QStringLiteral("cable pulled: %1 removed").arg(linkPath_));
    setPresent(false);
    destroy();
}

void PtyLine::reconnect()
{
    if (master_ >= 0)
        return;
    QString error;
    if (!create(&error))
        emit note(error);
}

qint32 PtyLine::hostBaud() const
{
    termios tio;
    if (master_ < 0 || ::tcgetattr(master_, &tio) != 0)
        return 0;
    return speedValue(::cfgetospeed(&tio));
}

Parity PtyLine::hostParity() const
{
    termios tio;
    if (master_ < 0 || ::tcgetattr(master_, &tio) != 0 || !(tio.c_cflag & PARENB))
        return Parity::None;
    return (tio.c_cflag & PARODD) ? Parity::Odd : Parity::Even;
}

} // namespace sim

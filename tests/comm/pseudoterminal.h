#pragma once
// A pseudo-terminal pair: the program opens the slave path as its serial
// device, the test plays the printer on the master descriptor.
#include <QByteArray>
#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

class PseudoTerminal {
public:
    PseudoTerminal()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master_ >= 0 && (::grantpt(master_) != 0 || ::unlockpt(master_) != 0)) {
            ::close(master_);
            master_ = -1;
        }
        if (master_ >= 0)
            slave_ = QString::fromLocal8Bit(::ptsname(master_));
    }
    ~PseudoTerminal() { closeMaster(); }
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool ok() const { return master_ >= 0; }
    int master() const { return master_; }
    QString slavePath() const { return slave_; }

    // Everything the program has written so far (non-blocking).
    QByteArray readAvailable()
    {
        QByteArray out;
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0)
                break;
            out.append(buf, n);
        }
        return out;
    }
    bool write(const QByteArray &bytes)
    {
        return ::write(master_, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
    void closeMaster()
    {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    QString slave_;
};

#pragma once
// The line of zentrix-printer-sim: a pseudo-terminal whose program side is
// reachable at a fixed path (a symbolic link), so the workbench opens it
// like a serial device (ZENTRIX_COM1=PATH). The emulated printer sits on
// the master side.
//
// A pseudo-terminal has no modem lines: the program sees DSR and CTS
// present whatever the printer does. Pulling the cable closes the master
// (the program sees a hang-up) and removes the link until reconnect(),
// which makes a fresh pseudo-terminal at the same path.
//
// Whether the program has the port open is seen from the hang-up state
// of the master; while nobody listens, the line is re-checked every
// kIdleCheckMs and bytes for the program are dropped, as on a wire.
#include "comm/serialpeer.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <deque>
#include <memory>

namespace sim {

class PtyLine : public QObject, public PeerPort {
    Q_OBJECT
public:
    explicit PtyLine(const QString &linkPath, QObject *parent = nullptr);
    ~PtyLine() override;

    static constexpr int kIdleCheckMs = 100;

    // Creates the pseudo-terminal (raw mode) and the link. A link already
    // at the path is replaced when it is a symbolic link, else refused.
    bool open(QString *error);
    // Removes the link and closes the pseudo-terminal.
    void close();
    QString linkPath() const { return linkPath_; }
    QString devicePath() const { return device_; }

    // The printer on the line (not owned).
    void setPeer(SerialPeer *peer);

    // PeerPort
    void sendToHost(const QByteArray &bytes, int delayMs = 0) override;
    void setDsr(bool) override {}
    void setCts(bool) override {}
    void dropLine() override;
    void reconnect() override;
    bool hostOpen() const override { return present_ || programOnLine(); }
    bool hostDtr() const override { return present_; }
    bool hostRts() const override { return present_; }
    qint32 hostBaud() const override;
    Parity hostParity() const override;

signals:
    // A line for the log (open, close, dropped bytes).
    void note(const QString &text);

private:
    struct Pending {
        qint64 due;
        QByteArray bytes;
    };
    bool create(QString *error);
    void destroy();
    void onReadable();
    void checkPresence();
    // The master shows no hang-up: the program has its side open.
    bool programOnLine() const;
    void setPresent(bool present);
    void writeDue();
    void scheduleNext();

    QString linkPath_;
    QString device_;
    int master_ = -1;
    std::unique_ptr<QSocketNotifier> readable_;
    QTimer idleCheck_;
    QTimer writeTimer_;
    QElapsedTimer clock_;
    std::deque<Pending> pending_;
    SerialPeer *peer_ = nullptr;
    bool present_ = false;
    bool linked_ = false;
};

} // namespace sim

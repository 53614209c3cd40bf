#pragma once
// The two ends of an in-process serial line. The program's end is a
// SimSerialLink; the other end is a SerialPeer, such as an emulated
// printer or a test script.
//
// A peer is plugged in with SimSerialLink::setPeer() (tests) or through the
// port map: MappedSerialLink::setPeerFactory() creates the peer for a port
// mapped to "sim:" or "sim:persona".
#include "seriallink.h"

#include <QByteArray>

// What a peer can do to the line.
class PeerPort {
public:
    virtual ~PeerPort() = default;
    // Bytes for the program; they arrive after delayMs (0: at the next
    // turn of the event loop), in the order they were sent. Bytes that
    // arrive while the program's port is closed are lost, as on a wire.
    virtual void sendToHost(const QByteArray &bytes, int delayMs = 0) = 0;
    // The printer's modem lines as the program sees them.
    virtual void setDsr(bool on) = 0;
    virtual void setCts(bool on) = 0;
    // The cable is pulled: the program sees a line error and cannot open
    // the port again until reconnect().
    virtual void dropLine() = 0;
    virtual void reconnect() = 0;
    // The program's side of the line.
    virtual bool hostOpen() const = 0;
    virtual bool hostDtr() const = 0;
    virtual bool hostRts() const = 0;
    virtual qint32 hostBaud() const = 0;
    virtual Parity hostParity() const = 0;
};

// The far end: an emulated printer or a test script.
class SerialPeer {
public:
    virtual ~SerialPeer() = default;
    // Called once when the peer is plugged in; the port stays valid for
    // the peer's lifetime.
    virtual void attached(PeerPort &port) { port_ = &port; }
    // Bytes as the program wrote them, in order, once they leave the
    // program's output queue.
    virtual void bytesFromHost(const QByteArray &bytes) = 0;
    virtual void hostOpened() {}
    virtual void hostClosed() {}
    // DTR or RTS changed.
    virtual void hostLinesChanged() {}

protected:
    PeerPort *port() const { return port_; }

private:
    PeerPort *port_ = nullptr;
};

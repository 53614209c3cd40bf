#pragma once
// The receive side of the shared serial port. On every data-received event
// it runs the framing of the current tool state (see receiveframing.h) on
// the channel's ReceiveState, stopping the timeout timer while it works and
// restarting it while a timed frame is incomplete, so that a reply wait
// measures the silence since the last bytes. Bytes that arrive after the
// timeout are kept but not framed.
//
// A line error (the device vanished) closes the port, restores the serial
// defaults and opens it again with the user's settings; a reply in progress
// is lost and its wait ends by timeout. If the device is still gone the
// reopen tells the user.
#include "receiveframing.h"

#include <QObject>

#include <functional>

class OutputChannel;
struct AppState;

class Receiver : public QObject {
    Q_OBJECT
public:
    Receiver(AppState &state, OutputChannel &channel, QObject *parent = nullptr);

    // Fingerprint template reception (state 913): told the number of bytes
    // received minus one after each chunk, for the progress bar.
    void setBlockProgress(std::function<void(int)> progress) { blockProgress_ = std::move(progress); }

    // What a data-received event does; connected to the serial control.
    void handleReceived();
    // What a line error does.
    void handleLineError();

signals:
    // A framing ran on new bytes (monitor windows may repaint).
    void bytesFramed();

private:
    QByteArray takeWaiting();

    AppState &app_;
    OutputChannel &channel_;
    std::function<void(int)> blockProgress_;
    bool recovering_ = false;
};

#include "receiver.h"

#include "base/appstate.h"
#include "outputchannel.h"

Receiver::Receiver(AppState &state, OutputChannel &channel, QObject *parent)
    : QObject(parent), app_(state), channel_(channel)
{
    connect(&channel_.serial(), &SerialControl::received, this, &Receiver::handleReceived);
    connect(&channel_.serial(), &SerialControl::lineError, this, &Receiver::handleLineError);
}

QByteArray Receiver::takeWaiting()
{
    SerialControl &serial = channel_.serial();
    serial.setInputLen(serial.inBufferCount());
    return serial.input();
}

void Receiver::handleReceived()
{
    ReceiveState &rx = channel_.rx();
    const qint16 state = app_.toolState;
    const framing::Kind kind = framing::kindFor(state);
    switch (kind) {
    case framing::Kind::LeaveAlone:
        return;
    case framing::Kind::TesterWindow:
        channel_.appendReceived();
        emit bytesFramed();
        return;
    case framing::Kind::EtxBlock:
        framing::etxBlock(rx, takeWaiting());
        if (blockProgress_)
            blockProgress_(int(rx.block.size()) - 1);
        emit bytesFramed();
        return;
    default:
        break;
    }

    const bool timed = framing::isTimed(kind);
    if (timed)
        channel_.stopTimeout();
    framing::append(rx, takeWaiting());
    if (timed && channel_.state().timeoutElapsed)
        return;
    framing::run(rx, kind, state);
    if (timed && !framing::isComplete(rx, kind))
        channel_.resumeTimeout();
    emit bytesFramed();
}

void Receiver::handleLineError()
{
    // The reopen may show a message box whose event loop could deliver
    // another error; one recovery at a time.
    if (recovering_)
        return;
    recovering_ = true;
    channel_.serial().close();
    channel_.restoreSerialDefaults();
    channel_.openSerialPort();
    recovering_ = false;
}

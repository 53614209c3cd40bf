#include "simseriallink.h"

SimSerialLink::SimSerialLink(QObject *parent) : SerialLink(parent)
{
    clock_.start();
    deliverTimer_.setSingleShot(true);
    deliverTimer_.setTimerType(Qt::PreciseTimer);
    connect(&deliverTimer_, &QTimer::timeout, this, &SimSerialLink::deliverDue);
}

SimSerialLink::~SimSerialLink() = default;

void SimSerialLink::setPeer(std::unique_ptr<SerialPeer> peer)
{
    peer_ = std::move(peer);
    if (peer_)
        peer_->attached(*this);
}

OpenResult SimSerialLink::doOpen(const QString &, qint32, Parity)
{
    if (dropped_) {
        setErrorText(QStringLiteral("the line is disconnected"));
        return OpenResult::NotFound;
    }
    if (openResult_ != OpenResult::Ok) {
        setErrorText(QStringLiteral("open refused by the test"));
        return openResult_;
    }
    open_ = true;
    ++opens_;
    if (peer_)
        peer_->hostOpened();
    return OpenResult::Ok;
}

void SimSerialLink::doClose()
{
    open_ = false;
    input_.clear();
    held_.clear();
    if (peer_)
        peer_->hostClosed();
}

void SimSerialLink::doSetDtr(bool)
{
    if (peer_)
        peer_->hostLinesChanged();
}

void SimSerialLink::doSetRts(bool)
{
    if (peer_)
        peer_->hostLinesChanged();
}

QByteArray SimSerialLink::doRead(qint64 maxBytes)
{
    const QByteArray out = input_.left(maxBytes);
    input_.remove(0, out.size());
    return out;
}

bool SimSerialLink::doWrite(const QByteArray &bytes)
{
    if (dropped_) {
        setErrorText(QStringLiteral("the line is disconnected"));
        return false;
    }
    if (hold_) {
        held_ += bytes;
        return true;
    }
    if (drainAtLineRate_) {
        const qint64 nowUs = clock_.nsecsElapsed() / 1000;
        wireFreeUs_ = qMax(wireFreeUs_, nowUs) + bytes.size() * serialByteTimeUs(baudRate(), parity());
    }
    toPeer(bytes);
    return true;
}

qint64 SimSerialLink::doOutputQueueCount()
{
    qint64 onWire = 0;
    const qint64 byteUs = serialByteTimeUs(baudRate(), parity());
    if (drainAtLineRate_ && byteUs > 0) {
        const qint64 leftUs = wireFreeUs_ - clock_.nsecsElapsed() / 1000;
        onWire = leftUs > 0 ? (leftUs + byteUs - 1) / byteUs : 0;
    }
    return held_.size() + onWire;
}

void SimSerialLink::doDiscardOutput()
{
    held_.clear();
    wireFreeUs_ = 0;
}

void SimSerialLink::toPeer(const QByteArray &bytes)
{
    written_ += bytes;
    if (peer_)
        peer_->bytesFromHost(bytes);
}

void SimSerialLink::holdOutput(bool hold)
{
    hold_ = hold;
    if (!hold && !held_.isEmpty()) {
        const QByteArray bytes = held_;
        held_.clear();
        toPeer(bytes);
    }
}

void SimSerialLink::sendToHost(const QByteArray &bytes, int delayMs)
{
    const QByteArray out = filter_ ? filter_(bytes) : bytes;
    if (out.isEmpty())
        return;
    qint64 due = clock_.elapsed() + qMax(0, delayMs) + qMax(0, replyDelay_);
    // Keep the order of arrival whatever the delays.
    if (!pending_.empty())
        due = qMax(due, pending_.back().due);
    pending_.push_back({due, out});
    scheduleNext();
}

void SimSerialLink::scheduleNext()
{
    if (pending_.empty()) {
        deliverTimer_.stop();
        return;
    }
    const qint64 wait = qMax<qint64>(0, pending_.front().due - clock_.elapsed());
    deliverTimer_.start(int(wait));
}

void SimSerialLink::deliverDue()
{
    bool arrived = false;
    const qint64 now = clock_.elapsed();
    while (!pending_.empty() && pending_.front().due <= now) {
        if (open_ && !dropped_) {
            input_ += pending_.front().bytes;
            arrived = true;
        }
        pending_.pop_front();
    }
    scheduleNext();
    if (arrived)
        emit dataReceived();
}

void SimSerialLink::dropLine()
{
    dropped_ = true;
    if (!open_)
        return;
    open_ = false;
    input_.clear();
    held_.clear();
    reportLineError(QStringLiteral("the line is disconnected"));
    if (peer_)
        peer_->hostClosed();
}

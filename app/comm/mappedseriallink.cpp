#include "mappedseriallink.h"

#include "portmap.h"
#include "qtseriallink.h"
#include "simseriallink.h"

MappedSerialLink::MappedSerialLink(QObject *parent) : SerialLink(parent) {}

MappedSerialLink::~MappedSerialLink() = default;

SimSerialLink *MappedSerialLink::simLink() const { return sim_; }

bool MappedSerialLink::isSimulated() const { return active_ && active_ == sim_; }

void MappedSerialLink::adopt(SerialLink *link)
{
    connect(link, &SerialLink::dataReceived, this, [this, link] {
        if (link == active_)
            emit dataReceived();
    });
    connect(link, &SerialLink::lineError, this, [this, link](const QString &reason) {
        if (link == active_)
            reportLineError(reason);
    });
}

OpenResult MappedSerialLink::doOpen(const QString &device, qint32 baud, Parity parity)
{
    SerialLink *link = nullptr;
    if (portmap::isSim(device)) {
        QString persona = portmap::simPersona(device);
        if (persona.isEmpty() && defaultPersona_)
            persona = defaultPersona_();
        // The emulated printer keeps what it holds across reopens of the
        // same persona.
        std::unique_ptr<SimSerialLink> &slot = sims_[persona];
        if (!slot) {
            slot = std::make_unique<SimSerialLink>();
            adopt(slot.get());
            if (factory_)
                slot->setPeer(factory_(persona));
        }
        sim_ = slot.get();
        persona_ = persona;
        link = sim_;
    } else {
        if (!device_) {
            device_ = std::make_unique<QtSerialLink>();
            adopt(device_.get());
        }
        link = device_.get();
    }
    active_ = link;
    link->setDtr(dtr());
    link->setRts(rts());
    const OpenResult result = link->open(device, baud, parity);
    if (result != OpenResult::Ok)
        setErrorText(link->errorText());
    return result;
}

void MappedSerialLink::doClose()
{
    if (active_)
        active_->close();
}

bool MappedSerialLink::doIsOpen() const { return active_ && active_->isOpen(); }

void MappedSerialLink::doSetLineSettings(qint32 baud, Parity parity)
{
    if (active_)
        active_->setLineSettings(baud, parity);
}

void MappedSerialLink::doSetDtr(bool on)
{
    if (active_)
        active_->setDtr(on);
}

void MappedSerialLink::doSetRts(bool on)
{
    if (active_)
        active_->setRts(on);
}

bool MappedSerialLink::doDsr() { return active_ && active_->dsr(); }

bool MappedSerialLink::doCts() { return active_ && active_->cts(); }

qint64 MappedSerialLink::doOutputQueueCount() { return active_ ? active_->outputQueueCount() : 0; }

qint64 MappedSerialLink::doInputCount() { return active_ ? active_->inputCount() : 0; }

QByteArray MappedSerialLink::doRead(qint64 maxBytes) { return active_ ? active_->read(maxBytes) : QByteArray(); }

bool MappedSerialLink::doWrite(const QByteArray &bytes)
{
    if (!active_)
        return false;
    const bool ok = active_->write(bytes);
    if (!ok)
        setErrorText(active_->errorText());
    return ok;
}

void MappedSerialLink::doDiscardOutput()
{
    if (active_)
        active_->discardOutput();
}

void MappedSerialLink::doDiscardInput()
{
    if (active_)
        active_->discardInput();
}

#include "serialcontrol.h"

#include "portmap.h"

#include <climits>

SerialControl::SerialControl(SerialLink &link, QObject *parent)
    : QObject(parent), link_(link), resolver_(&portmap::devicePath)
{
    link_.setDtr(dtrEnable_);
    link_.setRts(rtsEnable_);
    connect(&link_, &SerialLink::dataReceived, this, &SerialControl::onData);
    connect(&link_, &SerialLink::lineError, this, &SerialControl::lineError);
}

bool SerialControl::parseSettings(const QString &text, qint32 *baud, Parity *parity)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4 || parts[2].trimmed() != QLatin1String("8") || parts[3].trimmed() != QLatin1String("1"))
        return false;
    bool ok = false;
    const int speed = parts[0].trimmed().toInt(&ok);
    if (!ok || speed <= 0)
        return false;
    const QString p = parts[1].trimmed().toUpper();
    Parity par;
    if (p == QLatin1String("N"))
        par = Parity::None;
    else if (p == QLatin1String("E"))
        par = Parity::Even;
    else if (p == QLatin1String("O"))
        par = Parity::Odd;
    else
        return false;
    *baud = speed;
    *parity = par;
    return true;
}

bool SerialControl::setSettings(const QString &text)
{
    qint32 baud;
    Parity parity;
    if (!parseSettings(text, &baud, &parity))
        return false;
    settings_ = text;
    link_.setLineSettings(baud, parity);
    return true;
}

void SerialControl::setDtrEnable(bool on)
{
    dtrEnable_ = on;
    link_.setDtr(on);
}

void SerialControl::setRtsEnable(bool on)
{
    rtsEnable_ = on;
    link_.setRts(on);
}

SerialDefaults SerialControl::properties() const
{
    SerialDefaults d;
    d.settings = settings_;
    d.dtrEnable = dtrEnable_;
    d.rtsEnable = rtsEnable_;
    d.rThreshold = rThreshold_;
    d.inputLen = inputLen_;
    return d;
}

OpenResult SerialControl::open()
{
    qint32 baud = 9600;
    Parity parity = Parity::None;
    parseSettings(settings_, &baud, &parity);
    device_ = resolver_ ? resolver_(commPort_) : portmap::devicePath(commPort_);
    return link_.open(device_, baud, parity);
}

QByteArray SerialControl::input()
{
    const qint64 waiting = link_.inputCount();
    return link_.read(inputLen_ > 0 ? qMin<qint64>(inputLen_, waiting) : waiting);
}

void SerialControl::onData()
{
    if (rThreshold_ > 0 && link_.inputCount() >= rThreshold_)
        emit received();
}

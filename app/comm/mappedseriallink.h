#pragma once
// The program's serial link: a real device through QtSerialLink, or the
// in-process printer emulator when the port map names "sim:" or
// "sim:persona". The emulator is plugged in through a factory:
//
//   link->setPeerFactory([](const QString &persona) {
//       return std::make_unique<MessagePrinter>(); // a SerialPeer
//   });
//
// Without a factory a "sim:" port opens as a line with no printer on it
// (DSR and CTS present, nothing answers). A plain "sim:" asks the default
// persona (when set) which printer to put there, e.g. the one that fits
// the open tool. Each persona's printer lives as long as the link, so it
// keeps what it holds across reopens and tool changes.
#include "seriallink.h"

#include <functional>
#include <map>
#include <memory>

class QtSerialLink;
class SerialPeer;
class SimSerialLink;

class MappedSerialLink : public SerialLink {
    Q_OBJECT
public:
    using PeerFactory = std::function<std::unique_ptr<SerialPeer>(const QString &persona)>;

    explicit MappedSerialLink(QObject *parent = nullptr);
    ~MappedSerialLink() override;

    void setPeerFactory(PeerFactory factory) { factory_ = std::move(factory); }
    void setDefaultPersona(std::function<QString()> persona) { defaultPersona_ = std::move(persona); }

    // True while the open port is the emulator; the emulator's line of the
    // last "sim:" open (for demo controls), or nullptr before the first.
    bool isSimulated() const;
    SimSerialLink *simLink() const;
    QString persona() const { return persona_; }

protected:
    OpenResult doOpen(const QString &device, qint32 baud, Parity parity) override;
    void doClose() override;
    bool doIsOpen() const override;
    void doSetLineSettings(qint32 baud, Parity parity) override;
    void doSetDtr(bool on) override;
    void doSetRts(bool on) override;
    bool doDsr() override;
    bool doCts() override;
    qint64 doOutputQueueCount() override;
    qint64 doInputCount() override;
    QByteArray doRead(qint64 maxBytes) override;
    bool doWrite(const QByteArray &bytes) override;
    void doDiscardOutput() override;
    void doDiscardInput() override;

private:
    void adopt(SerialLink *link);

    PeerFactory factory_;
    std::function<QString()> defaultPersona_;
    std::unique_ptr<QtSerialLink> device_;
    std::map<QString, std::unique_ptr<SimSerialLink>> sims_;
    SimSerialLink *sim_ = nullptr;
    SerialLink *active_ = nullptr;
    QString persona_;
};

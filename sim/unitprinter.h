#pragma once
// The unit-setting printer, as a VUX-350Q (eight channels) or a UX-350Q
// (two channels and an indicator). It holds every item of every channel
// and answers the program's frames:
//
//   read      D L K M N O  + channel digit       -> 13 letter c value 00, then
//                                                   waits for 13 ack c "0" 00
//   register  B G F H I J  + channel digit value -> 13 ack c "0" 00 ("1": refused)
//   test print  C                                -> 13 63 00 after printing
//   reset       A                                -> 13 61 00, totals zero
//
// with ack the lower-case register letter (b g f h i j). It also reports
// its status records, among them "A", the data it printed.
#include "statusprinter.h"

#include <QTimer>

#include <array>
#include <functional>
#include <optional>

namespace sim {

class UnitPrinter : public StatusPrinter {
    Q_OBJECT
public:
    enum class Model { Vux, Ux };

    // One channel's items as the printer keeps them, in wire form.
    struct Channel {
        QByteArray name = QByteArray(7, ' '); // VUX
        char decimalPoint = '0';              // VUX "0".."5", UX "0".."9", "A"
        QByteArray unit = QByteArray(5, ' '); // VUX every channel, UX CH.1
        QByteArray rate = "01";               // VUX
        QByteArray compare = "000000";        // VUX CH.1, CH.2
        char indicator = '0';                 // UX CH.1
    };

    explicit UnitPrinter(QObject *parent = nullptr);

    void setModel(Model model);
    // Settings a demo shows when they are read.
    void loadSamples();
    Model model() const { return model_; }
    int channelCount() const { return model_ == Model::Vux ? 8 : 2; }
    // Channel 1..channelCount().
    Channel &channel(int c) { return channels_[size_t(qBound(1, c, 8) - 1)]; }
    const Channel &channel(int c) const { return channels_[size_t(qBound(1, c, 8) - 1)]; }

    int testPrints() const { return testPrints_; }
    int resets() const { return resets_; }
    // A read answered and not yet acknowledged: its channel (0: none).
    int awaitingAck() const { return awaiting_.channel; }
    // How long a data frame waits for its acknowledge.
    void setAckWaitMs(int ms) { ackWaitMs_ = ms; }
    void setPrintMs(int ms) { printMs_ = ms; }

    // Test control: every answer passes through it first; nothing keeps
    // the printer silent.
    std::function<std::optional<QByteArray>(const QByteArray &answer)> answerFilter;

protected:
    // "A" carries printed values, each ended by CR, after a leading CR.
    QByteArray scheduledData(char code) override;
    QString describe(const QByteArray &frame, bool fromProgram) const override;
    void beforeCommand(const Command &command) override;
    void reset() override;

private:
    struct Pending {
        char ack = 0;
        int channel = 0;
    };

    // The channel digit of a frame's body, or 0 when it is not one this
    // model has for the item.
    int channelOf(const Command &c, char item) const;
    bool holds(char item, int channel) const;
    void readItem(const Command &c);
    void registerItem(const Command &c);
    void acknowledge(const Command &c);
    void testPrint(const Command &c);
    void resetTotals(const Command &c);
    void send(const QByteArray &frame, int workMs = 0);
    void abandonRead(const QString &why);

    Model model_ = Model::Vux;
    std::array<Channel, 8> channels_;
    Pending awaiting_;
    QTimer ackTimer_;
    int ackWaitMs_ = 10000;
    int printMs_ = 0;
    int testPrints_ = 0;
    int resets_ = 0;
    int round_ = 0;
};

} // namespace sim

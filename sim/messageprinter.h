#pragma once
// The message printer: holds the fixed messages 1-255 and answers the
// message tool's commands. Frames: DC3, a letter, the message number byte
// (absent in the all-message commands), the text (register only), NUL; the
// answer carries the same letter in lower case.
//
//   from the program          answer
//   13 42 n text 00 register  13 62 n 30 00 (31 instead of 30: refused)
//   13 41 n 00      delete    13 61 n 00
//   13 41 00        clear all 13 61 00
//   13 43 n 00      print n   13 63 n 00, once printed
//   13 43 00        print all 13 63 00, once all are printed
//   13 44 00        read all  13 64 n text 00 for each message held, in
//                             number order, each after the program's
//                             acknowledge 13 62 n 30 00 of the one before;
//                             then 13 64 00
//
// Anything else is logged and not answered.
#include "dc3printer.h"

#include <QList>
#include <QMap>
#include <QTimer>

namespace sim {

class MessagePrinter : public Dc3Printer {
    Q_OBJECT
public:
    explicit MessagePrinter(QObject *parent = nullptr);

    // The longest text the printer keeps; a longer one is refused. As much
    // as a message file record holds (510 bytes with the 0xFF end mark), so
    // each message frame it reads back fits the 513 bytes the program keeps.
    static constexpr int kMaxTextBytes = 509;

    // What it holds, by number (CP932 bytes as received).
    QMap<int, QByteArray> messages() const { return messages_; }
    void setMessage(int number, const QByteArray &text);
    void clearMessages() { messages_.clear(); }
    // A few messages to read back in a demonstration.
    void loadSamples();

    // Time to print one message (0: instant); print-all takes it per
    // message held.
    void setPrintMs(int ms) { printMs_ = qMax(0, ms); }
    // How long a read-all waits for the program's acknowledge before it
    // gives up.
    void setAckWaitMs(int ms) { ackWaitMs_ = qMax(1, ms); }

    struct Printout {
        int number;
        QByteArray text;
    };
    // Everything printed so far, in order.
    QList<Printout> printed() const { return printed_; }
    bool reading() const { return readQueue_.size() > 0 || awaitingAck_ > 0; }

    // The meaning of a message-printer frame, for logs.
    static QString meaning(const QByteArray &frame, bool fromProgram);

protected:
    QString describe(const QByteArray &frame, bool fromProgram) const override { return meaning(frame, fromProgram); }
    void beforeCommand(const Command &command) override;
    void reset() override;

private:
    void registerMessage(const Command &c);
    void deleteMessages(const Command &c);
    void printMessages(const Command &c);
    void readAll(const Command &c);
    void acknowledge(const Command &c);
    void sendNextMessage();
    void abandonRead(const QString &why);
    void print(int number);

    QMap<int, QByteArray> messages_;
    QList<Printout> printed_;
    int printMs_ = 0;
    int ackWaitMs_ = 5000;
    // Read-all in progress: the numbers still to send and the one whose
    // acknowledge is awaited (0: none).
    QList<int> readQueue_;
    int awaitingAck_ = 0;
    QTimer ackTimer_;
};

} // namespace sim

#pragma once
// The four sample slips of the ticket test: fixed print jobs of the
// printer's own command set, each with the recognised user's ID, the date
// and time and a running slip number, sent as one string on the serial
// line. The printer prints the last line sent at the top of the torn-off
// slip, so every job sends its title last.
#include <QByteArray>
#include <QDateTime>
#include <QString>

class OutputChannel;

namespace sampleslips {

enum class Kind { Reception, Weighing, RoomEntry, Radiation };

// 2 weighing, 3 room entry, 4 radiation control, anything else reception.
Kind kindOf(int choice);
// The number box of the ticket-test dialog: a box that holds no number
// gives the reception slip.
int choiceFromText(const QString &boxText);

// The job for slip number `number`; id is the 7 ID characters.
QByteArray build(Kind kind, int number, const QByteArray &id, const QDateTime &now);

// The number fields: "0000" format, and the number followed by two spaces
// when it has one or two digits, by one otherwise.
QByteArray count4(int number);
QByteArray countPad(int number);

} // namespace sampleslips

// The slip counter of the program run (the first slip carries 1) and the
// slips built and sent with it.
class SampleSlips {
public:
    // The counter is a 16-bit signed number on the slips; after the last
    // one it starts again at 1 instead of running over into negative
    // numbers.
    static constexpr int kLastNumber = 32767;

    // lastNumber: the number the previous slip carried.
    explicit SampleSlips(int lastNumber = 0) : counter_(lastNumber) {}

    int lastNumber() const { return counter_; }

    // Counts the slip, then builds it. markerAndId is the finger message's
    // marker and 7 ID bytes.
    QByteArray next(int choice, const QByteArray &markerAndId, const QDateTime &now);

    // The next slip for now: port opened if closed, both queues emptied,
    // DTR on, the slip put into the output string and sent. Nothing is read
    // back; false when the send did not go through.
    bool print(OutputChannel &channel, int choice, const QByteArray &markerAndId);

private:
    int counter_;
};

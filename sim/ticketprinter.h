#pragma once
// The ticket printer, "K-07" or "K-2200TQ". Besides its status records it
// answers the settings of the ticket tool. "K-07" takes a content number as
// one raw byte and brackets each operation with DC3 "Z1" NUL and DC3 "Z0"
// NUL (not answered); "K-2200TQ" takes one ASCII digit.
//
//   from the program           answer ("K-07" / "K-2200TQ")
//   13 41 n 00     delete n    13 61 n' 00
//   13 43 n 00     issue test  13 63 n 30 00 / 13 63 n' 00
//   13 46 dddd 00  start no.   13 66 dddd 00
//   13 47 dddd 00  next no.    13 67 dddd 00
//   13 49 n 00     to issue    13 69 n 30 00 / 13 69 n' 00
//   13 48 0|1 00   enable      13 68 0|1 00
//   13 42 n  (02 1C 65 A B line)... 03
//                  register    13 62 n' 30 00
//   13 44 n 00     read        (02 1C 65 A B line)... 03, or 02 03 when n
//                              holds nothing
//   13 64 n 30 00  the program's acknowledge of a read (not answered)
//
// n' is the raw byte on "K-07" and 0x30 + n on "K-2200TQ". A number out of
// the model's range (1-99, 1-4) is not answered. The register block has
// no NUL: it runs from DC3 "B" n to the ETX, and its lines may hold DC3
// and NUL (the number, barcode and clock commands). Each model keeps its
// own contents; a read sends the lines back in the order they came.
#include "statusprinter.h"

#include <QMap>
#include <QStringList>

#include <array>

namespace sim {

class TicketPrinter : public StatusPrinter {
    Q_OBJECT
public:
    enum class Model { K07, K2200TQ };

    explicit TicketPrinter(QObject *parent = nullptr);

    void setModel(Model model) { model_ = model; }
    Model model() const { return model_; }

    static constexpr int kMaxContents = 99;

    // The contents the current model holds, by number: each line as it
    // came after its STX (FS "e" A B and the line's bytes).
    QMap<int, QList<QByteArray>> contents() const { return contents_[size_t(model_)]; }
    void setContent(int number, const QList<QByteArray> &lines);

    // When "K-07" confirms a registration: as soon as the ETX is in (the
    // default), or only once the closing bracket DC3 "Z0" NUL followed.
    // "K-2200TQ" has no bracket and always answers the ETX.
    enum class RegisterReply { AfterEtx, AfterBracket };
    void setRegisterReply(RegisterReply when) { registerReply_ = when; }
    // Acknowledges of reads, by content number, in order.
    QList<int> acknowledged() const { return acknowledged_; }

    int startNumber() const { return startNumber_; }
    int nextNumber() const { return nextNumber_; }
    int contentToIssue() const { return contentToIssue_; }
    bool issueEnabled() const { return issueEnabled_; }
    bool bracketOpen() const { return bracketOpen_; }
    // Issue tests done, by content number, in order.
    QList<int> issued() const { return issued_; }

protected:
    // "N" (issue start) carries the ticket number, four digits, counting up.
    QByteArray scheduledData(char code) override;
    // The register block is cut out here; everything else goes on to the
    // DC3 frames of the base as whole frames.
    void received(const QByteArray &bytes) override;
    void reset() override;
    QString describe(const QByteArray &frame, bool fromProgram) const override;

private:
    void discardPartialFrame() override;
    // The register header (DC3 "B" n) at the front of the stream: its
    // length and number, 0 while incomplete; -1: not a register header.
    qsizetype registerHeader(int *number) const;
    void registerBlock(const QByteArray &block);
    void read(const Command &c);
    QMap<int, QList<QByteArray>> &store() { return contents_[size_t(model_)]; }

    // The content number of a command, 0 when it is out of the model's range.
    int contentNumber(const Command &c) const;
    QByteArray echo(int number) const;
    static int fourDigits(const Command &c);

    Model model_ = Model::K07;
    std::array<QMap<int, QList<QByteArray>>, 2> contents_;
    QByteArray stream_;    // from the program, not yet taken
    bool inBlock_ = false; // between DC3 "B" n and the ETX
    int blockNumber_ = 0;  // the content being registered (0: out of range)
    QByteArray heldReply_; // "K-07" register reply waiting for the bracket
    RegisterReply registerReply_ = RegisterReply::AfterEtx;
    QList<int> acknowledged_;
    int ticket_ = 0;
    int startNumber_ = 1;
    int nextNumber_ = 1;
    int contentToIssue_ = 1;
    bool issueEnabled_ = true;
    bool bracketOpen_ = false;
    QList<int> issued_;
};

} // namespace sim

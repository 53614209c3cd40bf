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
//
// n' is the raw byte on "K-07" and 0x30 + n on "K-2200TQ". A number out of
// the model's range (1-99, 1-4) is not answered.
#include "statusprinter.h"

#include <QMap>
#include <QStringList>

namespace sim {

class TicketPrinter : public StatusPrinter {
    Q_OBJECT
public:
    enum class Model { K07, K2200TQ };

    explicit TicketPrinter(QObject *parent = nullptr);

    void setModel(Model model) { model_ = model; }
    Model model() const { return model_; }

    static constexpr int kMaxContents = 99;

    // The contents it holds, by number: the lines as they would be printed.
    QMap<int, QList<QByteArray>> contents() const { return contents_; }
    void setContent(int number, const QList<QByteArray> &lines);

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

private:
    // The content number of a command, 0 when it is out of the model's range.
    int contentNumber(const Command &c) const;
    QByteArray echo(int number) const;
    static int fourDigits(const Command &c);

    Model model_ = Model::K07;
    QMap<int, QList<QByteArray>> contents_;
    int ticket_ = 0;
    int startNumber_ = 1;
    int nextNumber_ = 1;
    int contentToIssue_ = 1;
    bool issueEnabled_ = true;
    bool bracketOpen_ = false;
    QList<int> issued_;
};

} // namespace sim

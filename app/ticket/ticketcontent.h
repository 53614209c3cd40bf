#pragma once
// A ticket content: 16 lines, each with its own character magnification,
// written in the display form shared with the message tool plus the
// placeholders of ticketconversion.h. Also the two printer models and
// their number ranges, and the check a content passes before it is saved
// or registered.
#include <QString>
#include <QStringList>

#include <array>

struct TicketLine {
    QString text;                                  // display form; empty prints nothing
    QString magnification = QStringLiteral("1x1"); // width "x" height, each 1..4

    bool operator==(const TicketLine &) const = default;
};

struct TicketContent {
    static constexpr int kLineCount = 16;
    std::array<TicketLine, kLineCount> lines;

    // Line k, 1-based.
    TicketLine &line(int k) { return lines[size_t(k - 1)]; }
    const TicketLine &line(int k) const { return lines[size_t(k - 1)]; }
    bool allEmpty() const;

    bool operator==(const TicketContent &) const = default;
};

namespace ticket {

inline const QString kDefaultMagnification = QStringLiteral("1x1");

// The model box. "K-07" takes the content number as one raw byte
// (RawNumberModel), "K-2200TQ" as decimal digits.
inline const QString kModelK07 = QStringLiteral("K-07");
inline const QString kModelK2200TQ = QStringLiteral("K-2200TQ");
inline const QStringList kModelNames = {kModelK07, kModelK2200TQ};
bool rawNumberModelFor(const QString &modelName);

// Highest content number in a file and in the printer (the first is 1).
inline int lastFileNumber(bool rawNumberModel) { return rawNumberModel ? 99 : 15; }
inline int lastPrinterNumber(bool rawNumberModel) { return rawNumberModel ? 99 : 4; }

// Three characters or more: the first and the last "1".."4", the second
// "x" or "X" (so "1x11" passes).
bool magnificationValid(const QString &magnification);

// Why a content cannot be saved or registered, and where the window puts
// the focus: message 633 (nothing to save), 104 (a bad control code: line
// and caret just after its "&"), 632 (a bad magnification: its line).
struct ContentCheck {
    int messageCode = 0; // 0: the content passes
    int line = 0;        // 1..16
    int caret = -1;      // caret index in the line's text (104)
    bool ok() const { return messageCode == 0; }
};
ContentCheck checkContent(const TicketContent &content);

// The header label with the content number in its brackets; 0 leaves
// them blank.
QString headerText(int number = 0);

} // namespace ticket

#pragma once
// The ticket printer's commands inside a line: the placeholders of the
// creation aid and what they become on the wire, the ticket tool's own
// escape conversion, and the way back from a line read from the printer
// to the display form.
#include "ticketcontent.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace ticketconversion {

// The placeholders in the order of the creation aid (and of their
// conversion on the wire). The feed placeholder carries its millimetres
// as two digits; the aid inserts 09.
inline const QString kFeedStart = QStringLiteral("#紙送り");
inline const QString kFeed = QStringLiteral("#紙送り09mm#");
inline const QString kNumber = QStringLiteral("#番号の印字#");
inline const QString kBarcode = QStringLiteral("#バーコード印字#");
inline const QString kYearToMinute = QStringLiteral("#年～分印字#");
inline const QString kDate = QStringLiteral("#年月日印字#");
inline const QString kMonthDay = QStringLiteral("#月日印字#");
inline const QString kMonthDayTime = QStringLiteral("#月日時分印字#");
inline const QString kTime = QStringLiteral("#時分印字#");
QStringList placeholders();

// Feeds outside 1..15 mm, or not a number, feed 9 mm.
inline constexpr int kDefaultFeedMm = 9;
inline constexpr int kLastFeedMm = 15;

// ---- send side ------------------------------------------------------

// Step 1: every placeholder, kind by kind, becomes its command. Command
// bytes go in as raw characters, the feed value and the barcode height as
// "&" plus two hex digits.
QString placeholdersToCommands(const QString &line, int barcodeHeight);

// Step 2, the ticket escape conversion: "&" toggles the pending escape
// ("&&" gives nothing), the pending escape and two hex digits give one
// byte (a lone digit at the end gives nothing), "^" a space, "＾" U+3000,
// "↓" LF when it is the whole line and CR otherwise; the rest in CP932.
// Each line starts without a pending escape.
QByteArray escapeLine(const QString &line);

// Both steps: the bytes of one line after its STX FS "e" A B.
QByteArray lineForPrinter(const QString &line, int barcodeHeight);

// ---- read-back ------------------------------------------------------

// One LineBuffer slot (STX, FS, "e", A, B, the line, 0xFF) in display
// form: CR and LF as "↓", other control bytes and "&" itself as "&XX",
// spaces as "^" and "＾"; the text ends at the 0xFF.
QString slotToDisplay(const QByteArray &slot);

// Printer commands back into placeholders, every occurrence, kind by
// kind. A barcode's height goes to *barcodeHeight when one is found.
QString commandsToPlaceholders(const QString &text, std::optional<int> *barcodeHeight = nullptr);

struct ReadBack {
    TicketContent content;
    std::optional<int> barcodeHeight; // from the last barcode found
};
// Slots 1..16 (index 0 is slot 1) as the receive path left them; an empty
// slot is empty, starts with 0xFF or is shorter than STX FS "e" A B (the
// one empty line of the printer's empty block). The filled slots become lines 1, 2,
// ... in ascending slot order; the other lines are empty with "1x1".
ReadBack decodeLines(const QList<QByteArray> &lineSlots);

} // namespace ticketconversion

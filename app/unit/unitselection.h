#pragma once
// What the selection dialog (UxNum) asks before every file or printer
// operation: the model, and the set number 1..25 (file) or the channel
// 1..8 (printer, VUX-350Q; a UX-350Q is not asked and uses 1). While the
// dialog is open the caller's number holds a waiting value; the dialog
// leaves the chosen number or a cancel value in it.
#include "unitsettings.h"

#include <optional>

namespace unit {

enum class Purpose { File, Printer };

inline constexpr int kFileWaiting = 27;
inline constexpr int kFileCancelled = 26;
inline constexpr int kPrinterWaiting = 10;
inline constexpr int kPrinterCancelled = 9;

inline constexpr int kNoModelMessage = 825;

inline const QString kVuxOption = QStringLiteral("VUX-350Q");
inline const QString kUxOption = QStringLiteral("UX-350Q");

struct SelectionTexts {
    Purpose purpose;
    QString caption;
    QString prompt;   // two lines, CR LF between them
    int numberLength; // characters the number box takes
};
// The dialog's texts in tool state 810, 820, 830, 840 or 850; nothing in
// any other state.
std::optional<SelectionTexts> selectionTexts(qint16 toolState);

// The highest number of the purpose (25 sets, 8 channels).
int lastNumber(Purpose purpose);
// The number box is shown: always for a file, for a printer only with a
// VUX-350Q.
bool asksNumber(Model model, Purpose purpose);

struct Selection {
    int code = 0;   // 825 no model, 630 number out of range, 0 chosen
    int number = 0; // the chosen set or channel
    bool ok() const { return code == 0; }
};
// "OK": the model first (825 even when a number is entered), then the
// number: empty, not a number, 0 or above the last is 630.
Selection checkSelection(Model model, const QString &numberText, Purpose purpose);

} // namespace unit

#pragma once
// The ticket tool's number dialog (TqNum): what it shows and accepts in
// each tool state, and where the state goes when it closes.
#include <QString>
#include <QtGlobal>

#include <optional>

namespace ticketnumber {

inline constexpr int kInvalidMessage = 630;
inline constexpr int kBarcodeState = 625;
inline constexpr int kDotsPerMm = 8;

struct Variant {
    QString caption;
    QString label; // two lines, "\n" between them
    int maxLength = 2;
    int minimum = 1;
    int maximum = 99;
};
// Nothing for a state the dialog is not used in.
std::optional<Variant> variantFor(qint16 toolState, bool rawNumberModel);

struct Accepted {
    int number = 0;                   // SelectedNumber
    std::optional<int> barcodeHeight; // 625: the height in dots (mm x 8)
};
// The box's text for OK: its numeric value within the state's range, or
// nothing (message 630, the dialog stays open).
std::optional<Accepted> accept(const QString &text, qint16 toolState, bool rawNumberModel);

// 610-614 hand the number back to the ticket window; 615, 616 and the sub
// menu's 621-623 run their printer operation from the dialog.
inline bool returnsNumber(qint16 toolState) { return toolState >= 610 && toolState <= 614; }

// The state after the dialog closes: the sub menu (620) from its own
// dialogs, the idle ticket window (600) from 615/616; else unchanged.
qint16 stateAfterClose(qint16 toolState);

} // namespace ticketnumber

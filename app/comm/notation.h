#pragma once
// The printer command notation: in command strings "&" followed by two
// hexadecimal digits stands for one byte ("&13TJ2&00", "&1BN0"); "&&"
// produces nothing. In the texts of the message tool and the print tester
// "^" is a space, "＾" an ideographic space and "↓" (with the editor's
// CR LF after it) a line end. Pure functions, no state.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace notation {

// One digit: category 1 for "0"-"1", 2 for "2"-"9", 3 for "A"-"F" and
// "a"-"f" (with its value), 0 for anything else (value 0).
struct HexDigit {
    int category = 0;
    quint8 value = 0;
};
HexDigit hexDigitValue(QChar digit);

// The range check of one escape. In the message tool's idle state (tool
// state 200) only 0x01-0x1F may be written; everywhere else 0x00-0x7F.
bool checkEscapeDigits(QChar first, QChar second, qint16 toolState);

// Result of checking a whole text: on failure errorPosition is the 1-based
// position of the offending "&" (as a 0-based caret index it puts the
// caret just after that "&").
struct EscapeCheck {
    bool valid = true;
    int errorPosition = 0;
};
// Checks every escape. "&&" cancels, a single "&" at the very end passes,
// an "&" with only one character after it fails.
EscapeCheck validateEscapes(const QString &text, qint16 toolState);

// The print tester's line-end choice, used when its printer model is
// "222/420/425": "↓" then becomes CR (0), LF (1) or CR LF (2) and the text's
// own CR and LF are dropped.
struct ConvertOptions {
    bool lineEndChoiceModel = false;
    int lineEndChoice = 0;
};

// Applies the notation (callers validate first) and returns the bytes for
// the printer: escapes as their byte value, the text in CP932. "↓" followed
// by CR LF becomes CR, or LF when the previous line end was just written,
// so a run of line ends gives CR and then one LF each.
QByteArray convertForPrinter(const QString &text, const ConvertOptions &options = {});

} // namespace notation

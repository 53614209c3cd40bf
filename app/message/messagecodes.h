#pragma once
// What the message tool adds to the channel's command notation: its own
// control-code rule for texts checked outside the idle state, and the way
// back from the printer's bytes to the display form.
#include <QByteArray>
#include <QString>

namespace messagecodes {

// Index of the "&" of the first code outside 0x01..0x1F (the message
// tool's rule, whatever the tool state), or -1 when every code is valid.
int findInvalidCode(const QString &text);

// A message as read back from the printer, in display form: control bytes
// other than CR and LF become "&" plus two upper-case hex digits, 0xFF ends
// the text, the rest is CP932 text; then the editing conversion.
QString fromPrinterBytes(const QByteArray &bytes);

// The longest start of a display-form text that takes at most maxBytes in
// CP932, never splitting a character, a control code or a "↓" CR LF line
// end. The text itself when it fits.
QString fitToBytes(const QString &text, int maxBytes);

} // namespace messagecodes

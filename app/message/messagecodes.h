#pragma once
// The message tool's control codes: "&" plus two hex digits naming a byte
// 0x01..0x1F. The check and the byte conversion follow the output
// channel's command notation with the message-tool digit rule; they live
// here until the channel's shared notation replaces them.
#include <QByteArray>
#include <QString>

namespace messagecodes {

// Index of the "&" of the first invalid code, or -1 when every code is
// valid. "&&" cancels itself; a single "&" at the very end passes; an "&"
// followed by only one character does not.
int findInvalidCode(const QString &text);

// The bytes the printer gets for a display-form text (validated first):
// "^" a space, "＾" a full-width space, a code its byte, "&&" nothing, and
// a run of "↓" line ends CR followed by one LF per further line end. Text
// goes out in CP932.
QByteArray toPrinterBytes(const QString &text);

// A message as read back from the printer, in display form: control bytes
// other than CR and LF become "&" plus two upper-case hex digits, 0xFF ends
// the text, the rest is CP932 text; then the editing conversion.
QString fromPrinterBytes(const QByteArray &bytes);

} // namespace messagecodes

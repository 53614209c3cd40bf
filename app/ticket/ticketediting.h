#pragma once
// Editing of the content lines in the ticket window: the message tool's
// display-form conversion with the ticket's rules. A "↓" ends a ticket
// line: what follows it is cut and no CR LF is put after it.
#include "message/displayform.h"

#include <QtGlobal>

namespace ticketediting {

// lineEndEndsText, and message 102 above 500 CP932 bytes.
inline constexpr displayform::EditingRules kLineRules{true, displayform::kMessageWarnAboveBytes};

// Opening a file (610) and reading from the printer (613) fill the lines
// as they came; only other states convert what changes in a line.
bool convertsEdits(qint16 toolState);

// One change of a content line (see displayform::convert); overLimit asks
// for message 102.
displayform::Edit convertLine(const QString &before, const QString &after, int caret);

// Enter in content line `line` (1..16) with the caret at `caret`: the text
// after the caret gives way to "↓" unless the line already ends in "↓",
// and the focus goes to the start of the next line (16 is followed by 1).
struct EnterResult {
    QString text;
    int nextLine = 1;
    bool overLimit = false;
};
EnterResult pressEnter(const QString &text, int caret, int line);

} // namespace ticketediting

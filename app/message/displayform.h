#pragma once
// The display form of message texts and the editing conversion that keeps
// a text box in it while the user types. The message, print-tester,
// ticket and unit-setting windows all use it, each with its own rules.
//
// Display form: "^" a half-width space, "＾" a full-width space, "↓" plus
// CR LF a line end, "&" plus two hex digits a control byte.
#include "base/catalogcodes.h"

#include <QString>

namespace displayform {

inline constexpr QChar kSpaceMark = u'^';
inline constexpr QChar kWideSpaceMark = u'\uFF3E'; // ＾
inline constexpr QChar kLineEndMark = u'\u2193';   // ↓
inline constexpr QChar kWideSpace = u'\u3000';
inline const QString kLineBreak = QStringLiteral("\r\n");

// Message 102 is due above this many CP932 bytes in the message tool.
inline constexpr int kMessageWarnAboveBytes = 500;
inline constexpr int kWarnMessageCode = msg::InputFull;

struct EditingRules {
    // false: every "↓" is followed by CR LF (message tool, tester, unit
    // names); true: a "↓" ends the text, anything after it is cut and no
    // CR LF follows it (ticket lines).
    bool lineEndEndsText = false;
    // Above this many CP932 bytes the edit asks for message 102; 0: never.
    int warnAboveBytes = kMessageWarnAboveBytes;
};

struct Edit {
    QString text;
    int caret = 0;
    bool overLimit = false;
};

// One change of a box: `before` is the text after the previous conversion,
// `after` the text now in the box and `caret` the caret in it. Spaces
// become marks, line breaks get their "↓" (and a lone "↓" its CR LF, the
// caret moving past it), and when the text got shorter, a "↓" CR LF group
// that lost part of itself is removed whole. The caret stays where it was
// relative to the text around it.
Edit convert(const QString &before, const QString &after, int caret, const EditingRules &rules = {});

// A text set by the program: the same rewrite without deletion handling;
// the caret ends at the end.
Edit normalise(const QString &text, const EditingRules &rules = {});

// A plain-text box holds a line break as one "\n"; the display form as CR
// LF. These map text and positions between the two.
QString fromBox(const QString &boxText);
int positionFromBox(const QString &boxText, int boxPosition);
QString toBox(const QString &text);
int positionToBox(const QString &text, int position);

// "^" back to a space and "＾" to a full-width space; "↓" stays.
QString marksToSpaces(const QString &text);

} // namespace displayform

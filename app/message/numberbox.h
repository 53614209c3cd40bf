#pragma once
// The message-number box: it always shows a number, and commands that
// need one check its range.
#include "base/catalogcodes.h"

#include <QString>

#include <optional>

namespace numberbox {

inline constexpr int kFirst = 1;
inline constexpr int kLast = 255;
inline constexpr int kEmptyMessage = msg::EnterNumber;
inline constexpr int kRangeMessage = msg::OutOfRange;

// The numeric value at the start of the text (leading blanks and a sign
// allowed, reading stops at the first non-digit; no digits gives 0).
qint64 numericValue(const QString &text);

struct Change {
    QString text;    // what the box shows instead
    bool outOfRange; // message 100 is due
};
// A change of a non-empty box; nothing for an empty one.
std::optional<Change> onChange(const QString &text);

struct Parsed {
    int number = 0;
    int messageCode = 0; // 56 empty, 100 out of range, 0 fine
    bool ok() const { return messageCode == 0; }
};
// For a command that needs a number.
Parsed parse(const QString &text);

// The number after n: 255 is followed by 1.
inline int next(int n) { return n >= kLast ? kFirst : n + 1; }

} // namespace numberbox

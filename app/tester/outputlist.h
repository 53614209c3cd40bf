#pragma once
// The output list of the print tester: the record numbers one pass sends,
// written as "1,15,8,25-30,19,48,48,25". Items are separated by ","; an
// item is a number or a range a-b (upward or downward, both ends sent);
// repeated numbers are sent again. Every number must be 1-255; an empty
// item, a range without an end ("4-") or without a start count as 0. A
// trailing "," is ignored.
#include "base/catalogcodes.h"

#include <QList>
#include <QString>

namespace outputlist {

inline constexpr int kFirst = 1;
inline constexpr int kLast = 255;
inline constexpr int kRangeMessage = msg::OutOfRange;
inline constexpr int kCharacterMessage = msg::BadList; // only 0-9 , -

// Only "0"-"9", "," and "-" (no blank either).
bool charactersAllowed(const QString &list);

struct Parsed {
    // The numbers in sending order, up to (not including) the first item
    // that is out of range.
    QList<int> numbers;
    // 0 fine; 103 a character that is not allowed (no numbers); 100 an
    // item out of range, which ends the pass after `numbers`.
    int messageCode = 0;
    bool ok() const { return messageCode == 0; }
};
Parsed parse(const QString &list);

// "No.を追加": the number box's text appended, after a "," unless the list
// is empty or ends with "-" or ",".
QString appendNumber(const QString &list, const QString &number);

} // namespace outputlist

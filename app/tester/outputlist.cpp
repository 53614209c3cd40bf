#include "outputlist.h"

namespace outputlist {

namespace {

// Digits beyond this cannot make a valid number any more; the value
// stops growing so that a long run of digits cannot overflow.
constexpr int kCeiling = 100000;

bool inRange(int n) { return n >= kFirst && n <= kLast; }

int numberOf(QStringView digits)
{
    int value = 0;
    for (QChar c : digits)
        value = qMin(kCeiling, value * 10 + (c.unicode() - u'0'));
    return value;
}

// Appends the numbers of one item; false when it is out of range (then
// none of it is sent).
bool expand(QStringView item, QList<int> &numbers)
{
    const qsizetype dash = item.indexOf(u'-');
    if (dash < 0) {
        const int n = numberOf(item);
        if (!inRange(n))
            return false;
        numbers << n;
        return true;
    }
    const QStringView endText = item.mid(dash + 1);
    // "1-2-3" names no range.
    if (endText.contains(u'-'))
        return false;
    const int from = numberOf(item.left(dash));
    const int to = numberOf(endText);
    if (!inRange(from) || !inRange(to))
        return false;
    const int step = to >= from ? 1 : -1;
    for (int n = from;; n += step) {
        numbers << n;
        if (n == to)
            break;
    }
    return true;
}

} // namespace

bool charactersAllowed(const QString &list)
{
    for (QChar c : list) {
        if (!(c >= u'0' && c <= u'9') && c != u',' && c != u'-')
            return false;
    }
    return true;
}

Parsed parse(const QString &list)
{
    Parsed parsed;
    if (!charactersAllowed(list)) {
        parsed.messageCode = kCharacterMessage;
        return parsed;
    }
    if (list.isEmpty())
        return parsed;
    QStringView rest(list);
    // The item after a trailing "," is not an item.
    if (rest.endsWith(u','))
        rest.chop(1);
    qsizetype start = 0;
    for (;;) {
        const qsizetype comma = rest.indexOf(u',', start);
        const QStringView item = rest.mid(start, comma < 0 ? -1 : comma - start);
        if (!expand(item, parsed.numbers)) {
            parsed.messageCode = kRangeMessage;
            return parsed;
        }
        if (comma < 0)
            return parsed;
        start = comma + 1;
    }
}

QString appendNumber(const QString &list, const QString &number)
{
    if (list.isEmpty() || list.endsWith(u'-') || list.endsWith(u','))
        return list + number;
    return list + u',' + number;
}

} // namespace outputlist

// libFuzzer target: the print tester's output list ("1,15,8,25-30"),
// against a plain reading of its rules, and the "No.を追加" step.
//
// Input: a byte whose low bits give a number to append, then the list;
// bytes 0x80 and above stand for digits, "," and "-" (in turn), so that
// most inputs pass the character check.
#include "fuzzsupport.h"

#include "tester/outputlist.h"

using fuzzsupport::check;
using namespace outputlist;

namespace {

QString listText(const QByteArray &in)
{
    static const char kListChars[] = "0123456789,-";
    QString out;
    for (const char c : in) {
        const auto b = quint8(c);
        out += b >= 0x80 ? QChar(kListChars[b % 12]) : QChar(b);
    }
    return out;
}

// The rules read directly: items split at ",", a trailing "," dropped;
// an item is digits or digits "-" digits; anything else (an empty item,
// a missing end, a second "-") or a number outside 1..255 ends the pass.
Parsed reference(const QString &list)
{
    Parsed p;
    for (const QChar c : list)
        if (!c.isDigit() || c.unicode() > 0x7F)
            if (c != u',' && c != u'-') {
                p.messageCode = kCharacterMessage;
                return p;
            }
    if (list.isEmpty())
        return p;
    QString rest = list;
    if (rest.endsWith(u','))
        rest.chop(1);
    const auto number = [](const QString &digits) {
        // Leading zeros do not count; a number beyond the range stays
        // beyond it, however long.
        qsizetype first = 0;
        while (first < digits.size() && digits[first] == u'0')
            ++first;
        if (digits.size() - first > 3)
            return 1000;
        return first == digits.size() ? 0 : digits.mid(first).toInt();
    };
    for (const QString &item : rest.split(u',')) {
        const QStringList ends = item.split(u'-');
        if (ends.size() > 2) {
            p.messageCode = kRangeMessage;
            return p;
        }
        const int from = number(ends[0]);
        const int to = ends.size() == 2 ? number(ends[1]) : from;
        if (from < kFirst || from > kLast || to < kFirst || to > kLast) {
            p.messageCode = kRangeMessage;
            return p;
        }
        for (int n = from; n != to; n += to > from ? 1 : -1)
            p.numbers << n;
        p.numbers << to;
    }
    return p;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzsupport::Input in(data, size);
    const int extra = 1 + in.byte() % 300; // also just past the range
    const QString list = listText(in.rest());

    const Parsed parsed = parse(list);
    check(parsed.messageCode == 0 || parsed.messageCode == kRangeMessage || parsed.messageCode == kCharacterMessage,
          "a known message");
    check(parsed.messageCode != kCharacterMessage || parsed.numbers.isEmpty(), "a bad character sends nothing");
    check(charactersAllowed(list) == (parsed.messageCode != kCharacterMessage), "the character check decides 103");
    for (const int n : parsed.numbers)
        check(n >= kFirst && n <= kLast, "every number sent is 1..255");
    const Parsed expected = reference(list);
    check(parsed.messageCode == expected.messageCode, "the message the rules give");
    check(parsed.numbers == expected.numbers, "the numbers the rules give, in order");

    // "No.を追加" after a list that passed: the number is the last item.
    const QString number = QString::number(extra);
    const QString appended = appendNumber(list, number);
    if (parsed.ok() && !list.isEmpty() && !list.endsWith(u'-') && !list.endsWith(u',')) {
        check(appended == list + u',' + number, "appended after a comma");
        const Parsed after = parse(appended);
        if (extra <= kLast) {
            check(after.ok() && after.numbers == parsed.numbers + QList<int>{extra}, "the number is sent last");
        } else {
            check(after.messageCode == kRangeMessage && after.numbers == parsed.numbers,
                  "a number past 255 ends the pass after the list");
        }
    }
    return 0;
}

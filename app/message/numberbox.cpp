#include "numberbox.h"

#include <algorithm>

namespace numberbox {

namespace {
// Far above any valid number, far below overflow.
constexpr qint64 kCeiling = 999999999;
} // namespace

qint64 numericValue(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    qint64 value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = std::min(kCeiling, value * 10 + (text[i].unicode() - u'0'));
    return negative ? -value : value;
}

std::optional<Change> onChange(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    const qint64 v = numericValue(text);
    return Change{QString::number(v), v < kFirst || v > kLast};
}

Parsed parse(const QString &text)
{
    if (text.trimmed().isEmpty())
        return {0, kEmptyMessage};
    const qint64 v = numericValue(text);
    if (v < kFirst || v > kLast)
        return {0, kRangeMessage};
    return {int(v), 0};
}

} // namespace numberbox

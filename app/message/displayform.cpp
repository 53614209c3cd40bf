#include "displayform.h"

#include "base/cp932.h"

#include <QList>

#include <algorithm>

namespace displayform {

namespace {

const QString kGroup = QString(kLineEndMark) + kLineBreak;

bool isBreak(QChar c) { return c == u'\r' || c == u'\n'; }

// The edit replaced before[p, before.size() - s) by after[p, after.size() - s).
// Characters of a "↓" CR LF group that survived a partial deletion go too.
void removeBrokenGroups(const QString &before, QString &text, int &caret)
{
    const qsizetype common = std::min(before.size(), text.size());
    qsizetype p = 0;
    while (p < common && before[p] == text[p])
        ++p;
    p = std::min<qsizetype>(p, caret); // the edit ends at the caret
    qsizetype s = 0;
    while (s < common - p && before[before.size() - 1 - s] == text[text.size() - 1 - s])
        ++s;
    const qsizetype d0 = p;
    const qsizetype d1 = before.size() - s;
    const qsizetype suffixStart = text.size() - s;

    QList<qsizetype> drop;
    for (qsizetype g = before.indexOf(kGroup); g >= 0; g = before.indexOf(kGroup, g + kGroup.size())) {
        const qsizetype ge = g + kGroup.size();
        const bool touched = g < d1 && ge > d0;
        const bool wholeGone = g >= d0 && ge <= d1;
        if (!touched || wholeGone)
            continue;
        for (qsizetype k = g; k < ge; ++k) {
            if (k >= d0 && k < d1)
                continue;
            drop << (k < d0 ? k : k - d1 + suffixStart);
        }
    }
    std::sort(drop.begin(), drop.end(), std::greater<>());
    for (qsizetype k : drop) {
        text.remove(k, 1);
        if (k < caret)
            --caret;
    }
}

Edit rewriteLineEnds(const QString &t, int caret)
{
    Edit e;
    e.text.reserve(t.size() + 8);
    int outCaret = caret <= 0 ? 0 : -1;
    qsizetype i = 0;
    const qsizetype n = t.size();
    while (i < n) {
        const qsizetype start = i;
        const QChar ch = t[i];
        if (ch == kLineEndMark) {
            // A mark takes the line break after it, whatever its shape,
            // or gets one.
            ++i;
            if (i < n && t[i] == u'\r') {
                ++i;
                if (i < n && t[i] == u'\n')
                    ++i;
            } else if (i < n && t[i] == u'\n') {
                ++i;
            }
            e.text += kGroup;
        } else if (isBreak(ch)) {
            // A typed line break gets its mark.
            ++i;
            if (ch == u'\r' && i < n && t[i] == u'\n')
                ++i;
            e.text += kGroup;
        } else {
            e.text += ch;
            ++i;
        }
        if (outCaret < 0 && caret > start && caret <= i)
            outCaret = int(e.text.size());
    }
    e.caret = outCaret < 0 ? int(e.text.size()) : outCaret;
    return e;
}

Edit cutAfterLineEnd(const QString &t, int caret)
{
    Edit e;
    qsizetype end = -1;
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (t[i] == kLineEndMark || isBreak(t[i])) {
            end = i;
            break;
        }
    }
    e.text = end < 0 ? t : t.left(end) + kLineEndMark;
    e.caret = std::min(caret, int(e.text.size()));
    return e;
}

} // namespace

Edit convert(const QString &before, const QString &after, int caret, const EditingRules &rules)
{
    QString t = after;
    int c = std::clamp(caret, 0, int(t.size()));
    if (!rules.lineEndEndsText && t.size() < before.size())
        removeBrokenGroups(before, t, c);
    for (QChar &ch : t) {
        if (ch == u' ')
            ch = kSpaceMark;
        else if (ch == kWideSpace)
            ch = kWideSpaceMark;
    }
    Edit e = rules.lineEndEndsText ? cutAfterLineEnd(t, c) : rewriteLineEnds(t, c);
    e.overLimit = rules.warnAboveBytes > 0 && cp932::byteCount(e.text) > rules.warnAboveBytes;
    return e;
}

Edit normalise(const QString &text, const EditingRules &rules)
{
    Edit e = convert(QString(), text, int(text.size()), rules);
    e.caret = int(e.text.size());
    return e;
}

QString fromBox(const QString &boxText)
{
    QString t = boxText;
    t.replace(u'\n', kLineBreak);
    return t;
}

int positionFromBox(const QString &boxText, int boxPosition)
{
    const int pos = std::clamp(boxPosition, 0, int(boxText.size()));
    return pos + int(QStringView(boxText).left(pos).count(u'\n'));
}

QString toBox(const QString &text)
{
    QString t = text;
    t.replace(kLineBreak, QStringLiteral("\n"));
    t.replace(u'\r', u'\n');
    return t;
}

int positionToBox(const QString &text, int position)
{
    int box = 0;
    qsizetype i = 0;
    while (i < position && i < text.size()) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            i += 2;
        else
            ++i;
        ++box;
    }
    return box;
}

QString marksToSpaces(const QString &text)
{
    QString t = text;
    t.replace(kSpaceMark, u' ');
    t.replace(kWideSpaceMark, kWideSpace);
    return t;
}

} // namespace displayform

#include "ticketconversion.h"

#include "base/cp932.h"
#include "comm/notation.h"
#include "message/displayform.h"
#include "message/numberbox.h"

namespace ticketconversion {

namespace {

constexpr char16_t kNul = 0x00;
constexpr char16_t kDc3 = 0x13;
constexpr char16_t kEsc = 0x1B;
constexpr char16_t kGs = 0x1D;

// STX, FS, "e" and the two magnification characters before a stored line.
constexpr qsizetype kSlotHeaderBytes = 5;

// "#紙送り" + NN + "mm#"
constexpr qsizetype kFeedLength = 9;
constexpr qsizetype kFeedDigitsAt = 4;

struct DateTimeCommand {
    const QString *placeholder;
    char digit;
};
const DateTimeCommand kDateTimeCommands[] = {
    {&kYearToMinute, '0'}, {&kDate, '1'}, {&kMonthDay, '2'}, {&kMonthDayTime, '3'}, {&kTime, '4'},
};

QString escapeOf(int value) { return QStringLiteral("&%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper(); }

QString command(char16_t lead, const QString &body, bool withNul = true)
{
    QString c = QChar(lead) + body;
    if (withNul)
        c += QChar(kNul);
    return c;
}

QString numberCommand() { return command(kDc3, QStringLiteral("R")); }
QString barcodeCommand() { return command(kDc3, QStringLiteral("S")); }
QString dateTimeCommand(char digit) { return command(kDc3, QStringLiteral("TJ") + QLatin1Char(digit)); }

// The display-form escape of a command, as a read-back shows it.
QString shown(const QString &raw)
{
    QString out;
    for (QChar c : raw)
        out += c.unicode() < 0x20 ? escapeOf(c.unicode()) : QString(c);
    return out;
}

// One byte at `at` in a read-back line: "&XY", a space mark, a line-end
// mark (the printer's CR) or a single-byte character. *length gets the
// characters it takes.
std::optional<int> byteAt(const QString &text, qsizetype at, qsizetype *length)
{
    if (at >= text.size())
        return std::nullopt;
    const QChar c = text[at];
    *length = 1;
    if (c == u'&') {
        if (at + 2 >= text.size())
            return std::nullopt;
        const notation::HexDigit d1 = notation::hexDigitValue(text[at + 1]);
        const notation::HexDigit d2 = notation::hexDigitValue(text[at + 2]);
        if (d1.category == 0 || d2.category == 0)
            return std::nullopt;
        *length = 3;
        return d1.value * 16 + d2.value;
    }
    if (c == displayform::kSpaceMark)
        return 0x20;
    if (c == displayform::kLineEndMark)
        return 0x0D;
    if (c.unicode() > 0xFF)
        return std::nullopt;
    return c.unicode();
}

// value / 8 to the nearest integer, halves to even.
int dotsToMm(int value)
{
    int q = value / 8;
    const int r = value % 8;
    if (r > 4 || (r == 4 && q % 2 == 1))
        ++q;
    return q;
}

} // namespace

QStringList placeholders() { return {kFeed, kNumber, kBarcode, kYearToMinute, kDate, kMonthDay, kMonthDayTime, kTime}; }

QString placeholdersToCommands(const QString &line, int barcodeHeight)
{
    QString t = line;
    qsizetype from = 0;
    for (qsizetype at; (at = t.indexOf(kFeedStart, from)) >= 0;) {
        if (at + kFeedLength > t.size())
            break; // a later one is even closer to the end
        qint64 mm = numberbox::numericValue(t.mid(at + kFeedDigitsAt, 2));
        if (mm < 1 || mm > kLastFeedMm)
            mm = kDefaultFeedMm;
        const QString feed = command(kEsc, QStringLiteral("J"), false) + escapeOf(int(mm) * 8);
        t.replace(at, kFeedLength, feed);
        from = at + feed.size();
    }
    t.replace(kNumber, numberCommand());
    t.replace(kBarcode, command(kGs, QStringLiteral("h"), false) + escapeOf(barcodeHeight) + barcodeCommand());
    for (const DateTimeCommand &c : kDateTimeCommands)
        t.replace(*c.placeholder, dateTimeCommand(c.digit));
    return t;
}

QByteArray escapeLine(const QString &line)
{
    QByteArray out;
    QString run; // text waiting for its CP932 conversion
    auto flush = [&] {
        if (!run.isEmpty()) {
            out += cp932::encode(run);
            run.clear();
        }
    };
    const bool onlyLineEnd = line.size() == 1 && line[0] == displayform::kLineEndMark;
    bool pending = false; // PendingEscape
    const qsizetype n = line.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = line[i];
        if (c == u'&') {
            pending = !pending;
        } else if (c == displayform::kSpaceMark) {
            run += u' ';
            pending = false;
        } else if (c == displayform::kWideSpaceMark) {
            run += displayform::kWideSpace;
            pending = false;
        } else if (c == displayform::kLineEndMark) {
            run += onlyLineEnd ? u'\n' : u'\r';
            pending = false;
        } else if (pending) {
            pending = false;
            if (i + 1 >= n)
                break; // a lone digit at the end
            const notation::HexDigit d1 = notation::hexDigitValue(c);
            const notation::HexDigit d2 = notation::hexDigitValue(line[++i]);
            if (d1.category != 0 && d2.category != 0) {
                flush();
                out += char(d1.value * 16 + d2.value);
            }
        } else if (c.unicode() < 0x80) {
            // Command bytes and ASCII go out as they are.
            flush();
            out += char(c.unicode());
        } else {
            run += c;
        }
    }
    flush();
    return out;
}

QByteArray lineForPrinter(const QString &line, int barcodeHeight)
{
    return escapeLine(placeholdersToCommands(line, barcodeHeight));
}

QString slotToDisplay(const QByteArray &slot)
{
    const qsizetype end = slot.indexOf('\xFF');
    const QString text = cp932::decode(end < 0 ? slot : slot.left(end));
    QString out;
    out.reserve(text.size() + 16);
    for (QChar c : text) {
        if (c == u'\r' || c == u'\n')
            out += displayform::kLineEndMark;
        else if (c.unicode() < 0x20 || c == u'&')
            out += escapeOf(c.unicode()); // a bare "&" would start an escape
        else if (c == u' ')
            out += displayform::kSpaceMark;
        else if (c == displayform::kWideSpace)
            out += displayform::kWideSpaceMark;
        else
            out += c;
    }
    return out;
}

QString commandsToPlaceholders(const QString &text, std::optional<int> *barcodeHeight)
{
    QString t = text;

    const QString feed = shown(command(kEsc, QStringLiteral("J"), false));
    qsizetype from = 0;
    for (qsizetype at; (at = t.indexOf(feed, from)) >= 0;) {
        qsizetype length = 0;
        const auto value = byteAt(t, at + feed.size(), &length);
        if (!value) {
            from = at + feed.size();
            continue;
        }
        const QString placeholder = kFeedStart + QStringLiteral("%1mm#").arg(dotsToMm(*value), 2, 10, QLatin1Char('0'));
        t.replace(at, feed.size() + length, placeholder);
        from = at + placeholder.size();
    }

    t.replace(shown(numberCommand()), kNumber);

    const QString barcode = shown(barcodeCommand());
    const QString heightCommand = shown(command(kGs, QStringLiteral("h"), false));
    from = 0;
    for (qsizetype at; (at = t.indexOf(barcode, from)) >= 0;) {
        // GS "h" and the height byte come just before; they go with it.
        qsizetype start = at;
        for (const qsizetype heightLength : {1, 3}) {
            const qsizetype h = at - heightLength;
            const qsizetype commandAt = h - heightCommand.size();
            if (commandAt < 0 || QStringView(t).mid(commandAt, heightCommand.size()) != heightCommand)
                continue;
            qsizetype length = 0;
            const auto height = byteAt(t, h, &length);
            if (!height || length != heightLength)
                continue;
            if (barcodeHeight)
                *barcodeHeight = *height;
            start = commandAt;
            break;
        }
        t.replace(start, at + barcode.size() - start, kBarcode);
        from = start + kBarcode.size();
    }

    for (const DateTimeCommand &c : kDateTimeCommands)
        t.replace(shown(dateTimeCommand(c.digit)), *c.placeholder);
    return t;
}

ReadBack decodeLines(const QList<QByteArray> &lineSlots)
{
    ReadBack r;
    int d = 1;
    for (int b = 0; b < TicketContent::kLineCount && b < lineSlots.size(); ++b) {
        const QByteArray &slot = lineSlots[b];
        // An empty block still delivers its one empty line: a slot without
        // FS "e" A B after its STX carries no line.
        const qsizetype end = slot.indexOf('\xFF');
        if (slot.isEmpty() || slot.front() == '\xFF' || (end >= 0 ? end : slot.size()) < kSlotHeaderBytes)
            continue;
        const QString shownLine = slotToDisplay(slot);
        // Characters 1-7 are STX, FS and "e" in display form.
        TicketLine &line = r.content.line(d++);
        line.magnification = shownLine.mid(7, 1) + u'x' + shownLine.mid(8, 1);
        line.text = shownLine.mid(9);
    }
    for (TicketLine &line : r.content.lines)
        if (!line.text.isEmpty())
            line.text = commandsToPlaceholders(line.text, &r.barcodeHeight);
    return r;
}

} // namespace ticketconversion

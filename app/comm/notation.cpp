#include "notation.h"

#include "base/cp932.h"

namespace notation {

namespace {

constexpr char16_t kAmp = u'&';
constexpr char16_t kCaret = u'^';
constexpr char16_t kWideCaret = u'＾';
constexpr char16_t kLineMark = u'↓';
constexpr char16_t kIdeographicSpace = u'\u3000';

} // namespace

HexDigit hexDigitValue(QChar d)
{
    const char16_t c = d.unicode();
    if (c == u'0' || c == u'1')
        return {1, quint8(c - u'0')};
    if (c >= u'2' && c <= u'9')
        return {2, quint8(c - u'0')};
    if (c >= u'A' && c <= u'F')
        return {3, quint8(c - u'A' + 10)};
    if (c >= u'a' && c <= u'f')
        return {3, quint8(c - u'a' + 10)};
    return {};
}

bool checkEscapeDigits(QChar first, QChar second, qint16 toolState)
{
    const HexDigit d1 = hexDigitValue(first);
    const HexDigit d2 = hexDigitValue(second);
    if (toolState == 200)
        return d1.category == 1 && d2.category != 0 && !(d1.value == 0 && d2.value == 0);
    return d1.category != 0 && d2.category != 0 && d1.value < 8;
}

EscapeCheck validateEscapes(const QString &text, qint16 toolState)
{
    bool escape = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == kAmp) {
            escape = !escape;
            continue;
        }
        if (!escape)
            continue;
        // c is the first digit; i + 1 the second (1-based: i + 2).
        const qsizetype second = i + 1;
        if (second >= n || !checkEscapeDigits(c, text.at(second), toolState))
            return {false, int(second + 1 - 2)};
        escape = false;
        i = second;
    }
    return {};
}

QByteArray convertForPrinter(const QString &text, const ConvertOptions &options)
{
    enum class State { None, Escape, LineEnd };
    QByteArray out;
    QString run; // plain text waiting for its CP932 conversion
    auto flushRun = [&] {
        if (!run.isEmpty()) {
            out += cp932::encode(run);
            run.clear();
        }
    };
    auto putByte = [&](quint8 b) {
        flushRun();
        out.append(char(b));
    };

    State state = State::None;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (u == kAmp) {
            state = state == State::Escape ? State::None : State::Escape;
        } else if (u == kCaret) {
            run += QLatin1Char(' ');
        } else if (u == kWideCaret) {
            run += QChar(kIdeographicSpace);
        } else if (u == kLineMark) {
            if (options.lineEndChoiceModel) {
                switch (options.lineEndChoice) {
                case 0:
                    run += QLatin1Char('\r');
                    break;
                case 1:
                    run += QLatin1Char('\n');
                    break;
                default:
                    run += QStringLiteral("\r\n");
                    break;
                }
            } else {
                run += state == State::LineEnd ? QLatin1Char('\n') : QLatin1Char('\r');
                state = State::LineEnd;
                // The editor's own line break after the mark. Only a real
                // CR/LF is skipped, so a text without it loses nothing.
                if (i + 1 < n && text.at(i + 1) == QLatin1Char('\r'))
                    ++i;
                if (i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                    ++i;
            }
        } else if ((u == u'\r' || u == u'\n') && options.lineEndChoiceModel) {
            // dropped: the choice above decides the line ends
        } else if (state == State::Escape) {
            // c is the first digit, the next character the second; a
            // missing or bad digit gives nothing.
            state = State::None;
            if (i + 1 >= n)
                break;
            const HexDigit d1 = hexDigitValue(c);
            const HexDigit d2 = hexDigitValue(text.at(++i));
            if (d1.category != 0 && d2.category != 0)
                putByte(quint8(d1.value * 16 + d2.value));
        } else {
            run += c;
            state = State::None;
        }
    }
    flushRun();
    return out;
}

} // namespace notation

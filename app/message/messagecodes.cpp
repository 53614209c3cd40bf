#include "messagecodes.h"

#include "displayform.h"
#include "shell/cp932.h"

namespace messagecodes {

namespace {

// -1 for anything that is not a hex digit.
int hexValue(QChar d)
{
    const char16_t c = d.unicode();
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

// Message-tool rule: first digit 0 or 1, second any hex digit, not "00".
bool codeAllowed(QChar d1, QChar d2)
{
    const int hi = hexValue(d1);
    const int lo = hexValue(d2);
    return (hi == 0 || hi == 1) && lo >= 0 && (hi != 0 || lo != 0);
}

} // namespace

int findInvalidCode(const QString &text)
{
    bool escape = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&') {
            escape = !escape;
            continue;
        }
        if (!escape)
            continue;
        if (i + 1 >= text.size() || !codeAllowed(text[i], text[i + 1]))
            return int(i - 1);
        escape = false;
        ++i;
    }
    return -1;
}

QByteArray toPrinterBytes(const QString &text)
{
    enum class State { None, Escape, LineEnd };
    QByteArray out;
    QString run; // plain text waiting for the CP932 conversion
    const auto flush = [&] {
        out += cp932::encode(run);
        run.clear();
    };
    State state = State::None;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'&') {
            state = state == State::Escape ? State::None : State::Escape;
            continue;
        }
        if (state == State::Escape) {
            const int hi = hexValue(c);
            const int lo = i + 1 < text.size() ? hexValue(text[i + 1]) : -1;
            ++i;
            if (hi >= 0 && lo >= 0) {
                flush();
                out += char(hi * 16 + lo);
            }
            state = State::None;
        } else if (c == displayform::kSpaceMark) {
            run += u' ';
            state = State::None;
        } else if (c == displayform::kWideSpaceMark) {
            run += displayform::kWideSpace;
            state = State::None;
        } else if (c == displayform::kLineEndMark) {
            flush();
            out += state == State::LineEnd ? '\n' : '\r';
            state = State::LineEnd;
            // The editor's own CR LF after the mark.
            for (int k = 0; k < 2 && i + 1 < text.size() && (text[i + 1] == u'\r' || text[i + 1] == u'\n'); ++k)
                ++i;
        } else {
            run += c;
            state = State::None;
        }
    }
    flush();
    return out;
}

QString fromPrinterBytes(const QByteArray &bytes)
{
    QString text;
    QByteArray run;
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b == 0xFF)
            break;
        if (b < 0x20 && b != 0x0D && b != 0x0A) {
            // A control byte is never part of a double-byte character.
            text += cp932::decode(run);
            run.clear();
            text += QStringLiteral("&%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
        } else {
            run += ch;
        }
    }
    text += cp932::decode(run);
    return displayform::normalise(text).text;
}

} // namespace messagecodes

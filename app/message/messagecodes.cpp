#include "messagecodes.h"

#include "base/appstate.h"
#include "base/cp932.h"
#include "comm/notation.h"
#include "displayform.h"

namespace messagecodes {

int findInvalidCode(const QString &text)
{
    // The check runs in the idle state's rule: an operation may already
    // have set its own state when it checks a stored text.
    const notation::EscapeCheck check = notation::validateEscapes(text, ToolStates::Message);
    return check.valid ? -1 : check.errorPosition - 1;
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

QString fitToBytes(const QString &text, int maxBytes)
{
    int used = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype len = 1;
        if (text[i] == u'&' && i + 2 < text.size() && notation::hexDigitValue(text[i + 1]).category != 0 &&
            notation::hexDigitValue(text[i + 2]).category != 0)
            len = 3;
        else if (text[i] == displayform::kLineEndMark && text.mid(i + 1, 2) == displayform::kLineBreak)
            len = 3;
        else if (text[i].isHighSurrogate() && i + 1 < text.size())
            len = 2;
        const int bytes = cp932::byteCount(text.mid(i, len));
        if (used + bytes > maxBytes)
            break;
        used += bytes;
        i += len;
    }
    return text.left(i);
}

} // namespace messagecodes

// libFuzzer target: the command notation's escape check and conversion on
// any text, with the message tool's rule (state 200) and the general one,
// and with both line-end options of the print tester.
//
// Input: one byte for the converter's options, then the text (bytes mapped
// by fuzzsupport::text so that marks and double-byte characters occur).
#include "fuzzsupport.h"

#include "comm/notation.h"

using fuzzsupport::check;

namespace {

constexpr qint16 kStates[] = {200, 204, 400, 600, 810, 900};

void checkResult(const QString &text, const notation::EscapeCheck &result)
{
    if (result.valid)
        return;
    // The position names the "&" that starts the bad escape.
    check(result.errorPosition >= 1 && result.errorPosition <= text.size(), "error position inside the text");
    check(text.at(result.errorPosition - 1) == u'&', "error position on an &");
}

bool touchesLineEnds(const QString &text)
{
    return text.contains(u'\u2193') || text.contains(u'\r') || text.contains(u'\n');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const quint8 options = data[0];
    const QString text = fuzzsupport::text(QByteArray(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1)));

    const notation::EscapeCheck message = notation::validateEscapes(text, 200);
    checkResult(text, message);
    for (const qint16 state : kStates) {
        const notation::EscapeCheck general = notation::validateEscapes(text, state);
        checkResult(text, general);
        // 0x01-0x1F lies inside 0x00-0x7F.
        if (state != 200)
            check(!message.valid || general.valid, "the message rule is the stricter one");
    }

    notation::ConvertOptions choice;
    choice.lineEndChoiceModel = true;
    choice.lineEndChoice = options % 4; // 3 is outside the list: CR LF as 2
    const QByteArray plain = notation::convertForPrinter(text);
    const QByteArray chosen = notation::convertForPrinter(text, choice);
    // No character gives more than two bytes (a CP932 character, CR LF).
    check(plain.size() <= 2 * text.size() && chosen.size() <= 2 * text.size(), "output bounded");
    if (!touchesLineEnds(text))
        check(plain == chosen, "the line-end choice changes line ends only");

    // A validated text is converted whole and leaves the converter in a
    // clean state: what follows it converts as it would alone.
    const QString followed = text + QStringLiteral("X&41");
    if (notation::validateEscapes(followed, 0).valid)
        check(notation::convertForPrinter(followed) == plain + "XA", "a validated text converts whole");
    return 0;
}

// libFuzzer target: a typed ticket line to printer bytes (placeholders,
// then the ticket escape conversion) and the bytes back to the display
// form, as a read of the registered content shows them.
//
// Input: a height byte, then the line (mapped by fuzzsupport::text, so
// that short inputs reach the marks and double-byte text); a selector in
// the height byte's top bit puts the placeholders' words into the line.
//
// Checked: the bytes stay within two per character, text without any
// notation character is plain CP932, and one read-back makes a fixed
// point: a line read back twice registers as the bytes it was read from,
// and reads back as itself.
#include "fuzzsupport.h"

#include "base/cp932.h"
#include "message/displayform.h"
#include "ticket/ticketconversion.h"

using fuzzsupport::check;
using namespace ticketconversion;

namespace {

// What the printer keeps of the bytes, read back as line 1.
ReadBack readBack(const QByteArray &bytes)
{
    return decodeLines({QByteArray("\x02\x1C"
                                   "e11") +
                        bytes + '\xFF'});
}

bool hasNotation(const QString &t)
{
    for (const QChar c : t)
        if (c == u'&' || c == displayform::kSpaceMark || c == displayform::kWideSpaceMark ||
            c == displayform::kLineEndMark || c == u'#')
            return true;
    return false;
}

// Words of the placeholders and their parts, picked by bytes 0xE0-0xEF
// of the input (which fuzzsupport::text would map to kana).
QString withPlaceholders(const QByteArray &in)
{
    static const QStringList words = [] {
        QStringList w = placeholders();
        w << kFeedStart << QStringLiteral("#紙送り15mm#") << QStringLiteral("#紙送り00mm#")
          << QStringLiteral("#紙送りX") << QStringLiteral("mm#");
        return w;
    }();
    QString out;
    QByteArray run;
    for (const char c : in) {
        const auto b = quint8(c);
        if (b >= 0xE0 && b < 0xF0) {
            out += fuzzsupport::text(run);
            run.clear();
            out += words[(b - 0xE0) % words.size()];
        } else {
            run += c;
        }
    }
    return out + fuzzsupport::text(run);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzsupport::Input in(data, size);
    const quint8 head = in.byte();
    const int height = head & 0x7F;
    const QByteArray raw = in.rest();
    const QString line = (head & 0x80) ? withPlaceholders(raw) : fuzzsupport::text(raw);

    const QByteArray escaped = escapeLine(line);
    check(escaped.size() <= 2 * line.size(), "at most two bytes a character");
    if (!hasNotation(line))
        check(escaped == cp932::encode(line), "plain text goes out in CP932");
    check(placeholdersToCommands(line, height).size() >= 0, "placeholders convert");

    // Typed, registered, read back, registered again: from the second
    // read on nothing changes. (The first read may still change what
    // goes out: a feed below 4 or above 123 dots reads back out of range
    // and goes out as 9 mm, "&5E" reads back as a space mark.)
    const QByteArray sent = lineForPrinter(line, height);
    QByteArray bytes = sent;
    int h = height;
    QString shown[2];
    QByteArray resent[2];
    for (int round = 0; round < 2; ++round) {
        const ReadBack r = readBack(bytes);
        shown[round] = r.content.line(1).text;
        h = r.barcodeHeight.value_or(h);
        bytes = resent[round] = lineForPrinter(shown[round], h);
    }
    const ReadBack last = readBack(bytes);
    check(last.content.line(1).text == shown[1], "a read-back line reads back as itself");
    check(lineForPrinter(last.content.line(1).text, last.barcodeHeight.value_or(h)) == resent[1],
          "a read-back line registers as the same bytes");

    // What a slot shows never holds a bare notation character.
    const QString display = slotToDisplay(sent);
    for (qsizetype i = 0; i < display.size(); ++i) {
        const QChar c = display[i];
        check(c.unicode() >= 0x20 || c.isSurrogate(), "no control character shown");
        if (c == u'&')
            check(i + 2 < display.size() && display[i + 1].isLetterOrNumber() && display[i + 2].isLetterOrNumber(),
                  "every & starts a code");
    }
    return 0;
}

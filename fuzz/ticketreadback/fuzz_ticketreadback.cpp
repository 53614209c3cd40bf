// libFuzzer target: a ticket content read back from the printer. The
// printer's reply goes through the line framing into the line lineSlots, or
// lineSlots are given directly, and the lineSlots are decoded into the window's
// lines and placeholders.
//
// Input: a mode byte, then
//   mode 0: per slot a control byte (bits 0-6 length x 4, bit 7 the slot
//           gets STX FS "e" in front) and its bytes; up to 20 lineSlots;
//   mode 1: the reply stream itself, cut into chunks whose lengths the
//           next two bytes give (cycled);
//   mode 2: lines built from tokens (text, spaces, control bytes, whole
//           printer commands), sent as a reply and read back: each line
//           must give the bytes it came from when registered again.
#include "fuzzsupport.h"

#include "base/cp932.h"
#include "comm/receiveframing.h"
#include "ticket/ticketconversion.h"

using fuzzsupport::check;
using namespace ticketconversion;

namespace {

constexpr int kSlots = TicketContent::kLineCount;
constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;
constexpr char kEnd = char(0xFF);

// An empty slot carries no line: nothing, a leading 0xFF, or less than
// STX FS "e" and the magnification before its 0xFF.
bool carriesLine(const QByteArray &slot)
{
    const qsizetype end = slot.indexOf(kEnd);
    return (end < 0 ? slot.size() : end) >= 5;
}

void checkDecoded(const ReadBack &r, const QList<QByteArray> &lineSlots)
{
    int filled = 0;
    for (int b = 0; b < kSlots && b < lineSlots.size(); ++b)
        filled += carriesLine(lineSlots[b]) ? 1 : 0;
    check(filled <= kSlots, "at most 16 lines");
    for (int d = 1; d <= kSlots; ++d) {
        const TicketLine &line = r.content.line(d);
        if (d > filled) {
            check(line == TicketLine{}, "lines after the read ones are empty with 1x1");
            continue;
        }
        check(line.magnification.size() <= 3 && line.magnification.contains(u'x'), "a magnification A x B");
        for (const QChar c : line.text)
            check(c.unicode() >= 0x20 || c.isSurrogate(), "control bytes shown as codes");
    }
    check(!r.barcodeHeight || (*r.barcodeHeight >= 0 && *r.barcodeHeight <= 0xFF), "a barcode height is a byte");
    // Slots past the 16th never count.
    if (lineSlots.size() > kSlots) {
        const ReadBack first = decodeLines(lineSlots.first(kSlots));
        check(first.content == r.content && first.barcodeHeight == r.barcodeHeight, "only lineSlots 1..16 count");
    }
}

// Slots as the read leaves them: 1..16 marked empty, then what the line
// framing stored while the reply came in chunks.
QList<QByteArray> readStream(const QByteArray &stream, fuzzsupport::Input &sizes, bool *complete)
{
    static const ReceiveState fresh;
    static ReceiveState rx;
    rx = fresh;
    for (int slot = 1; slot <= kSlots; ++slot)
        rx.lines.set(slot, 0, 0xFF);
    const quint8 a = sizes.byte();
    const quint8 b = sizes.byte();
    qsizetype at = 0;
    for (int k = 0; at < stream.size(); ++k) {
        const qsizetype n = 1 + ((k % 2 ? b : a) % 64) * ((k % 3) ? 1 : 7);
        framing::feed(rx, 613, stream.mid(at, n));
        at += n;
    }
    *complete = rx.framesComplete;
    QList<QByteArray> lineSlots;
    for (int slot = 1; slot <= kSlots; ++slot)
        lineSlots << rx.lines.column(slot);
    rx = fresh;
    return lineSlots;
}

// ---- mode 2: lines made of tokens -----------------------------------------

// Double-byte characters that convert to themselves (none of them is a
// mark of the display form), and the wide space.
const char *const kWide[] = {"\x82\xA0", "\x8A\xBF", "\x95\x5C", "\x83\x5C", "\x81\x40", "\x88\x9F", "\x87\x40"};
// Control bytes that are no part of a printer command (and no STX or ETX,
// which end a line on the wire).
const char kControls[] = {0x00, 0x01, 0x04, 0x07, 0x08, 0x09, 0x0A, 0x0C, 0x0D, 0x0E, 0x10, 0x1C, 0x1F, 0x7F};

struct Built {
    QByteArray bytes;      // the line as the printer holds it
    QByteArray registered; // what registering the read-back must send
    char a = '1', b = '1';
};

// A byte a height may take and read back as itself: ASCII, not the
// space mark, not LF (read back as the line end, which is CR), not STX or
// ETX (they end a line on the wire).
quint8 valueByte(quint8 v)
{
    v &= 0x7F;
    return v == '^' || v == 0x0A || v == 0x02 || v == 0x03 ? 0x41 : v;
}

Built buildLine(fuzzsupport::Input &in, quint8 height)
{
    Built line;
    const quint8 head = in.byte();
    line.a = char('1' + (head & 3));
    line.b = char('1' + ((head >> 2) & 3));
    const int tokens = head >> 4; // 0..15 tokens of up to 24 bytes each
    for (int t = 0; t < tokens && in.remaining() > 0; ++t) {
        const quint8 kind = in.byte();
        const quint8 arg = in.byte();
        switch (kind % 9) {
        case 0: // ASCII text but the space mark
        case 1:
            for (int i = 0; i <= arg % 8; ++i) {
                const char c = char(0x20 + (in.byte() % 0x5F));
                line.bytes += c == '^' ? '~' : c;
            }
            break;
        case 2:
            line.bytes += kWide[arg % (sizeof kWide / sizeof kWide[0])];
            break;
        case 3:
            line.bytes += kControls[arg % sizeof kControls];
            break;
        case 4: // half-width kana
            line.bytes += char(0xA1 + arg % 0x3F);
            break;
        case 5: // feed of 1..15 mm
            line.bytes += "\x1BJ";
            line.bytes += char((1 + arg % 15) * 8);
            break;
        case 6:
            line.bytes += QByteArray("\x13R\0", 3);
            break;
        case 7: {
            line.bytes += "\x1Dh";
            line.bytes += char(height);
            line.bytes += QByteArray("\x13S\0", 3);
            break;
        }
        case 8:
            line.bytes += QByteArray("\x13TJ", 3) + char('0' + arg % 5) + '\0';
            break;
        }
    }
    // Both line ends read back as the mark, which sends CR, or LF when it
    // is the whole line.
    line.registered = line.bytes;
    line.registered.replace('\n', '\r');
    if (line.registered == "\r")
        line.registered = "\n";
    return line;
}

void roundTrip(fuzzsupport::Input &in)
{
    const quint8 height = valueByte(in.byte());
    const quint8 sizing = in.byte();
    QList<Built> lines;
    const int count = 1 + in.byte() % kSlots;
    for (int k = 0; k < count && in.remaining() > 0; ++k)
        lines << buildLine(in, height);

    // The printer sends the lines of its block in order; the first one
    // lands in slot 16, so the window shows them the other way round.
    QByteArray stream("\x13"
                      "D\x01",
                      3);
    for (const Built &l : lines)
        stream += kStx +
                  QByteArray("\x1C"
                             "e") +
                  l.a + l.b + l.bytes;
    if (lines.isEmpty())
        stream += kStx; // an empty block: one empty line
    stream += kEtx;
    const QByteArray sizeBytes(2, char(sizing));
    fuzzsupport::Input sizes(reinterpret_cast<const uint8_t *>(sizeBytes.constData()), 2);
    bool complete = false;
    const QList<QByteArray> lineSlots = readStream(stream, sizes, &complete);
    check(complete, "a reply that ends in ETX is complete");
    const ReadBack r = decodeLines(lineSlots);
    checkDecoded(r, lineSlots);
    for (qsizetype k = 0; k < lines.size(); ++k) {
        const Built &l = lines[lines.size() - 1 - k];
        const TicketLine &line = r.content.line(int(k + 1));
        check(line.magnification == QString(QChar(l.a)) + u'x' + QChar(l.b), "the magnification reads back");
        check(lineForPrinter(line.text, r.barcodeHeight.value_or(0)) == l.registered,
              "a read-back line registers as the bytes it came from");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzsupport::Input in(data, size);
    const quint8 mode = in.byte() % 3;
    if (mode == 0) {
        QList<QByteArray> lineSlots;
        while (in.remaining() > 0 && lineSlots.size() < kSlots + 4) {
            const quint8 control = in.byte();
            QByteArray slot = (control & 0x80) ? QByteArray("\x02\x1C"
                                                            "e")
                                               : QByteArray();
            slot += in.take((control & 0x7Fu) * 4u);
            lineSlots << slot;
        }
        checkDecoded(decodeLines(lineSlots), lineSlots);
    } else if (mode == 1) {
        fuzzsupport::Input sizes = in;
        in.take(2);
        bool complete = false;
        const QList<QByteArray> lineSlots = readStream(in.rest(), sizes, &complete);
        const ReadBack r = decodeLines(lineSlots);
        checkDecoded(r, lineSlots);
        for (const QByteArray &s : lineSlots)
            check(s.size() == ByteTable::kRows, "a slot is one column");
    } else {
        roundTrip(in);
    }
    return 0;
}

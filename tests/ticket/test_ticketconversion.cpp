// Placeholders to printer commands and back, and the ticket escape
// conversion, against fixed bytes.
#include "ticket/ticketconversion.h"
#include "ticket/ticketframes.h"
#include "tickettest.h"

#include "base/cp932.h"

using namespace ticketconversion;

namespace {

// A slot as the receive path stores it: STX + the line's bytes + 0xFF.
QByteArray slotOf(const QByteArray &lineBytes) { return '\x02' + lineBytes + '\xFF'; }

} // namespace

TEST(TicketSend, FeedPlaceholderBecomesEscJWithMillimetresTimesEight)
{
    const struct {
        QString line;
        const char *bytes;
    } cases[] = {
        {"#紙送り09mm#", "1b 4a 48"},
        {"#紙送り01mm#", "1b 4a 08"},
        {"#紙送り15mm#", "1b 4a 78"},
        {"#紙送り00mm#", "1b 4a 48"}, // out of range: 9 mm
        {"#紙送り20mm#", "1b 4a 48"},
        {"#紙送りABmm#", "1b 4a 48"}, // not a number
        {"#紙送り-5mm#", "1b 4a 48"},
        {"#紙送り4mmm#", "1b 4a 20"}, // leading digits count
        // The nine characters from "#" go whatever they are.
        {"#紙送り5mm#AB", "1b 4a 28 42"},
        {"A#紙送り02mm##紙送り03mm#B", "41 1b 4a 10 1b 4a 18 42"},
        // Shorter than a placeholder: sent as text.
        {"#紙送り9mm", "23 8e 86 91 97 82 e8 39 6d 6d"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(lineForPrinter(c.line, 0), hex(c.bytes)) << c.line.toStdString();
}

TEST(TicketSend, CommandPlaceholdersAndBarcodeHeight)
{
    const struct {
        QString line;
        int height;
        const char *bytes;
    } cases[] = {
        {"#番号の印字#", 0, "13 52 00"},
        {"#バーコード印字#", 56, "1d 68 38 13 53 00"},
        {"#バーコード印字#", 96, "1d 68 60 13 53 00"},
        {"#年～分印字#", 0, "13 54 4a 30 00"},
        {"#年月日印字#", 0, "13 54 4a 31 00"},
        {"#月日印字#", 0, "13 54 4a 32 00"},
        {"#月日時分印字#", 0, "13 54 4a 33 00"},
        {"#時分印字#", 0, "13 54 4a 34 00"},
        {"No.#番号の印字#^#時分印字#↓", 0, "4e 6f 2e 13 52 00 20 13 54 4a 34 00 0d"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(lineForPrinter(c.line, c.height), hex(c.bytes)) << c.line.toStdString();
}

TEST(TicketSend, EscapeConversionEdgeCases)
{
    const struct {
        QString line;
        const char *bytes;
    } cases[] = {
        {"&&", ""},
        {"A&&B", "41 42"},
        {"&41&42", "41 42"},
        {"&1b", "1b"},
        {"AB&4", "41 42"}, // a lone digit at the end
        {"AB&", "41 42"},
        {"^＾", "20 81 40"},
        {"↓", "0a"}, // a line that is only the mark
        {"AB↓", "41 42 0d"},
        {"↓↓", "0d 0d"},
        {"&↓41", "0d 34 31"}, // the mark ends the escape
        {"漢&0D字", "8a bf 0d 8e 9a"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(escapeLine(c.line), hex(c.bytes)) << c.line.toStdString();
}

TEST(TicketReadBack, SlotsBecomeDisplayFormAndPlaceholders)
{
    const struct {
        const char *lineBytes; // after STX
        QString magnification;
        QString text;
    } cases[] = {
        {"1c 65 32 31 41 42", "2x1", "AB"},
        {"1c 65 31 31 1b 4a 08", "1x1", "#紙送り01mm#"},
        {"1c 65 31 31 1b 4a 48", "1x1", "#紙送り09mm#"},
        {"1c 65 31 31 1b 4a 78", "1x1", "#紙送り15mm#"},
        // 4 mm is a space on the wire.
        {"1c 65 31 31 1b 4a 20 41", "1x1", "#紙送り04mm#A"},
        // Halves go to the even millimetre: 12 -> 2 (1.5), 20 -> 2 (2.5).
        {"1c 65 31 31 1b 4a 0c 1b 4a 14", "1x1", "#紙送り02mm##紙送り02mm#"},
        {"1c 65 33 34 13 52 00 20 82 a0 81 40 0d", "3x4", "#番号の印字#^あ＾↓"},
        {"1c 65 31 31 13 54 4a 30 00 13 54 4a 34 00", "1x1", "#年～分印字##時分印字#"},
        {"1c 65 31 31 07 7f", "1x1", "&07\x7f"},
        {"1c 65 31 31 1b 4a", "1x1", "&1BJ"}, // no value: left alone
    };
    for (const auto &c : cases) {
        const ReadBack r = decodeLines({slotOf(hex(c.lineBytes))});
        EXPECT_EQ(r.content.line(1).magnification, c.magnification) << c.lineBytes;
        EXPECT_EQ(r.content.line(1).text, c.text) << c.lineBytes;
    }
}

TEST(TicketReadBack, BarcodeGivesItsHeightAndTakesItsCommandAlong)
{
    ReadBack r = decodeLines({slotOf(hex("1c 65 31 31 41 1d 68 38 13 53 00 42"))});
    EXPECT_EQ(r.content.line(1).text, QStringLiteral("A#バーコード印字#B"));
    EXPECT_EQ(r.barcodeHeight, 56);

    // A height below 0x20 is shown as an escape; it goes as a whole.
    r = decodeLines({slotOf(hex("1c 65 31 31 1d 68 00 13 53 00"))});
    EXPECT_EQ(r.content.line(1).text, QStringLiteral("#バーコード印字#"));
    EXPECT_EQ(r.barcodeHeight, 0);

    // Without GS "h" before it nothing of the text is lost.
    r = decodeLines({slotOf(hex("1c 65 31 31 41 42 43 44 45 13 53 00"))});
    EXPECT_EQ(r.content.line(1).text, QStringLiteral("ABCDE#バーコード印字#"));
    EXPECT_FALSE(r.barcodeHeight);
}

TEST(TicketReadBack, FilledSlotsCloseUpFromLineOne)
{
    QList<QByteArray> lineSlots(16, QByteArray(1, '\xFF'));
    lineSlots[15] = slotOf(hex("1c 65 31 31 41")); // slot 16 arrived first
    lineSlots[14] = slotOf(hex("1c 65 34 34 42")); // slot 15
    const ReadBack r = decodeLines(lineSlots);
    EXPECT_EQ(r.content.line(1), (TicketLine{"B", "4x4"}));
    EXPECT_EQ(r.content.line(2), (TicketLine{"A", "1x1"}));
    for (int k = 3; k <= 16; ++k)
        EXPECT_EQ(r.content.line(k), TicketLine{}) << k;
    EXPECT_EQ(decodeLines({}).content, TicketContent{});
}

TEST(TicketReadBack, WhatIsRegisteredReadsBackTheSame)
{
    const QString lines[] = {
        "#紙送り01mm#",
        "#紙送り04mm#",
        "#紙送り12mm#",
        "#紙送り15mm#",
        "#番号の印字#",
        "#年～分印字#",
        "#年月日印字#",
        "#月日印字#",
        "#月日時分印字#",
        "#時分印字#",
        "整理券^No.#番号の印字#＾↓",
        "A#バーコード印字#B",
        "&07&1F",
    };
    for (const QString &text : lines) {
        const TicketLine line{text, "2x3"};
        // lineFrame starts with STX, as the receive path stores it.
        const ReadBack r = decodeLines({ticketframes::lineFrame(line, 64) + '\xFF'});
        EXPECT_EQ(r.content.line(1), line) << text.toStdString();
        if (text.contains(kBarcode)) {
            EXPECT_EQ(r.barcodeHeight, 64);
        }
    }
}

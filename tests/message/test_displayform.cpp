// The editing conversion, the number box and the control codes: pure
// functions over text.
#include "comm/notation.h"
#include "message/displayform.h"
#include "message/messagecodes.h"
#include "message/numberbox.h"
#include "messagetest.h"

using namespace displayform;

namespace {

// Types `typed` at the caret of the converted text, as a box would.
Edit type(const Edit &e, const QString &typed)
{
    const QString after = e.text.left(e.caret) + typed + e.text.mid(e.caret);
    return convert(e.text, after, e.caret + int(typed.size()));
}

Edit typeAll(const QStringList &keys)
{
    Edit e;
    for (const QString &k : keys)
        e = type(e, k);
    return e;
}

const QString kCrLf = QStringLiteral("\r\n");

} // namespace

TEST(EditingConversion, SpacesBecomeMarksAndTheCaretStays)
{
    const Edit e = typeAll({"A", "B", " "});
    EXPECT_EQ(e.text, QStringLiteral("AB^"));
    EXPECT_EQ(e.caret, 3);
    const Edit pasted = convert(QString(), QStringLiteral("全角　空白 x"), 0);
    EXPECT_EQ(pasted.text, QStringLiteral("全角＾空白^x"));
    EXPECT_EQ(pasted.caret, 0);
}

TEST(EditingConversion, EnterAndLoneMarksBecomeWholeLineEnds)
{
    const Edit three = typeAll({"A", kCrLf, kCrLf, kCrLf});
    EXPECT_EQ(three.text, QStringLiteral("A↓\r\n↓\r\n↓\r\n"));
    EXPECT_EQ(three.caret, three.text.size());
    EXPECT_EQ(notation::convertForPrinter(three.text), QByteArray("A\r\n\n"));

    // A mark typed in the middle gets its CR LF; the caret moves past it.
    const Edit mid = convert(QStringLiteral("ABCD"), QStringLiteral("AB↓CD"), 3);
    EXPECT_EQ(mid.text, QStringLiteral("AB↓\r\nCD"));
    EXPECT_EQ(mid.caret, 5);
}

TEST(EditingConversion, DeletingPartOfALineEndRemovesTheWholeGroup)
{
    const QString before = QStringLiteral("AB↓\r\n↓\r\nCD");
    // The line break after the first mark (one "\n" in the box).
    Edit e = convert(before, QStringLiteral("AB↓↓\r\nCD"), 3);
    EXPECT_EQ(e.text, QStringLiteral("AB↓\r\nCD"));
    EXPECT_EQ(e.caret, 2);
    // The second mark itself.
    e = convert(before, QStringLiteral("AB↓\r\n\r\nCD"), 5);
    EXPECT_EQ(e.text, QStringLiteral("AB↓\r\nCD"));
    EXPECT_EQ(e.caret, 5);
    // An ordinary character next to a group leaves the group alone.
    e = convert(before, QStringLiteral("AB↓\r\n↓\r\nC"), 9);
    EXPECT_EQ(e.text, QStringLiteral("AB↓\r\n↓\r\nC"));
    // A shorter paste over a selection keeps its own line break.
    e = convert(QStringLiteral("ABCDEF"), QStringLiteral("X\r\nY"), 4);
    EXPECT_EQ(e.text, QStringLiteral("X↓\r\nY"));
}

TEST(EditingConversion, WarnsAbove500BytesWithoutCuttingTheText)
{
    EXPECT_FALSE(normalise(QString(500, u'a')).overLimit);
    const Edit wide = normalise(QString(251, u'漢')); // 502 bytes
    EXPECT_TRUE(wide.overLimit);
    EXPECT_EQ(wide.text.size(), 251);
    EditingRules silent;
    silent.warnAboveBytes = 0;
    EXPECT_FALSE(normalise(QString(900, u'a'), silent).overLimit);
}

TEST(EditingConversion, TicketRulesEndTheLineAtItsMark)
{
    EditingRules ticket;
    ticket.lineEndEndsText = true;
    EXPECT_EQ(normalise(QStringLiteral("AB↓CD"), ticket).text, QStringLiteral("AB↓"));
    EXPECT_EQ(normalise(QStringLiteral("A B\r\nC"), ticket).text, QStringLiteral("A^B↓"));
}

TEST(EditingConversion, BoxPositionsMapAcrossLineBreaks)
{
    const QString text = QStringLiteral("A↓\r\nB↓\r\nC");
    const QString box = toBox(text);
    EXPECT_EQ(box, QStringLiteral("A↓\nB↓\nC"));
    EXPECT_EQ(fromBox(box), text);
    for (int pos = 0; pos <= box.size(); ++pos)
        EXPECT_EQ(positionToBox(text, positionFromBox(box, pos)), pos);
    EXPECT_EQ(marksToSpaces(QStringLiteral("a^b＾c↓")), QStringLiteral("a b　c↓"));
}

TEST(NumberBox, ShowsTheNumericValueAndChecksTheRange)
{
    EXPECT_EQ(numberbox::onChange(QStringLiteral("007"))->text, QStringLiteral("7"));
    EXPECT_FALSE(numberbox::onChange(QStringLiteral("007"))->outOfRange);
    EXPECT_EQ(numberbox::onChange(QStringLiteral("abc"))->text, QStringLiteral("0"));
    EXPECT_TRUE(numberbox::onChange(QStringLiteral("abc"))->outOfRange);
    EXPECT_EQ(numberbox::onChange(QStringLiteral("12x"))->text, QStringLiteral("12"));
    EXPECT_TRUE(numberbox::onChange(QStringLiteral("256"))->outOfRange);
    EXPECT_TRUE(numberbox::onChange(QStringLiteral("99999999999999999999"))->outOfRange);
    EXPECT_FALSE(numberbox::onChange(QString()).has_value());

    EXPECT_EQ(numberbox::parse(QString()).messageCode, 56);
    EXPECT_EQ(numberbox::parse(QStringLiteral("0")).messageCode, 100);
    EXPECT_EQ(numberbox::parse(QStringLiteral("255")).number, 255);
    EXPECT_EQ(numberbox::next(255), 1);
}

TEST(MessageCodes, AcceptsOnly01To1F)
{
    for (const char *ok : {"&1F", "&01", "A&0dB", "&1f&0E", "end&", "&&", "&&20", ""})
        EXPECT_EQ(messagecodes::findInvalidCode(QString::fromUtf8(ok)), -1) << ok;
    const struct {
        const char *text;
        int at;
    } bad[] = {{"&00", 0}, {"&20", 0}, {"&2A", 0}, {"&G1", 0}, {"AB&1", 2}, {"x&01y&7F", 5}};
    for (const auto &b : bad)
        EXPECT_EQ(messagecodes::findInvalidCode(QString::fromUtf8(b.text)), b.at) << b.text;
}

TEST(MessageCodes, ReadBackBytesBecomeDisplayFormThatFitsTheFile)
{
    using messagecodes::fromPrinterBytes;
    EXPECT_EQ(fromPrinterBytes(QByteArray("A\x07"
                                          "B")),
              QStringLiteral("A&07B"));
    EXPECT_EQ(fromPrinterBytes(QByteArray("a b\rc\xFFzz")), QStringLiteral("a^b↓\r\nc"));
    EXPECT_EQ(fromPrinterBytes(QByteArray("\x8A\xBF\x1B"
                                          "N1")),
              QStringLiteral("漢&1BN1"));

    // Cut only between whole characters, codes and line ends.
    using messagecodes::fitToBytes;
    const QString text = QStringLiteral("AB&07漢↓\r\nC");
    EXPECT_EQ(fitToBytes(text, 100), text);
    EXPECT_EQ(fitToBytes(text, 4), QStringLiteral("AB"));
    EXPECT_EQ(fitToBytes(text, 6), QStringLiteral("AB&07"));
    EXPECT_EQ(fitToBytes(text, 10), QStringLiteral("AB&07漢"));
    EXPECT_EQ(fitToBytes(text, 11), QStringLiteral("AB&07漢↓\r\n"));
}

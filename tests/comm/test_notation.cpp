#include "comm/notation.h"

#include <gtest/gtest.h>

using namespace notation;

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

} // namespace

TEST(HexDigit, CategoriesAndValues)
{
    EXPECT_EQ(hexDigitValue(u'0').category, 1);
    EXPECT_EQ(hexDigitValue(u'1').value, 1);
    EXPECT_EQ(hexDigitValue(u'2').category, 2);
    EXPECT_EQ(hexDigitValue(u'9').value, 9);
    EXPECT_EQ(hexDigitValue(u'A').category, 3);
    EXPECT_EQ(hexDigitValue(u'f').value, 15);
    EXPECT_EQ(hexDigitValue(u'G').category, 0);
    EXPECT_EQ(hexDigitValue(u'０').category, 0); // full-width digits are not digits
    EXPECT_EQ(hexDigitValue(u'&').category, 0);
}

TEST(EscapeCheck, MessageToolAllowsOnly01To1F)
{
    const qint16 message = 200;
    EXPECT_FALSE(validateEscapes("&00", message).valid);
    EXPECT_FALSE(validateEscapes("&20", message).valid);
    EXPECT_TRUE(validateEscapes("&1F", message).valid);
    EXPECT_TRUE(validateEscapes("&1f", message).valid);
    EXPECT_TRUE(validateEscapes("&01", message).valid);
    EXPECT_FALSE(validateEscapes("&7F", message).valid);
    // The same texts under the general rule.
    EXPECT_TRUE(validateEscapes("&00", 600).valid);
    EXPECT_TRUE(validateEscapes("&20", 600).valid);
}

TEST(EscapeCheck, GeneralRuleAllows00To7F)
{
    for (qint16 state : {qint16(0), qint16(205), qint16(400), qint16(600), qint16(800), qint16(900)}) {
        EXPECT_TRUE(validateEscapes("&7F", state).valid) << state;
        EXPECT_FALSE(validateEscapes("&80", state).valid) << state;
        EXPECT_FALSE(validateEscapes("&G1", state).valid) << state;
    }
    EXPECT_FALSE(validateEscapes("&G1", 200).valid);
}

TEST(EscapeCheck, TextEndsAndCancelledEscapes)
{
    EXPECT_FALSE(validateEscapes("AB&4", 600).valid);
    EXPECT_TRUE(validateEscapes("AB&", 600).valid);
    EXPECT_TRUE(validateEscapes("A&&41", 200).valid); // "&&" cancels: 41 is plain text
    EXPECT_TRUE(validateEscapes("&&&", 200).valid);
    EXPECT_TRUE(validateEscapes("", 200).valid);
    EXPECT_FALSE(validateEscapes("& 1", 600).valid);
}

TEST(EscapeCheck, ErrorPositionIsTheAmpersand)
{
    // 1-based position of the "&" of the failing escape.
    EXPECT_EQ(validateEscapes("&G1", 600).errorPosition, 1);
    EXPECT_EQ(validateEscapes("AB&G1", 600).errorPosition, 3);
    EXPECT_EQ(validateEscapes("AB&4", 600).errorPosition, 3);
    EXPECT_EQ(validateEscapes("&1B&80X", 600).errorPosition, 4);
    EXPECT_EQ(validateEscapes("&&&G1", 600).errorPosition, 3);
    EXPECT_EQ(validateEscapes("あ&20", 200).errorPosition, 2); // positions count characters
    EXPECT_EQ(validateEscapes("&1B", 600).errorPosition, 0);
}

TEST(Convert, EscapesAndCancelledEscapes)
{
    EXPECT_EQ(convertForPrinter("A&41B"), QByteArray("AAB"));
    EXPECT_EQ(convertForPrinter("A&&41"), QByteArray("A41"));
    EXPECT_EQ(convertForPrinter("&13TJ2&00"), QByteArray("\x13TJ2\0", 5));
    EXPECT_EQ(convertForPrinter("&1bN0"), QByteArray("\x1BN0"));
    EXPECT_EQ(convertForPrinter("AB&"), QByteArray("AB"));
    EXPECT_EQ(convertForPrinter("AB&4"), QByteArray("AB")); // lone digit: nothing
    EXPECT_EQ(convertForPrinter("&4GX"), QByteArray("X"));  // bad second digit: nothing
}

TEST(Convert, EscapeBytesAboveAsciiStayRawBytes)
{
    // Never through a text conversion: 0x80..0xFF stay single bytes.
    EXPECT_EQ(convertForPrinter("&80&FF&A0"), bytes({0x80, 0xFF, 0xA0}));
    EXPECT_EQ(convertForPrinter("あ&82"), bytes({0x82, 0xA0, 0x82}));
}

TEST(Convert, VisibleMarksAndJapaneseInCp932)
{
    EXPECT_EQ(convertForPrinter("A^B"), QByteArray("A B"));
    EXPECT_EQ(convertForPrinter("＾"), bytes({0x81, 0x40}));
    EXPECT_EQ(convertForPrinter("印字"), bytes({0x88, 0xF3, 0x8E, 0x9A}));
    EXPECT_EQ(convertForPrinter("ｱ"), bytes({0xB1}));
}

TEST(Convert, LineEndMarks)
{
    // One line end: CR; each further one in a row: LF.
    EXPECT_EQ(convertForPrinter("A↓\r\nB"), QByteArray("A\rB"));
    EXPECT_EQ(convertForPrinter("A↓\r\n↓\r\n↓\r\nB"), QByteArray("A\r\n\nB"));
    EXPECT_EQ(convertForPrinter("A↓\r\nB↓\r\nC"), QByteArray("A\rB\rC"));
    // A mark without the editor's CR LF loses no text.
    EXPECT_EQ(convertForPrinter("A↓B"), QByteArray("A\rB"));
    EXPECT_EQ(convertForPrinter("A↓"), QByteArray("A\r"));
    // Plain CR/LF pass unchanged outside the line-end model.
    EXPECT_EQ(convertForPrinter("A\r\nB"), QByteArray("A\r\nB"));
}

TEST(Convert, LineEndChoiceOfThe222Model)
{
    const QString text = QStringLiteral("A↓\r\nB\r\n↓\r\n");
    EXPECT_EQ(convertForPrinter(text, {true, 0}), QByteArray("A\rB\r"));
    EXPECT_EQ(convertForPrinter(text, {true, 1}), QByteArray("A\nB\n"));
    EXPECT_EQ(convertForPrinter(text, {true, 2}), QByteArray("A\r\nB\r\n"));
}

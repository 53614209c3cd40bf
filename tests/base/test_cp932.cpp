#include "base/cp932.h"

#include <gtest/gtest.h>

TEST(Cp932, RoundTripsJapaneseAndCountsDoubleBytes)
{
    const QString text = QStringLiteral("A＾↓メッセージ　1");
    const QByteArray bytes = cp932::encode(text);
    EXPECT_EQ(bytes, QByteArray("A\x81\x4F\x81\xAB\x83\x81\x83\x62\x83\x5A\x81\x5B\x83\x57\x81\x40"
                                "1"));
    EXPECT_EQ(cp932::decode(bytes), text);
    EXPECT_EQ(cp932::byteCount(text), 18);
    EXPECT_EQ(cp932::byteCount(QStringLiteral("ｱ")), 1); // half-width katakana is one byte
}

TEST(Cp932, InvalidBytesAreReplacedNotFatal)
{
    EXPECT_FALSE(cp932::isValid(QByteArray("\x81", 1)));
    EXPECT_FALSE(cp932::isValid(QByteArray("A\xFF"
                                           "B",
                                           3)));
    EXPECT_TRUE(cp932::isValid(QByteArray("\x83\x70", 2)));
    const QString s = cp932::decode(QByteArray("A\xFF"
                                               "B\x81",
                                               4));
    EXPECT_TRUE(s.startsWith(QLatin1Char('A')));
    EXPECT_TRUE(s.contains(QLatin1Char('B')));
    EXPECT_TRUE(s.contains(QChar(0xFFFD)));
    // Characters CP932 does not have become '?'.
    EXPECT_EQ(cp932::encode(QStringLiteral("a\u0101b")), QByteArray("a?b"));
}

TEST(Cp932, ControlBytesPassUnchanged)
{
    QByteArray all;
    for (int b = 0; b < 0x20; ++b)
        all.append(char(b));
    EXPECT_EQ(cp932::encode(cp932::decode(all)), all);
}

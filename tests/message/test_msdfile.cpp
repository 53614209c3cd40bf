#include "message/msdfile.h"
#include "messagetest.h"

#include "base/cp932.h"

using MsdFileTest = MessageTest;

TEST_F(MsdFileTest, NewFileHas255EmptyRecordsInTheExactLayout)
{
    const QString file = path("new.msd");
    ASSERT_TRUE(MsdFile::createEmpty(file));
    const QByteArray all = bytesOf(file);
    ASSERT_EQ(all.size(), 130560);
    EXPECT_EQ(all, emptyFile());
    EXPECT_TRUE(MsdFile(file).occupiedNumbers().isEmpty());
}

TEST_F(MsdFileTest, WriteChangesOnlyItsRecordAndReadsBack)
{
    const QString file = path("m.msd");
    ASSERT_TRUE(MsdFile::createEmpty(file));
    const QString text = QStringLiteral("AB^＾↓\r\n&0E漢");
    ASSERT_TRUE(MsdFile(file).writeText(5, text));

    QByteArray expected = emptyFile();
    expected.replace(4 * 512, 512, record(cp932::encode(text)));
    EXPECT_EQ(bytesOf(file), expected);
    EXPECT_EQ(MsdFile(file).readText(5), text);
    EXPECT_EQ(MsdFile(file).occupiedNumbers(), QList<int>{5});

    ASSERT_TRUE(MsdFile(file).clearRecord(5));
    EXPECT_EQ(bytesOf(file), emptyFile());
}

TEST_F(MsdFileTest, TextFieldHolds509BytesBeforeTheTerminatorAndNoMore)
{
    const QString file = path("m.msd");
    ASSERT_TRUE(MsdFile::createEmpty(file));
    const MsdFile f(file);
    ASSERT_TRUE(f.writeRecord(1, QByteArray(509, 'x')));
    EXPECT_EQ(bytesOf(file).at(511), '\xFF');
    EXPECT_EQ(bytesOf(file).at(512), '\0'); // record 2 untouched

    const QByteArray before = bytesOf(file);
    QString error;
    EXPECT_FALSE(f.writeRecord(2, QByteArray(510, 'y'), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(bytesOf(file), before);
}

TEST_F(MsdFileTest, ShortFileReadsMissingRecordsAsEmptyAndGrowsWithEmptyRecords)
{
    const QString file = path("short.msd");
    QByteArray three = record("one") + record("two") + record("three");
    writeBytes(file, three);
    const MsdFile f(file);
    EXPECT_EQ(f.occupiedNumbers(), (QList<int>{1, 2, 3}));
    const auto missing = f.readRecord(200);
    ASSERT_TRUE(missing.has_value());
    EXPECT_FALSE(missing->occupied());

    ASSERT_TRUE(f.writeRecord(10, "ten"));
    const QByteArray all = bytesOf(file);
    ASSERT_EQ(all.size(), 10 * 512);
    EXPECT_EQ(all.left(3 * 512), three);
    EXPECT_EQ(all.mid(3 * 512, 6 * 512), emptyFile(6));
    EXPECT_EQ(f.occupiedNumbers(), (QList<int>{1, 2, 3, 10}));
}

TEST_F(MsdFileTest, CutShortRecordKeepsItsTextWhenTheFileGrows)
{
    const QString file = path("odd.msd");
    // Record 1 whole, record 2 cut after 300 bytes with no terminator.
    QByteArray partial = QByteArray(2, '\0') + QByteArray(298, 'q');
    writeBytes(file, record("one") + partial);
    const MsdFile f(file);
    const auto r2 = f.readRecord(2);
    ASSERT_TRUE(r2.has_value());
    EXPECT_TRUE(r2->occupied());
    EXPECT_FALSE(r2->terminated);
    EXPECT_EQ(r2->text, QByteArray(298, 'q'));

    const MsdFileHealth h = f.inspect();
    EXPECT_TRUE(h.partialRecord);
    EXPECT_EQ(h.unterminated, QList<int>{2});

    ASSERT_TRUE(f.writeRecord(3, "three"));
    EXPECT_EQ(bytesOf(file).size(), 3 * 512);
    EXPECT_EQ(f.readRecord(2)->text, QByteArray(298, 'q'));
    EXPECT_EQ(f.readText(3), QStringLiteral("three"));
}

TEST_F(MsdFileTest, RecordWithoutTerminatorIsReadToTheEndOfItsField)
{
    const QString file = path("noff.msd");
    QByteArray bad = QByteArray(2, '\0') + QByteArray(510, 'z');
    writeBytes(file, bad + record("two"));
    const MsdFile f(file);
    EXPECT_EQ(f.readRecord(1)->text.size(), 510);
    EXPECT_EQ(f.readText(2), QStringLiteral("two"));
}

TEST_F(MsdFileTest, BytesThatAreNotCp932AreReportedAndReadWithoutCrashing)
{
    const QString file = path("garbled.msd");
    writeBytes(file, record("A\x81\x20"
                            "B") +
                         record("ok"));
    const MsdFile f(file);
    EXPECT_EQ(f.inspect().undecodable, QList<int>{1});
    const QString text = f.readText(1);
    EXPECT_TRUE(text.startsWith(u'A'));
    EXPECT_TRUE(text.endsWith(u'B'));
}

TEST_F(MsdFileTest, ReadOnlyOrMissingFilesAreNeverWritten)
{
    const QString file = path("ro.msd");
    ASSERT_TRUE(MsdFile::createEmpty(file));
    QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    const MsdFile f(file);
    EXPECT_TRUE(f.isReadOnly());
    QString error;
    EXPECT_FALSE(f.writeRecord(1, "x", &error));
    EXPECT_EQ(error, QStringLiteral("書き込みが禁止されています。"));
    EXPECT_EQ(bytesOf(file), emptyFile());

    const MsdFile missing(path("none.msd"));
    EXPECT_FALSE(missing.readRecords().has_value());
    EXPECT_FALSE(missing.writeRecord(1, "x"));
    EXPECT_FALSE(QFile::exists(path("none.msd")));
}

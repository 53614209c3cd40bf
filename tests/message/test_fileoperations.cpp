// Open, save, delete, the print list and the file copy against real files
// with a scripted prompter.
#include "message/filecopy.h"
#include "message/messagefileoperations.h"
#include "message/msdfile.h"
#include "messagetest.h"

#include "base/cp932.h"

class FileOperationsTest : public MessageTest {
protected:
    FileOperationsTest() : ops(*ctx) {}

    // A file of 255 empty records with the given texts.
    QString makeFile(const QString &name, const QMap<int, QByteArray> &texts = {})
    {
        const QString file = path(name);
        QByteArray all = emptyFile();
        for (auto it = texts.begin(); it != texts.end(); ++it)
            all.replace((it.key() - 1) * 512, 512, record(it.value()));
        writeBytes(file, all);
        return file;
    }
    MessageForm form(const QString &file, const QString &number, const QString &content = {})
    {
        return MessageForm{file, number, content, {}};
    }

    MessageFileOperations ops;
};

TEST_F(FileOperationsTest, SaveWritesTheRecordListsItAndMovesToTheNextNumber)
{
    const QString file = makeFile("m.msd", {{8, "eight"}});
    MessageForm f = form(file, "7", QStringLiteral("A^B↓\r\n&13TJ2"));
    ASSERT_TRUE(ops.save(f));
    EXPECT_EQ(p->codes(), QList<int>{14});
    EXPECT_TRUE(p->requests[0].text.contains(QStringLiteral("No.7")));
    EXPECT_EQ(f.savedNumbers, (QList<int>{7, 8}));
    EXPECT_EQ(f.numberText, QStringLiteral("8"));
    EXPECT_EQ(f.content, QStringLiteral("eight"));
    EXPECT_EQ(bytesOf(file).mid(6 * 512, 512), record(cp932::encode(QStringLiteral("A^B↓\r\n&13TJ2"))));
}

TEST_F(FileOperationsTest, SavingNumber255AdvancesToNumber1)
{
    const QString file = makeFile("m.msd", {{1, "first"}});
    MessageForm f = form(file, "255", "last");
    ASSERT_TRUE(ops.save(f));
    EXPECT_EQ(f.numberText, QStringLiteral("1"));
    EXPECT_EQ(f.content, QStringLiteral("first"));
}

TEST_F(FileOperationsTest, Saves508BytesAndRefuses509)
{
    const QString file = makeFile("m.msd");
    MessageForm f = form(file, "3", QString(254, u'漢')); // 508 bytes
    EXPECT_TRUE(ops.save(f));
    const QByteArray before = bytesOf(file);
    p->clear();
    f = form(file, "4", QString(254, u'漢') + u'x'); // 509 bytes
    EXPECT_FALSE(ops.save(f));
    EXPECT_EQ(p->codes(), QList<int>{101});
    EXPECT_EQ(bytesOf(file), before);
}

TEST_F(FileOperationsTest, OverwriteAnsweredNoLeavesTheFileByteIdentical)
{
    const QString file = makeFile("m.msd", {{5, "old"}});
    const QByteArray before = bytesOf(file);
    MessageForm f = form(file, "5", "new");
    p->script({Answer::No});
    EXPECT_FALSE(ops.save(f));
    EXPECT_EQ(p->codes(), QList<int>{304});
    EXPECT_EQ(bytesOf(file), before);
    EXPECT_EQ(f.numberText, QStringLiteral("5"));

    p->clear();
    p->script({Answer::Yes});
    EXPECT_TRUE(ops.save(f));
    EXPECT_EQ(MsdFile(file).readText(5), QStringLiteral("new"));
}

TEST_F(FileOperationsTest, SaveChecksInputBeforeTheFile)
{
    const struct {
        const char *number;
        QString content;
        int code;
    } cases[] = {
        {"", QStringLiteral("x"), 56}, {"0", QStringLiteral("x"), 100},     {"256", QStringLiteral("x"), 100},
        {"1", QString(), 57},          {"1", QStringLiteral("ab&20"), 104},
    };
    for (const auto &c : cases) {
        p->clear();
        MessageForm f = form(path("never.msd"), c.number, c.content);
        int bad = -1;
        EXPECT_FALSE(ops.save(f, &bad));
        EXPECT_EQ(p->codes(), QList<int>{c.code});
        if (c.code == 104) {
            EXPECT_EQ(bad, 2);
        }
    }
    EXPECT_FALSE(QFile::exists(path("never.msd")));
}

TEST_F(FileOperationsTest, CharactersTheFileCannotHoldAreNotTurnedIntoQuestionMarks)
{
    const QString file = makeFile("m.msd");
    const QByteArray before = bytesOf(file);
    MessageForm f = form(file, "1", QStringLiteral("ok?\U0001F600x"));
    int at = -1;
    EXPECT_FALSE(ops.save(f, &at));
    EXPECT_EQ(at, 3);
    ASSERT_EQ(p->requests.size(), 1);
    EXPECT_TRUE(p->requests[0].text.contains(QStringLiteral("保存できない文字")));
    EXPECT_EQ(bytesOf(file), before);
}

TEST_F(FileOperationsTest, SaveIntoANewFileCreatesItFirst)
{
    MessageForm f = form(path("fresh"), "2", "hello");
    p->script({Answer::Yes});
    ASSERT_TRUE(ops.save(f));
    EXPECT_EQ(p->codes(), (QList<int>{350, 14}));
    EXPECT_EQ(f.fileName, path("fresh.msd"));
    EXPECT_EQ(f.savedNumbers, QList<int>{2});
}

TEST_F(FileOperationsTest, ReadOnlyFileIsReportedAndStaysUnchanged)
{
    const QString file = makeFile("ro.msd", {{1, "keep"}});
    QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup);
    const QByteArray before = bytesOf(file);

    MessageForm f = form(file, "1", "new"); // occupied, yet no overwrite question
    EXPECT_FALSE(ops.save(f));
    ASSERT_EQ(p->requests.size(), 1);
    EXPECT_TRUE(p->requests[0].text.contains(QStringLiteral("書き込めませんでした")));

    p->clear();
    p->script({Answer::Yes});
    f = form(file, "1");
    EXPECT_FALSE(ops.remove(f));
    EXPECT_EQ(p->codes(), (QList<int>{305, 52}));
    EXPECT_EQ(bytesOf(file), before);
}

TEST_F(FileOperationsTest, DeleteAsksClearsTheRecordAndAdvances)
{
    const QString file = makeFile("m.msd", {{4, "four"}, {5, "five"}});
    MessageForm f = form(file, "4");
    p->script({Answer::No});
    EXPECT_FALSE(ops.remove(f));
    EXPECT_EQ(MsdFile(file).readText(4), QStringLiteral("four"));

    p->clear();
    p->script({Answer::Yes});
    ASSERT_TRUE(ops.remove(f));
    EXPECT_EQ(p->codes(), (QList<int>{305, 17}));
    EXPECT_EQ(f.savedNumbers, QList<int>{5});
    EXPECT_EQ(f.numberText, QStringLiteral("5"));
    EXPECT_EQ(f.content, QStringLiteral("five"));

    // A missing file is not offered for creation.
    p->clear();
    f = form(path("missing.msd"), "1");
    EXPECT_FALSE(ops.remove(f));
    EXPECT_EQ(p->codes(), QList<int>{52});
    EXPECT_FALSE(QFile::exists(path("missing.msd")));
}

TEST_F(FileOperationsTest, OpeningADamagedFileShowsWhatCanBeReadAndWritesNothing)
{
    const QString file = path("bad.msd");
    const QByteArray bytes = record("one") + record("\x81\x20") + QByteArray(2, '\0') + "tail";
    writeBytes(file, bytes);
    MessageForm f = form(file, "3");
    ASSERT_TRUE(ops.open(f));
    EXPECT_EQ(f.savedNumbers, (QList<int>{1, 2, 3}));
    EXPECT_EQ(f.content, QStringLiteral("tail"));
    ASSERT_EQ(p->requests.size(), 1);
    const QString notice = p->requests[0].text;
    EXPECT_TRUE(notice.contains(QStringLiteral("512バイト単位ではありません")));
    EXPECT_TRUE(notice.contains(QStringLiteral("文字として読めない")));
    EXPECT_EQ(bytesOf(file), bytes);
}

TEST_F(FileOperationsTest, ANewFileListsNoNumbers)
{
    MessageForm f = form(path("empty"), "");
    p->script({Answer::Yes});
    ASSERT_TRUE(ops.open(f));
    EXPECT_TRUE(f.savedNumbers.isEmpty());
    EXPECT_EQ(p->codes(), QList<int>{350});
}

TEST_F(FileOperationsTest, PrintListTurnsMarksBackIntoSpaces)
{
    const QString file = makeFile("m.msd", {{2, cp932::encode(QStringLiteral("a^b＾c↓\r\n"))}, {9, "x"}});
    MessageForm f = form(file, "");
    const auto text = ops.printText(f);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text,
              QStringLiteral("ファイル名　") + file + QStringLiteral("\r\n[No.2]\r\na b　c↓\r\n[No.9]\r\nx\r\n"));
}

TEST_F(FileOperationsTest, CopyByRecordsAndWholeInTheFingerprintState)
{
    const QString source = makeFile("src.msd", {{1, "a"}, {255, "z"}});
    const QString dest = makeFile("dst.msd", {{2, "old"}});
    ASSERT_TRUE(filecopy::copy(*ctx, path("src"), dest));
    EXPECT_EQ(p->codes(), QList<int>{18});
    EXPECT_EQ(bytesOf(dest), bytesOf(source));

    // A fresh destination is offered; the fingerprint state copies bytes as they are.
    const QByteArray odd = record("x") + "odd";
    writeBytes(source, odd);
    ctx->state.toolState = filecopy::kWholeFileState;
    p->clear();
    p->script({Answer::Yes, Answer::Yes});
    ASSERT_TRUE(filecopy::copy(*ctx, source, path("new/copy.msd")));
    EXPECT_EQ(p->codes(), (QList<int>{351, 350, 18}));
    EXPECT_EQ(bytesOf(path("new/copy.msd")), odd);
}

TEST_F(FileOperationsTest, CopyKeepsATextThatFillsTheWholeField)
{
    // No 0xFF: the text runs to the end of the field, a double-byte character last.
    const QByteArray full = QByteArray(508, 'a') + cp932::encode(QStringLiteral("漢"));
    QByteArray source = emptyFile();
    source.replace(2 * 512 + 2, 510, full);
    writeBytes(path("src.msd"), source);
    // What the destination holds after record 255 stays.
    QByteArray dest = emptyFile();
    dest.replace(512, 512, record("old"));
    writeBytes(path("dst.msd"), dest + record("after"));

    ASSERT_TRUE(filecopy::copy(*ctx, path("src.msd"), path("dst.msd")));
    EXPECT_EQ(p->codes(), QList<int>{18});
    EXPECT_EQ(MsdFile(path("dst.msd")).readRecord(3)->text, full);
    EXPECT_EQ(bytesOf(path("dst.msd")), source + record("after"));
}

TEST_F(FileOperationsTest, CopyRefusesAWrongOrMissingSource)
{
    const QString dest = makeFile("dst.msd", {{2, "old"}});
    const QByteArray before = bytesOf(dest);
    EXPECT_FALSE(filecopy::copy(*ctx, path("src.txt"), dest));
    EXPECT_FALSE(filecopy::copy(*ctx, path("nothing.msd"), dest));
    EXPECT_EQ(p->codes(), (QList<int>{58, 19}));
    EXPECT_EQ(bytesOf(dest), before);
}

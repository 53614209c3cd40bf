// The 1614-byte record, FingerData.msd and the single-user files.
#include "fingertest.h"

#include "finger/fingerfiles.h"

#include <QDir>
#include <QFileInfo>

namespace {

QByteArray templateOf(int size)
{
    QByteArray t(size, 'T');
    if (size >= 2) {
        t[0] = '\x02';
        t[size - 2] = '\x03';
        t[size - 1] = 'c';
    }
    return t;
}

FingerUser user(const QByteArray &id1, const QByteArray &id2, int templateSize = 10)
{
    FingerUser u;
    u.userId = {id1, id2};
    u.fingerTemplate = {templateOf(templateSize), templateOf(templateSize)};
    return u;
}

QByteArray recordOf(const FingerUser &u) { return *fingerrecord::encode(u); }

QByteArray records(int count)
{
    QByteArray all;
    for (int n = 1; n <= count; ++n)
        all += recordOf(user("USER00" + QByteArray::number(n), "SECOND" + QByteArray::number(n)));
    return all;
}

} // namespace

class FingerFilesTest : public FingerTest {
protected:
    FingerFilesTest() { QDir().mkpath(state.programFolder); }
    QString dataPath() const { return files.dataFilePath(); }

    FingerFiles files{state.programFolder, messenger};
    FingerUsers users;
};

TEST(FingerRecord, Layout)
{
    struct Case {
        int templateSize;
        int filler;
    } cases[] = {{800, 0}, {10, 790}, {0, 800}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.templateSize);
        const FingerUser u = user("ABC1234", "XYZ9876", c.templateSize);
        const QByteArray r = recordOf(u);
        ASSERT_EQ(r.size(), 1614);
        EXPECT_EQ(r.mid(0, 7), "ABC1234");
        EXPECT_EQ(r.mid(7, c.templateSize), u.fingerTemplate[0]);
        EXPECT_EQ(r.mid(7 + c.templateSize, c.filler), QByteArray(c.filler, '\0'));
        EXPECT_EQ(r.mid(807, 7), "XYZ9876");
        EXPECT_EQ(r.mid(814, c.templateSize), u.fingerTemplate[1]);
        EXPECT_EQ(r.mid(814 + c.templateSize), QByteArray(c.filler, '\0'));
        const FingerUser back = fingerrecord::decode(r);
        EXPECT_EQ(back.userId, u.userId);
        if (c.templateSize) {
            EXPECT_EQ(back.fingerTemplate, u.fingerTemplate);
        } else {
            // No ETX in the slot: it stays whole and counts as missing.
            EXPECT_EQ(back.fingerTemplate[0], QByteArray(800, '\0'));
            EXPECT_FALSE(back.hasTemplate(0));
        }
    }
    // A finger without ID keeps its 7 bytes and reads back without ID.
    const QByteArray r = recordOf(user("ABC1234", {}));
    EXPECT_EQ(r.mid(807, 7), QByteArray(7, '\0'));
    EXPECT_TRUE(fingerrecord::decode(r).userId[1].isEmpty());
    EXPECT_FALSE(fingerrecord::encode(user("ABC1234", "XYZ9876", 801)));
}

TEST(FingerRecord, TemplateTrimming)
{
    struct Case {
        int etxAt; // -1: none
        int kept;
    } cases[] = {{798, 800}, {799, 800}, {10, 12}, {0, 2}, {-1, 800}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.etxAt);
        QByteArray slot(800, 'x');
        if (c.etxAt >= 0)
            slot[c.etxAt] = '\x03';
        EXPECT_EQ(fingerrecord::trimTemplate(slot), slot.left(c.kept));
    }
}

TEST_F(FingerFilesTest, Paths)
{
    EXPECT_EQ(dataPath(), QDir(state.programFolder).filePath("Finger/FingerData.msd"));
    EXPECT_EQ(files.singleUserPath(7), QDir(state.programFolder).filePath("Finger/Finger7.msd"));
    QSettings().setValue("Settings/FingerFileName", dir.filePath("elsewhere.msd"));
    EXPECT_EQ(dataPath(), dir.filePath("elsewhere.msd"));

    struct Case {
        const char *name;
        int row;
    } cases[] = {{"/a/Finger12.msd", 12}, {"Finger1.msd", 1},    {"finger100.msd", 100}, {"Finger101.msd", 0},
                 {"Finger0.msd", 0},      {"FingerData.msd", 0}, {"Other7.msd", 0},      {"Finger7", 7}};
    for (const Case &c : cases)
        EXPECT_EQ(FingerFiles::rowOfFileName(c.name), c.row) << c.name;
}

TEST_F(FingerFilesTest, ReadingADataFile)
{
    struct Case {
        int size;
        int rows;
        bool warned;
    } cases[] = {{3 * 1614, 3, false}, {3 * 1614 + 1, 4, true}, {0, 0, false}, {101 * 1614, 100, false}};
    QByteArray all = records(101);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.size);
        prompter.clear();
        users = FingerUsers();
        users.setRegistrantsLoaded(true);
        users[90].userId = {"LEFTOVR", "LEFTOVR"};
        users[2].fingerTemplate[0] = "\x02old\x03x";
        const QString path = dir.filePath("data.msd");
        writeBytes(path, all.left(c.size));

        const auto rows = files.readFile(users, path);
        ASSERT_TRUE(rows);
        EXPECT_EQ(rows->size(), c.rows);
        EXPECT_EQ(prompter.requests.size(), c.warned ? 1 : 0);
        EXPECT_FALSE(users.registrantsLoaded());
        if (c.rows >= 3) {
            EXPECT_EQ(users[3].userId[0], "USER003");
            EXPECT_EQ(users[3].userId[1], "SECOND3");
            EXPECT_EQ(users[2].fingerTemplate[0], templateOf(10));
        }
        if (c.rows < 90)
            EXPECT_TRUE(users[90].userId[0].isEmpty());
    }
    // The fourth record of one byte: the byte is its ID so far.
    writeBytes(dir.filePath("data.msd"), records(3) + "U");
    files.readFile(users, dir.filePath("data.msd"));
    EXPECT_EQ(users[4].userId[0], "U");
    EXPECT_EQ(users[4].fingerTemplate[0].size(), 800);
    EXPECT_FALSE(users[4].hasTemplate(0));
}

TEST_F(FingerFilesTest, AMissingFileReadsNothing)
{
    users[1].userId[0] = "KEEP123";
    EXPECT_FALSE(files.readFile(users, dir.filePath("none.msd")));
    ASSERT_EQ(prompter.requests.size(), 1);
    EXPECT_EQ(prompter.requests[0].text, dir.filePath("none.msd") + QStringLiteral(" は存在しないファイルです。"));
    EXPECT_EQ(prompter.requests[0].style, 48);
    EXPECT_EQ(users[1].userId[0], "KEEP123");
}

TEST_F(FingerFilesTest, ReadingSingleUserFiles)
{
    writeBytes(dir.filePath("Finger12.msd"), recordOf(user("TWELVE1", "TWELVE2")));
    writeBytes(dir.filePath("Finger3.msd"), recordOf(user("THREE01", "THREE02")) + records(2));
    const auto rows = files.readSingleUserFiles(users, {dir.filePath("Finger12.msd"), {}, dir.filePath("Finger3.msd")});
    ASSERT_TRUE(rows);
    EXPECT_EQ(*rows, (QList<int>{3, 12}));
    EXPECT_EQ(users[12].userId[1], "TWELVE2");
    EXPECT_EQ(users[3].userId[0], "THREE01");
    EXPECT_TRUE(users[1].userId[0].isEmpty());
    EXPECT_TRUE(prompter.requests.isEmpty());

    // A name without row, or a missing file, stops before anything is read.
    writeBytes(dir.filePath("Palm.msd"), records(1));
    for (const QString &bad : {dir.filePath("Palm.msd"), dir.filePath("Finger5.msd")}) {
        prompter.clear();
        EXPECT_FALSE(files.readSingleUserFiles(users, {dir.filePath("Finger12.msd"), bad}));
        EXPECT_EQ(prompter.requests.size(), 1);
        EXPECT_EQ(users[3].userId[0], "THREE01");
    }
}

TEST_F(FingerFilesTest, SavingOneRowTwiceLeavesOneFile)
{
    users[7] = user("SEVEN01", "SEVEN02");
    ASSERT_TRUE(files.writeFinger(users, 7, FingerFiles::Target::SingleUser));
    users[7] = user("SEVEN01", "SEVEN02", 800);
    ASSERT_TRUE(files.writeFinger(users, 7, FingerFiles::Target::SingleUser));

    const QString path = files.singleUserPath(7);
    EXPECT_EQ(bytesOf(path), recordOf(users[7]));
    EXPECT_EQ(QDir(files.folderPath()).entryList(QDir::Files), QStringList{"Finger7.msd"});
    EXPECT_EQ(modeOf(files.folderPath()), 0700);
    EXPECT_EQ(modeOf(path), 0600);
    EXPECT_TRUE(prompter.requests.isEmpty());
}

TEST_F(FingerFilesTest, AppendingToTheDataFile)
{
    users[1] = user("FIRST01", "FIRST02");
    users[2] = user("SECND01", "SECND02", 800);
    ASSERT_TRUE(files.writeFinger(users, 1, FingerFiles::Target::DataFile));
    ASSERT_TRUE(files.writeFinger(users, 2, FingerFiles::Target::DataFile));
    EXPECT_EQ(bytesOf(dataPath()), recordOf(users[1]) + recordOf(users[2]));
    EXPECT_EQ(modeOf(dataPath()), 0600);

    // An existing file readable by all and cut short: the new record
    // starts on a record boundary and the file becomes private.
    writeBytes(dataPath(), records(2) + "USER003");
    setMode(dataPath(), 0644);
    ASSERT_TRUE(files.writeFinger(users, 1, FingerFiles::Target::DataFile));
    const QByteArray all = bytesOf(dataPath());
    ASSERT_EQ(all.size(), 4 * 1614);
    EXPECT_EQ(all.mid(2 * 1614, 7), "USER003");
    EXPECT_EQ(all.mid(3 * 1614), recordOf(users[1]));
    EXPECT_EQ(modeOf(dataPath()), 0600);
}

TEST_F(FingerFilesTest, FailedWritesAreReportedAndSaveNothing)
{
    struct Case {
        const char *what;
        std::function<void()> prepare;
        FingerFiles::Target target;
        int templateSize;
        QString told;
    } cases[] = {
        {"template over 800 bytes", [] {}, FingerFiles::Target::SingleUser, 801, "801バイト"},
        {"template over 800 bytes, data file", [] {}, FingerFiles::Target::DataFile, 801, "801バイト"},
        {"data file marked read-only",
         [&] {
             QDir().mkpath(files.folderPath());
             writeBytes(dataPath(), records(1));
             setMode(dataPath(), 0400);
         },
         FingerFiles::Target::DataFile, 10, "ファイルに保存できませんでした。"},
        {"single-user file marked read-only",
         [&] {
             QDir().mkpath(files.folderPath());
             writeBytes(files.singleUserPath(4), records(1));
             setMode(files.singleUserPath(4), 0400);
         },
         FingerFiles::Target::SingleUser, 10, "ファイルに保存できませんでした。"},
        {"Finger is not a folder", [&] { writeBytes(files.folderPath(), "x"); }, FingerFiles::Target::SingleUser, 10,
         "フォルダを作成できません。"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QDir(files.folderPath()).removeRecursively();
        QFile::remove(files.folderPath());
        c.prepare();
        const QByteArray dataBefore = bytesOf(dataPath());
        const QByteArray singleBefore = bytesOf(files.singleUserPath(4));
        prompter.clear();
        users[4] = user("FOUR001", "FOUR002", c.templateSize);

        EXPECT_FALSE(files.writeFinger(users, 4, c.target));
        ASSERT_EQ(prompter.requests.size(), 1);
        EXPECT_EQ(prompter.requests[0].style, 48);
        EXPECT_TRUE(prompter.requests[0].text.contains(c.told)) << prompter.requests[0].text.toStdString();
        EXPECT_EQ(bytesOf(dataPath()), dataBefore);
        EXPECT_EQ(bytesOf(files.singleUserPath(4)), singleBefore);
    }
}

TEST_F(FingerFilesTest, CuttingRowsOutOfTheDataFile)
{
    QDir().mkpath(files.folderPath());
    const QByteArray five = records(5);
    struct Case {
        int first, last;
        QByteArray left; // null: the file is gone
    } cases[] = {
        {3, 4, five.left(2 * 1614) + five.mid(4 * 1614)},
        {1, 1, five.mid(1614)},
        {5, 5, five.left(4 * 1614)},
        {4, 9, five.left(3 * 1614)},
        {1, 100, {}},
        {1, 5, QByteArray("")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.first << ".." << c.last);
        writeBytes(dataPath(), five);
        const bool removed = c.left.isNull();
        EXPECT_TRUE(files.cutRows(c.first, c.last));
        EXPECT_EQ(QFileInfo::exists(dataPath()), !removed);
        if (!removed) {
            EXPECT_EQ(bytesOf(dataPath()), c.left);
            EXPECT_EQ(modeOf(dataPath()), 0600);
        }
    }
    EXPECT_TRUE(prompter.requests.isEmpty());

    QFile::remove(dataPath());
    EXPECT_FALSE(files.cutRows(3, 4));
    ASSERT_EQ(prompter.requests.size(), 1);
    EXPECT_EQ(prompter.requests[0].text, QStringLiteral("指紋データ管理ファイルがありません。"));
    EXPECT_EQ(prompter.requests[0].title, QStringLiteral("指紋の消去"));
}

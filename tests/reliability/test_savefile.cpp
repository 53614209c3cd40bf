// Whole-file saves: the old file stays when a save fails, the new one gets
// the permissions it should, and a save clears away the temporary files of
// earlier saves of the same file that were killed, and nothing else.
#include "base/savefile.h"
#include "filesizelimit.h"
#include "support/filebytes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kDiskFull = QStringLiteral("ファイルに書き込めません。ディスクの空きを確認して下さい。");
const QString kReadOnly = QStringLiteral("書き込みが禁止されています。");

class SaveFile : public ::testing::Test {
protected:
    QString path(const QString &name) const { return dir.filePath(name); }
    QStringList files() const
    {
        QStringList all = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        all.sort();
        return all;
    }
    QTemporaryDir dir;
};

TEST(SaveFileNames, OnlyTheExactPatternIsOurs)
{
    struct Row {
        const char *candidate;
        bool ours;
    };
    const Row rows[] = {
        {".m.msd.zentrix-a1b2c3", true},
        {".m.msd.zentrix-000000", true},
        {"m.msd.LuJUiP", false}, // what another program's save leaves
        {"m.msd.backup", false},
        {"m.msd.zentrix-a1b2c3", false}, // not hidden
        {".m.msd.zentrix-a1b2c", false}, // one short
        {".m.msd.zentrix-a1b2c3d", false},
        {".m.msd.zentrix-a1b2c3.bak", false},
        {".m.msd.zentrix-A1B2C3", false},
        {".m.msd.zentrix_a1b2c3", false},
        {".m.msd.zentrix-a1b2-3", false},
        {".M.msd.zentrix-a1b2c3", false},
        {".xm.msd.zentrix-a1b2c3", false},
        {".m.msdx.zentrix-a1b2c3", false},
        {".m.msd", false},
        {"m.msd", false},
        {"", false},
    };
    for (const Row &row : rows)
        EXPECT_EQ(savefile::isTempNameOf(QStringLiteral("m.msd"), QString::fromUtf8(row.candidate)), row.ours)
            << row.candidate;
    EXPECT_FALSE(savefile::isTempNameOf(QString(), QStringLiteral("..zentrix-a1b2c3")));
    EXPECT_TRUE(savefile::isTempNameOf(QStringLiteral("設定.msd"), QStringLiteral(".設定.msd.zentrix-q0w9e8")));
}

TEST_F(SaveFile, RemovesTheLeftoversOfItsOwnFileAndNothingElse)
{
    const QStringList leftovers{".m.msd.zentrix-a1b2c3", ".m.msd.zentrix-zz9900"};
    // Files of the user's and of other files' saves, named almost alike.
    const QStringList others{"m.msd.LuJUiP",          "m.msd.backup",          "m.msd.zentrix-a1b2c3",
                             ".m.msd.zentrix-a1b2c",  ".m.msd.zentrix-A1B2C3", ".m.msd.zentrix-a1b2c3.bak",
                             ".n.msd.zentrix-a1b2c3", ".xm.msd.zentrix-abcdef"};
    for (const QString &name : leftovers + others)
        filebytes::write(path(name), name.toUtf8());
    filebytes::write(path("m.msd"), "old");

    EXPECT_EQ(savefile::tempFilesOf(path("m.msd")).size(), leftovers.size());
    ASSERT_TRUE(savefile::replace(path("m.msd"), "new"));
    EXPECT_EQ(filebytes::read(path("m.msd")), QByteArray("new"));
    QStringList expected = others;
    expected << "m.msd";
    expected.sort();
    EXPECT_EQ(files(), expected);
    for (const QString &name : others)
        EXPECT_EQ(filebytes::read(path(name)), name.toUtf8()) << name.toStdString();
}

TEST_F(SaveFile, KeepsTheTemporaryFileOfASaveStillUnderWay)
{
    // A save of the same file by another program: its file is locked.
    const QString running = path(".m.msd.zentrix-run123");
    filebytes::write(running, "half");
    const int fd = open(QFile::encodeName(running).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);
    EXPECT_TRUE(savefile::replace(path("m.msd"), "new"));
    EXPECT_TRUE(QFile::exists(running));
    close(fd);
    EXPECT_TRUE(savefile::replace(path("m.msd"), "newer"));
    EXPECT_FALSE(QFile::exists(running));
}

TEST_F(SaveFile, NewFileGetsTheOldOnesPermissionsUnlessTold)
{
    const mode_t mask = umask(0);
    umask(mask);
    using P = QFileDevice;
    struct Row {
        const char *name;
        std::optional<P::Permissions> old; // none: no file yet
        std::optional<P::Permissions> told;
        mode_t expected;
    };
    const Row rows[] = {
        {"kept", P::ReadOwner | P::WriteOwner | P::ReadGroup, std::nullopt, 0640},
        {"kept wide", P::ReadOwner | P::WriteOwner | P::ReadOther | P::WriteOther, std::nullopt, 0606},
        {"told narrows", P::ReadOwner | P::WriteOwner | P::ReadOther, P::ReadOwner | P::WriteOwner, 0600},
        {"new file", std::nullopt, std::nullopt, mode_t(0666 & ~mask)},
        {"new file told", std::nullopt, P::ReadOwner | P::WriteOwner, 0600},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const QString file = path(QString::fromLatin1(row.name));
        if (row.old) {
            filebytes::write(file, "old");
            QFile::setPermissions(file, *row.old);
        }
        ASSERT_TRUE(savefile::replace(file, "new", nullptr, row.told));
        struct stat st {};
        ASSERT_EQ(stat(QFile::encodeName(file).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, row.expected);
    }
}

TEST_F(SaveFile, FailedSaveLeavesTheOldFileAndNoTemporaryFile)
{
    struct Row {
        const char *name;
        rlim_t limit; // 0: none
        bool readOnly;
        const char *file;
        QString reason;
    };
    const Row rows[] = {
        {"disk full at once", 1, false, "m.msd", kDiskFull},
        {"disk full halfway", 5000, false, "m.msd", kDiskFull},
        {"marked read-only", 0, true, "m.msd", kReadOnly},
        {"no such folder", 0, false, "missing/m.msd", QStringLiteral("ファイルを開けません。")},
    };
    const QByteArray old(100, 'o');
    const QByteArray contents(20000, 'n');
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const QString file = path(QString::fromLatin1(row.file));
        QFile::remove(file);
        if (!QString::fromLatin1(row.file).contains(u'/'))
            filebytes::write(file, old);
        if (row.readOnly)
            QFile::setPermissions(file, QFileDevice::ReadOwner);
        QString error;
        bool saved = true;
        {
            std::optional<FileSizeLimit> full;
            if (row.limit)
                full.emplace(row.limit);
            saved = savefile::replace(file, contents, &error);
        }
        EXPECT_FALSE(saved);
        EXPECT_EQ(error, row.reason);
        if (QFile::exists(file))
            EXPECT_TRUE(filebytes::read(file) == old);
        EXPECT_TRUE(savefile::tempFilesOf(file).isEmpty());
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    EXPECT_EQ(files(), QStringList{"m.msd"});
}

TEST_F(SaveFile, ReadOnlyFolderIsToldAsSuch)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into any folder";
    filebytes::write(path("m.msd"), "old");
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QString error;
    EXPECT_FALSE(savefile::replace(path("m.msd"), "new", &error));
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(error, kReadOnly);
    EXPECT_EQ(filebytes::read(path("m.msd")), QByteArray("old"));
}

TEST_F(SaveFile, ALinkIsFollowedAndStaysALink)
{
    QDir(dir.path()).mkdir(QStringLiteral("real"));
    filebytes::write(path("real/m.msd"), "old");
    ASSERT_TRUE(QFile::link(path("real/m.msd"), path("link.msd")));
    ASSERT_TRUE(savefile::replace(path("link.msd"), "new"));
    EXPECT_TRUE(QFileInfo(path("link.msd")).isSymLink());
    EXPECT_EQ(filebytes::read(path("real/m.msd")), QByteArray("new"));
    EXPECT_EQ(QDir(path("real")).entryList(QDir::Files | QDir::Hidden), QStringList{"m.msd"});
}

} // namespace

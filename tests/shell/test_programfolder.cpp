#include "shell/programfolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

// A scratch tree: <root>/bin for the executable, <root>/home for the
// user's data; ZENTRIX_HOME and XDG_DATA_HOME are set for the test only.
class ProgramFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root_.isValid());
        savedHome_ = qgetenv("ZENTRIX_HOME");
        savedData_ = qgetenv("XDG_DATA_HOME");
        qunsetenv("ZENTRIX_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(path("data")));
        QDir().mkpath(path("bin"));
    }
    void TearDown() override
    {
        restore("ZENTRIX_HOME", savedHome_);
        restore("XDG_DATA_HOME", savedData_);
    }
    static void restore(const char *name, const QByteArray &value)
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    QString path(const QString &rel) const { return root_.filePath(rel); }
    void touch(const QString &rel)
    {
        QDir().mkpath(QFileInfo(path(rel)).absolutePath());
        QFile f(path(rel));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }

    QTemporaryDir root_;
    QByteArray savedHome_, savedData_;
};

} // namespace

TEST_F(ProgramFolderTest, WhoseFolderTheProgramUses)
{
    struct Row {
        const char *name;
        bool zentrixHome;
        bool installed; // share/zentrix beside bin
        const char *expected;
    };
    const Row rows[] = {
        {"build tree: beside the executable", false, false, "bin"},
        {"installed: the user's data folder, never bin", false, true, "data/Zentrix"},
        {"ZENTRIX_HOME wins over both", true, true, "home"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        QDir(path("share")).removeRecursively();
        if (r.installed)
            QDir().mkpath(path("share/zentrix/Help"));
        if (r.zentrixHome)
            qputenv("ZENTRIX_HOME", QFile::encodeName(path("home")));
        else
            qunsetenv("ZENTRIX_HOME");
        const QString folder = resolveProgramFolder(path("bin"));
        EXPECT_EQ(folder, QDir(path(r.expected)).absolutePath());
        EXPECT_TRUE(QFileInfo(folder).isDir()) << "the folder is made when missing";
    }
}

TEST_F(ProgramFolderTest, ReadOnlyExecutableFolderFallsBackToTheDataFolder)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes anywhere";
    QFile::setPermissions(path("bin"), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_EQ(resolveProgramFolder(path("bin")), path("data/Zentrix"));
    QFile::setPermissions(path("bin"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(ProgramFolderTest, HelpPageLookupOrder)
{
    struct Row {
        const char *name;
        QStringList present;
        const char *expected; // empty: not found
    };
    const Row rows[] = {
        {"program folder first", {"home/Help/A.htm", "bin/Help/A.htm", "share/zentrix/Help/A.htm"}, "home/Help/A.htm"},
        {"then beside the executable", {"bin/Help/A.htm", "share/zentrix/Help/A.htm"}, "bin/Help/A.htm"},
        {"then the installed share folder", {"share/zentrix/Help/A.htm"}, "share/zentrix/Help/A.htm"},
        {"another page does not count", {"share/zentrix/Help/B.htm"}, ""},
        {"a folder of that name is no page", {"home/Help/A.htm/x"}, ""},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        for (const char *d : {"home", "bin", "share"})
            QDir(path(d)).removeRecursively();
        QDir().mkpath(path("bin"));
        for (const QString &p : r.present)
            touch(p);
        const QString found = findHelpFile(path("home"), QStringLiteral("A.htm"), path("bin"));
        EXPECT_EQ(found, *r.expected ? QFileInfo(path(r.expected)).absoluteFilePath() : QString());
    }
    EXPECT_EQ(findHelpFile(path("home"), QString(), path("bin")), QString());
}

#include "message/filenamecheck.h"
#include "messagetest.h"

#include <QFileInfo>

using FileNameCheckTest = MessageTest;

using filenamecheck::Steps;

TEST_F(FileNameCheckTest, RefusesNamesBeforeTouchingAnything)
{
    const struct {
        QString name;
        int code;
    } cases[] = {
        {QString(), 54},
        {QStringLiteral("data/memo.msd"), 50},      // not absolute
        {QStringLiteral("C:\\data\\memo.msd"), 50}, // a Windows name
        {path("a?.msd"), 53},
        {path("sub/a*.msd"), 53},
        {path("sub/memo.txt"), 58},
        {path("sub/memo.MSD"), 58}, // the comparison is exact
    };
    for (const auto &c : cases) {
        p->clear();
        EXPECT_FALSE(filenamecheck::check(*ctx, c.name).has_value()) << c.name.toStdString();
        EXPECT_EQ(p->codes(), QList<int>{c.code}) << c.name.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(path("sub")));
}

TEST_F(FileNameCheckTest, NameWithoutExtensionGetsMsdAndTheNewFileIsOffered)
{
    p->script({Answer::Yes});
    const auto name = filenamecheck::check(*ctx, path("memo"));
    ASSERT_TRUE(name.has_value());
    EXPECT_EQ(*name, path("memo.msd"));
    EXPECT_EQ(p->codes(), QList<int>{350});
    EXPECT_EQ(QFileInfo(*name).size(), 255 * 512);
}

TEST_F(FileNameCheckTest, DotsInFolderNamesDoNotCountAsAnExtension)
{
    p->script({Answer::Yes, Answer::Yes});
    const auto name = filenamecheck::check(*ctx, path(".config/memo"));
    ASSERT_TRUE(name.has_value());
    EXPECT_EQ(*name, path(".config/memo.msd"));
}

TEST_F(FileNameCheckTest, MissingFoldersAreOfferedOneByOneFromTheTop)
{
    p->script({Answer::Yes, Answer::Yes, Answer::Yes});
    const auto name = filenamecheck::check(*ctx, path("a/b/memo.msd"));
    ASSERT_TRUE(name.has_value());
    EXPECT_EQ(p->codes(), (QList<int>{351, 351, 350}));
    EXPECT_TRUE(p->requests[0].text.contains(path("a")));
    EXPECT_TRUE(p->requests[1].text.contains(path("a/b")));
    EXPECT_TRUE(QFileInfo(path("a/b")).isDir());
    EXPECT_TRUE(QFileInfo(path("a/b/memo.msd")).isFile());
}

TEST_F(FileNameCheckTest, AnsweringNoStopsWithoutCreatingAnything)
{
    p->script({Answer::No});
    EXPECT_FALSE(filenamecheck::check(*ctx, path("a/memo.msd")).has_value());
    EXPECT_FALSE(QFileInfo::exists(path("a")));

    p->clear();
    p->script({Answer::No});
    EXPECT_FALSE(filenamecheck::check(*ctx, path("memo.msd")).has_value());
    EXPECT_EQ(p->codes(), QList<int>{350});
    EXPECT_FALSE(QFileInfo::exists(path("memo.msd")));
}

TEST_F(FileNameCheckTest, DeleteStepsStopBeforeTheFileQuestion)
{
    const auto name = filenamecheck::check(*ctx, path("gone"), Steps::UpToFolders);
    ASSERT_TRUE(name.has_value());
    EXPECT_EQ(*name, path("gone.msd"));
    EXPECT_TRUE(p->requests.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(*name));
}

TEST_F(FileNameCheckTest, AFileWhereAFolderShouldBeIsRefused)
{
    writeBytes(path("plain"), "x");
    EXPECT_FALSE(filenamecheck::check(*ctx, path("plain/memo.msd")).has_value());
    ASSERT_EQ(p->requests.size(), 1);
    EXPECT_EQ(p->requests[0].code, 0);
    EXPECT_TRUE(p->requests[0].text.contains(QStringLiteral("フォルダではありません")));
}

#include "comm/appcontext.h"
#include "comm/toolstates.h"
#include "shell/launcher.h"
#include "support/fakeportio.h"
#include "support/scriptedprompter.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

TEST(StartupArgument, OneEnclosingPairOfQuotesIsRemoved)
{
    EXPECT_EQ(launcher::startupArgument(QStringLiteral("\"12\"")), QStringLiteral("12"));
    EXPECT_EQ(launcher::startupArgument(QStringLiteral("12")), QStringLiteral("12"));
    EXPECT_EQ(launcher::startupArgument(QString()), QString());
    // A quote at one end only: both searches find it, both ends still go.
    EXPECT_EQ(launcher::startupArgument(QStringLiteral("\"123")), QStringLiteral("12"));
    EXPECT_EQ(launcher::startupArgument(QStringLiteral("\"")), QString());
}

TEST(LauncherPlacement, FirstLoadCentresOnceOnly)
{
    AppState st;
    launcher::placeOnFirstLoad(st, 28800, 16200);
    EXPECT_EQ(st.launcherLeft, 9400);
    EXPECT_EQ(st.launcherTop, 4100);
    st.launcherLeft = 15;
    launcher::placeOnFirstLoad(st, 28800, 16200);
    EXPECT_EQ(st.launcherLeft, 15);
}

TEST(LauncherPlacement, EnlargedWindowCentresTheBlock)
{
    AppState st;
    launcher::applyResize(st, 10011, 9000);
    EXPECT_TRUE(st.launcherMaximized);
    EXPECT_EQ(st.contentOffsetX, 5);
    EXPECT_EQ(st.contentOffsetY, 500);
    launcher::applyResize(st, 10010, 9000);
    EXPECT_FALSE(st.launcherMaximized);
    EXPECT_EQ(st.contentOffsetX, 0);
    EXPECT_EQ(st.contentOffsetY, 0);
}

TEST(HelpPage, ChosenByToolState)
{
    EXPECT_EQ(toolstates::helpPageFor(0), "ToolHelp.htm");
    EXPECT_EQ(toolstates::helpPageFor(1), "WinQlmHelp.htm");
    EXPECT_EQ(toolstates::helpPageFor(213), "WinQlmHelp.htm");
    EXPECT_EQ(toolstates::helpPageFor(399), "WinQlmHelp.htm");
    EXPECT_EQ(toolstates::helpPageFor(400), "TestHelp.htm");
    EXPECT_EQ(toolstates::helpPageFor(626), "WinTqHelp.htm");
    EXPECT_EQ(toolstates::helpPageFor(800), "WinUxHelp.htm");
    EXPECT_EQ(toolstates::helpPageFor(901), "FingerHelp.htm");
    // The fingerprint manager's other states fall to the unit-setting page.
    EXPECT_EQ(toolstates::helpPageFor(900), "WinUxHelp.htm");
    EXPECT_EQ(toolstates::helpPageFor(9151), "WinUxHelp.htm");
}

TEST(UnitToolSettings, ForcedInMemoryOnly)
{
    AppState st;
    st.output.interfaceName = kInterfaceParallel;
    st.output.baudText = QStringLiteral("19200bps");
    st.output.parity = 1;
    st.output.comPort = 4;
    launcher::forceUnitToolSettings(st);
    EXPECT_EQ(st.output.interfaceName, kInterfaceSerial);
    EXPECT_EQ(st.output.baudText, QStringLiteral("9600bps "));
    EXPECT_EQ(st.output.parity, 0);
    EXPECT_EQ(st.output.comPort, 4);
}

class ParallelDecision : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto prompter = std::make_unique<ScriptedPrompter>();
        auto port = std::make_unique<FakePortIo>();
        p = prompter.get();
        io = port.get();
        ctx = std::make_unique<AppContext>(std::move(prompter), std::move(port));
        ctx->state.programFolder = dir.path();
    }
    QTemporaryDir dir;
    ScriptedPrompter *p = nullptr;
    FakePortIo *io = nullptr;
    std::unique_ptr<AppContext> ctx;
};

TEST_F(ParallelDecision, StartedLibraryMakesParallelAvailableWithoutMessage)
{
    const QString before = QDir::currentPath();
    launcher::decideParallel(*ctx);
    EXPECT_TRUE(ctx->state.parallelAvailable);
    EXPECT_TRUE(p->requests.isEmpty());
    EXPECT_EQ(io->starts, 1);
    EXPECT_EQ(QDir(io->folderAtStart).canonicalPath(), QDir(dir.path()).canonicalPath());
    EXPECT_EQ(QDir::currentPath(), before);

    launcher::stopParallel(*ctx);
    EXPECT_EQ(io->stops, 1);
    EXPECT_FALSE(ctx->state.parallelAvailable);
    EXPECT_EQ(QDir(io->folderAtStop).canonicalPath(), QDir(dir.path()).canonicalPath());
}

TEST_F(ParallelDecision, FailedStartOrMissingLibraryTellsTheUserOnce)
{
    io->startResult = 0x01 | 0x08;
    launcher::decideParallel(*ctx);
    EXPECT_FALSE(ctx->state.parallelAvailable);
    ASSERT_EQ(p->requests.size(), 1);
    EXPECT_EQ(p->requests[0].text, launcher::kNoParallelText);
    EXPECT_EQ(p->requests[0].style, 48);

    p->clear();
    io->present = false;
    io->starts = 0;
    launcher::decideParallel(*ctx);
    EXPECT_EQ(io->starts, 0);
    EXPECT_FALSE(ctx->state.parallelAvailable);
    EXPECT_EQ(p->requests.size(), 1);

    // Nothing was started, so nothing is stopped.
    launcher::stopParallel(*ctx);
    EXPECT_EQ(io->stops, 0);
}

TEST_F(ParallelDecision, FailedStopKeepsTheFlagForAnotherTry)
{
    launcher::decideParallel(*ctx);
    io->stopResult = 4;
    launcher::stopParallel(*ctx);
    EXPECT_TRUE(ctx->state.parallelAvailable);
}

TEST(FontFile, RemovedEvenWhenReadOnly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("KZmarugothic.ttf");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("font");
    }
    QFile::setPermissions(path, QFile::ReadOwner);
    launcher::removeFontFile(dir.path());
    EXPECT_FALSE(QFile::exists(path));
    launcher::removeFontFile(dir.path()); // missing: no effect, no error
}

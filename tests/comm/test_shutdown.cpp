// The launcher's part in the port's life: defaults saved at start, port
// closed and defaults restored at either way out.
#include "commfixture.h"

#include "shell/ui/launcherwindow.h"

#include <QTemporaryDir>

class LauncherPort : public CommTest {
protected:
    void SetUp() override
    {
        CommTest::SetUp();
        st().programFolder = dir.path();
        window = std::make_unique<LauncherWindow>(*ctx);
        window->endProcess = [this] { ++ended; };
    }
    void openWithSettings()
    {
        ASSERT_TRUE(open());
        ASSERT_EQ(ctx->serial().rThreshold(), 1);
        ASSERT_TRUE(ctx->serial().dtrEnable());
    }
    void expectClosedAndRestored()
    {
        EXPECT_FALSE(ctx->serial().isOpen());
        const SerialDefaults d = ctx->serial().properties();
        EXPECT_EQ(d.settings, QStringLiteral("9600,N,8,1"));
        EXPECT_FALSE(d.dtrEnable);
        EXPECT_FALSE(d.rtsEnable);
        EXPECT_EQ(d.rThreshold, 0);
        EXPECT_EQ(d.inputLen, 0);
    }
    QTemporaryDir dir;
    std::unique_ptr<LauncherWindow> window;
    int ended = 0;
};

TEST_F(LauncherPort, StartSavesTheDefaultsAndClosingRestoresThem)
{
    window->load(QString());
    EXPECT_EQ(st().serialDefaults.settings, QStringLiteral("9600,N,8,1"));
    EXPECT_EQ(st().serialDefaults.rThreshold, 0);
    st().output.baudText = QStringLiteral("38400bps");
    openWithSettings();
    window->close();
    EXPECT_EQ(ended, 1);
    expectClosedAndRestored();
}

TEST_F(LauncherPort, ToolCloseBoxAlsoClosesAndRestores)
{
    window->load(QString());
    openWithSettings();
    window->quitFromTool();
    EXPECT_EQ(ended, 1);
    expectClosedAndRestored();
}

// The program's side: binding libKZpio.so by name, and the start-up
// decision on this machine with and without the emulated printer.
#include "kzpiolib.h"

#include "comm/appcontext.h"
#include "comm/portio.h"
#include "shell/launcher.h"
#include "support/scriptedprompter.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

TEST(PortIoBinding, ProgramFolderLibraryIsBoundByName)
{
    EnvGuard noForce("ZENTRIX_KZPIO", nullptr);
    EnvGuard sim("KZPIO_BACKEND", "sim");
    LibraryPortIo io(KZpioLib::folder());
    ASSERT_TRUE(io.available());
    EXPECT_EQ(QFileInfo(io.loadedFrom()).fileName(), QStringLiteral("libKZpio.so"));
    EXPECT_EQ(QFileInfo(io.loadedFrom()).absolutePath(), KZpioLib::folder());
    EXPECT_EQ(io.start() & 0x01u, 0u);
    EXPECT_EQ(io.inpB(0x379), 0xD8);
    EXPECT_EQ(io.stop(), 0u);
    EXPECT_EQ(io.inpB(0x379), 0xFF);
}

TEST(PortIoBinding, MissingOrWrongLibraryMeansNoParallelPort)
{
    QTemporaryDir tmp;
    QFile notALibrary(tmp.filePath(QStringLiteral("libKZpio.so")));
    ASSERT_TRUE(notALibrary.open(QIODevice::WriteOnly));
    notALibrary.write("not an ELF file\n");
    notALibrary.close();

    const char *forced[] = {"none", "/nonexistent/libKZpio.so", "libm.so.6"};
    for (const char *value : forced) {
        EnvGuard force("ZENTRIX_KZPIO", value);
        LibraryPortIo io(tmp.path());
        EXPECT_FALSE(io.available()) << value;
        EXPECT_EQ(io.start(), 0x01u) << value;
        EXPECT_EQ(io.stop(), 0u) << value;
        EXPECT_EQ(io.inpB(0x379), 0xFF) << value;
        io.outB(0x378, 0x41); // nothing to reach, nothing breaks
    }
    {
        EnvGuard force("ZENTRIX_KZPIO", notALibrary.fileName().toLocal8Bit().constData());
        LibraryPortIo io(tmp.path());
        EXPECT_FALSE(io.available());
    }
}

TEST(PortIoBinding, LibraryBesideTheExecutableWhenTheProgramFolderHasNone)
{
    if (QDir(QCoreApplication::applicationDirPath()).canonicalPath() != QDir(KZpioLib::folder()).canonicalPath())
        GTEST_SKIP() << "the tests are not built beside the library";
    EnvGuard noForce("ZENTRIX_KZPIO", nullptr);
    QTemporaryDir dataFolder; // e.g. ZENTRIX_HOME
    LibraryPortIo io(dataFolder.path());
    EXPECT_TRUE(io.available());
}

class StartupDecision : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto prompter = std::make_unique<ScriptedPrompter>();
        p = prompter.get();
        ctx = std::make_unique<AppContext>(std::move(prompter), std::make_unique<LibraryPortIo>(KZpioLib::folder()));
        ctx->state.programFolder = folder.path();
    }
    QTemporaryDir folder;
    EnvGuard noForce{"ZENTRIX_KZPIO", nullptr};
    ScriptedPrompter *p = nullptr;
    std::unique_ptr<AppContext> ctx;
};

TEST_F(StartupDecision, NoParallelPortHereMeansOutputOffAndOneMessage)
{
    if (QFileInfo::exists(QStringLiteral("/proc/sys/dev/parport")))
        GTEST_SKIP() << "this machine has a parallel port driver";
    EnvGuard ppdev("KZPIO_BACKEND", nullptr);
    launcher::decideParallel(*ctx);
    EXPECT_FALSE(ctx->state.parallelAvailable);
    ASSERT_EQ(p->requests.size(), 1);
    EXPECT_EQ(p->requests[0].text, launcher::kNoParallelText);
    EXPECT_EQ(p->requests[0].style, 48);
    launcher::stopParallel(*ctx);
    EXPECT_FALSE(ctx->state.parallelAvailable);
}

TEST_F(StartupDecision, EmulatedPrinterMeansOutputOn)
{
    EnvGuard sim("KZPIO_BACKEND", "sim");
    launcher::decideParallel(*ctx);
    EXPECT_TRUE(ctx->state.parallelAvailable);
    EXPECT_TRUE(p->requests.isEmpty());
    EXPECT_EQ(ctx->portIo().inpB(0x379) & 0x80, 0x80);
    launcher::stopParallel(*ctx);
    EXPECT_FALSE(ctx->state.parallelAvailable);
}

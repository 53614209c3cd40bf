// Test main: a QApplication on the offscreen platform, so window tests and
// event-loop waits run without a display.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

// Sanitized builds check for leaks at exit. The offscreen platform loads
// fontconfig, whose font cache lives as long as the process: not ours to
// free. (Read by LeakSanitizer itself, so no environment is needed.)
extern "C" const char *__lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Per-user settings (remembered files, port map) of a test run stay
    // out of the user's own.
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

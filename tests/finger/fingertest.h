#pragma once
// A messenger on a scripted prompter, a scratch program folder and private
// per-user settings for the fingerprint manager's tests.
#include "base/messagecatalogue.h"
#include "support/filebytes.h"
#include "support/scriptedprompter.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <sys/stat.h>

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

class FingerTest : public ::testing::Test {
protected:
    FingerTest()
    {
        // As the program names itself: without an organisation the
        // settings report every write as failed.
        QCoreApplication::setOrganizationName(QStringLiteral("Zentrix"));
        QCoreApplication::setApplicationName(QStringLiteral("Zentrix"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("config"));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.filePath("config"));
        state.programFolder = dir.filePath("program");
        state.toolState = 900;
    }

    static QByteArray bytesOf(const QString &file) { return filebytes::read(file); }
    static void writeBytes(const QString &file, const QByteArray &bytes) { filebytes::write(file, bytes); }
    // The file's mode bits as the system keeps them.
    static int modeOf(const QString &path)
    {
        struct stat st {};
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
    }
    static void setMode(const QString &path, int mode) { ::chmod(QFile::encodeName(path).constData(), mode); }

    QList<int> styles() const
    {
        QList<int> out;
        for (const auto &r : prompter.requests)
            out << r.style.code();
        return out;
    }

    QTemporaryDir dir;
    AppState state;
    ScriptedPrompter prompter;
    Messenger messenger{state, prompter};
};

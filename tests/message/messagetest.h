#pragma once
// A context with a scripted prompter and a scratch folder, and byte-level
// helpers for .msd files.
#include "comm/appcontext.h"
#include "support/fakeportio.h"
#include "support/filebytes.h"
#include "support/scriptedprompter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

class MessageTest : public ::testing::Test {
protected:
    MessageTest()
    {
        auto prompter = std::make_unique<ScriptedPrompter>();
        p = prompter.get();
        ctx = std::make_unique<AppContext>(std::move(prompter), std::make_unique<FakePortIo>());
        ctx->state.programFolder = dir.path();
        ctx->state.toolState = ToolStates::Message;
    }

    QString path(const QString &name) const { return dir.filePath(name); }

    static QByteArray bytesOf(const QString &file) { return filebytes::read(file); }
    static void writeBytes(const QString &file, const QByteArray &bytes) { filebytes::write(file, bytes); }
    // One record as the container writes it.
    static QByteArray record(const QByteArray &text)
    {
        QByteArray r(512, ' ');
        r[0] = 0;
        r[1] = 0;
        r.replace(2, text.size(), text);
        r[2 + text.size()] = '\xFF';
        return r;
    }
    static QByteArray emptyFile(int records = 255)
    {
        QByteArray all;
        for (int i = 0; i < records; ++i)
            all += record({});
        return all;
    }

    QTemporaryDir dir;
    ScriptedPrompter *p = nullptr;
    std::unique_ptr<AppContext> ctx;
};

// Saves that fail halfway: the disk fills up (a file-size limit makes every
// write past it fail, as a full disk does) or the file turns read-only
// between the steps of a save. The user is told in Japanese and no record
// is lost or torn.
#include "comm/interfacesettings.h"
#include "comm/serialcontrol.h"
#include "filepatterns.h"
#include "message/filecopy.h"
#include "message/messagefileoperations.h"
#include "message/messagetest.h"

#include <QFileDevice>

#include <csignal>
#include <sys/resource.h>

namespace {

// Writes beyond `bytes` into any file fail with EFBIG (a write across it
// is cut short) until the limit goes out of scope.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

const QString kDiskFull = QStringLiteral("ファイルに書き込めません。ディスクの空きを確認して下さい。");
const QString kReadOnly = QStringLiteral("書き込みが禁止されています。");

class FailingSave : public MessageTest {
protected:
    QByteArray records(int count, qint64 g)
    {
        QByteArray all;
        for (int n = 1; n <= count; ++n)
            all += MsdFile::encodeRecord(filepatterns::recordText(n, g));
        return all;
    }
    QString lastText() const { return p->requests.isEmpty() ? QString() : p->requests.last().text; }
    int strayFiles() const { return int(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size()); }
};

TEST_F(FailingSave, RecordSaveThatCannotGrowTheFileLeavesItAsItWas)
{
    // Record 5 of a file of two and a half records: the gap and the record
    // are one write from byte 1280 to 2560; the disk fills at each limit.
    const QString file = path("m.msd");
    const QByteArray start = records(3, 1).left(1280);
    for (const rlim_t limit : {1280, 1281, 1536, 2047, 2559}) {
        SCOPED_TRACE(limit);
        writeBytes(file, start);
        p->clear();
        MessageForm form{file, QStringLiteral("5"), QStringLiteral("ABC"), {}};
        bool saved = true;
        {
            FileSizeLimit full(limit);
            saved = MessageFileOperations(*ctx).save(form);
        }
        EXPECT_FALSE(saved);
        EXPECT_TRUE(bytesOf(file) == start) << "now " << bytesOf(file).size() << " bytes";
        EXPECT_TRUE(lastText().startsWith(QStringLiteral("ファイルに書き込めませんでした。")));
        EXPECT_TRUE(lastText().endsWith(kDiskFull)) << lastText().toStdString();
    }
}

TEST_F(FailingSave, RecordSaveOntoAFileMadeReadOnlyMeanwhileIsRefused)
{
    const QString file = path("m.msd");
    writeBytes(file, records(255, 1));
    // The file turns read-only while the overwrite question is up.
    p->onAsk = [&](const PromptRequest &r) {
        if (r.code == 304)
            QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    };
    p->script({Answer::Yes});
    MessageForm form{file, QStringLiteral("3"), QStringLiteral("new"), {}};
    EXPECT_FALSE(MessageFileOperations(*ctx).save(form));
    EXPECT_TRUE(lastText().endsWith(kReadOnly)) << lastText().toStdString();
    EXPECT_TRUE(bytesOf(file) == records(255, 1));
}

TEST_F(FailingSave, WholeFileCopyThatRunsOutOfSpaceKeepsTheDestination)
{
    ctx->state.toolState = filecopy::kWholeFileState;
    const QString source = path("src.msd");
    const QString destination = path("dst.msd");
    // A large file and one that fits the write buffer.
    for (const auto &[count, limit] : {std::pair{255, 70000}, std::pair{3, 1000}}) {
        SCOPED_TRACE(count);
        writeBytes(source, records(count, 1));
        writeBytes(destination, records(10, 2));
        p->clear();
        {
            const FileSizeLimit full{rlim_t(limit)};
            EXPECT_FALSE(filecopy::copy(*ctx, source, destination));
        }
        EXPECT_EQ(p->codes(), QList<int>{19});
        EXPECT_TRUE(bytesOf(destination) == records(10, 2)) << "now " << bytesOf(destination).size() << " bytes";
        EXPECT_EQ(strayFiles(), 2); // no temporary file left behind
    }
}

TEST_F(FailingSave, WholeFileCopyOntoAReadOnlyFileIsRefused)
{
    // Root may replace any file; the read-only mark is the user's.
    ctx->state.toolState = filecopy::kWholeFileState;
    const QString destination = path("dst.msd");
    writeBytes(path("src.msd"), records(3, 1));
    writeBytes(destination, records(10, 2));
    QFile::setPermissions(destination, QFileDevice::ReadOwner);
    EXPECT_FALSE(filecopy::copy(*ctx, path("src.msd"), destination));
    EXPECT_EQ(p->codes(), QList<int>{19});
    EXPECT_TRUE(bytesOf(destination) == records(10, 2));
}

TEST_F(FailingSave, RecordCopyThatRunsOutOfSpaceTearsNoRecord)
{
    const QString source = path("src.msd");
    const QString destination = path("dst.msd");
    writeBytes(source, records(255, 1));
    writeBytes(destination, records(10, 2));
    {
        FileSizeLimit full(20000);
        EXPECT_FALSE(filecopy::copy(*ctx, source, destination));
    }
    EXPECT_EQ(p->codes().last(), 19);
    const QByteArray after = bytesOf(destination);
    EXPECT_EQ(after.size() % MsdFile::kRecordSize, 0);
    for (int n = 1; n <= after.size() / MsdFile::kRecordSize; ++n) {
        const auto g = filepatterns::generationOf(n, after.mid((n - 1) * MsdFile::kRecordSize, MsdFile::kRecordSize));
        EXPECT_TRUE(g == 1 || g == 2) << "record " << n;
    }
}

class FailingSettingsSave : public FailingSave {
protected:
    FailingSettingsSave()
    {
        ctx->serial().setPortResolver([](int n) { return QStringLiteral("sim:COM%1").arg(n); });
        ini = path(settingsfile::kFileName);
        writeBytes(ini, old);
    }
    interfacesettings::ApplyResult apply()
    {
        return interfacesettings::apply(*ctx, {QStringLiteral("COM2"), QStringLiteral("100"), QStringLiteral("0")});
    }

    QString ini;
    const QByteArray old = settingsfile::encode(filepatterns::settings(7)) + "tail";
};

TEST_F(FailingSettingsSave, DiskFullIsToldInJapaneseAndKeepsTheFile)
{
    interfacesettings::ApplyResult result;
    {
        FileSizeLimit full(20);
        result = apply();
    }
    EXPECT_EQ(result, interfacesettings::ApplyResult::SaveFailed);
    EXPECT_TRUE(lastText().startsWith(QStringLiteral("設定ファイルに書き込めませんでした。")));
    EXPECT_TRUE(lastText().contains(QStringLiteral("(") + kDiskFull + QStringLiteral(")"))) << lastText().toStdString();
    EXPECT_TRUE(bytesOf(ini) == old) << "now " << bytesOf(ini).size() << " bytes";
    EXPECT_EQ(strayFiles(), 1);
}

TEST_F(FailingSettingsSave, ReadOnlyFileIsLeftAsItIs)
{
    // Even for root, who may write any file: the mark is the user's.
    QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    EXPECT_EQ(apply(), interfacesettings::ApplyResult::SaveFailed);
    EXPECT_TRUE(lastText().contains(QStringLiteral("(") + kReadOnly + QStringLiteral(")"))) << lastText().toStdString();
    EXPECT_TRUE(bytesOf(ini) == old);
}

} // namespace

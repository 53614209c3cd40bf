// Saves that fail halfway: the disk fills up (a file-size limit makes every
// write past it fail, as a full disk does) or the file turns read-only
// between the steps of a save. The user is told in Japanese and no record
// is lost or torn.
#include "comm/interfacesettings.h"
#include "comm/serialcontrol.h"
#include "filepatterns.h"
#include "filesizelimit.h"
#include "message/filecopy.h"
#include "message/messagefileoperations.h"
#include "message/messagetest.h"
#include "shell/ui/trafficwindow.h"
#include "unit/unitfileoperations.h"

#include <QFileDevice>

#include <functional>

namespace {

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

// The saves and deletes of the ticket and unit windows onto a file that
// cannot grow (the content lies past its end) or turns read-only while the
// question is up, or was marked so from the start: refused, told, and the
// file as it was.
TEST_F(FailingSave, ToolRecordWritesThatFailKeepTheFileAndAreNotToldAsDone)
{
    using Op = std::function<bool(AppContext &, const QString &)>;
    const Op ticketSave = [](AppContext &ctx, const QString &file) {
        TicketForm form{file, filepatterns::ticketContent(5), true, 0};
        return TicketFileOperations(ctx, [] { return std::optional<int>(filepatterns::kTicketNumber); }).save(form);
    };
    const Op ticketDelete = [](AppContext &ctx, const QString &file) {
        TicketForm form{file, {}, true, 0};
        return TicketFileOperations(ctx, [] { return std::optional<int>(filepatterns::kTicketNumber); }).remove(form);
    };
    const auto unitOp = [](unit::Model model, bool save) -> Op {
        return [model, save](AppContext &ctx, const QString &file) {
            unit::UnitForm form{file, filepatterns::unitSettings(5)};
            unit::UnitFileOperations ops(ctx);
            return save ? ops.save(form, model, filepatterns::kUnitSet)
                        : ops.remove(form, model, filepatterns::kUnitSet);
        };
    };
    enum class ReadOnly { Never, FromStart, AtQuestion };
    struct Row {
        const char *name;
        Op op;
        int records;  // the file's length
        rlim_t limit; // a full disk past it; 0: none
        ReadOnly readOnly;
        const char *what; // the first line told
        int doneCode;     // the notice that must not come
    };
    const char *notWritten = "ファイルに書き込めませんでした。";
    const char *notDeleted = "ファイルから削除できませんでした。";
    const Row rows[] = {
        {"ticket save, disk full", ticketSave, 10, 6000, ReadOnly::Never, notWritten, 634},
        {"ticket delete, disk full", ticketDelete, 10, 6000, ReadOnly::Never, notDeleted, 637},
        {"ticket save, read-only", ticketSave, 255, 0, ReadOnly::FromStart, notWritten, 634},
        {"ticket save, read-only at 635", ticketSave, 255, 0, ReadOnly::AtQuestion, notWritten, 634},
        {"ticket delete, read-only", ticketDelete, 255, 0, ReadOnly::FromStart, notDeleted, 637},
        {"ticket delete, read-only at 636", ticketDelete, 255, 0, ReadOnly::AtQuestion, notDeleted, 637},
        {"VUX save, disk full", unitOp(unit::Model::Vux, true), 10, 6000, ReadOnly::Never, notWritten, 634},
        {"UX save, disk full", unitOp(unit::Model::Ux, true), 10, 6000, ReadOnly::Never, notWritten, 634},
        {"VUX delete, disk full", unitOp(unit::Model::Vux, false), 10, 6000, ReadOnly::Never, notDeleted, 637},
        {"UX save, read-only", unitOp(unit::Model::Ux, true), 255, 0, ReadOnly::FromStart, notWritten, 634},
        {"VUX save, read-only at 635", unitOp(unit::Model::Vux, true), 255, 0, ReadOnly::AtQuestion, notWritten, 634},
        {"UX delete, read-only", unitOp(unit::Model::Ux, false), 255, 0, ReadOnly::FromStart, notDeleted, 637},
        {"VUX delete, read-only at 636", unitOp(unit::Model::Vux, false), 255, 0, ReadOnly::AtQuestion, notDeleted,
         637},
    };
    const QString file = path("tool.msd");
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        const QByteArray before = records(row.records, 1);
        writeBytes(file, before);
        if (row.readOnly == ReadOnly::FromStart)
            QFile::setPermissions(file, QFileDevice::ReadOwner);
        p->clear();
        p->onAsk = [&](const PromptRequest &r) {
            if (row.readOnly == ReadOnly::AtQuestion && (r.code == 635 || r.code == 636))
                QFile::setPermissions(file, QFileDevice::ReadOwner);
        };
        p->script({Answer::Yes});
        bool done = true;
        {
            std::optional<FileSizeLimit> full;
            if (row.limit)
                full.emplace(row.limit);
            done = row.op(*ctx, file);
        }
        EXPECT_FALSE(done);
        EXPECT_TRUE(bytesOf(file) == before) << "now " << bytesOf(file).size() << " bytes";
        EXPECT_TRUE(lastText().startsWith(QString::fromUtf8(row.what))) << lastText().toStdString();
        EXPECT_TRUE(lastText().endsWith(row.readOnly == ReadOnly::Never ? kDiskFull : kReadOnly))
            << lastText().toStdString();
        EXPECT_FALSE(p->codes().contains(row.doneCode));
        if (row.readOnly == ReadOnly::FromStart)
            EXPECT_FALSE(p->codes().contains(635) || p->codes().contains(636)) << "asked before the refusal";
        EXPECT_EQ(strayFiles(), 1);
    }
    p->onAsk = nullptr;
}

// Every write of the fingerprint files onto a full disk or a file marked
// read-only: told, and the file as it was, with no temporary file beside.
TEST_F(FailingSave, FingerFileWritesThatFailKeepTheFile)
{
    FingerFiles files(dir.path(), ctx->messenger());
    FingerUsers users;
    QByteArray five;
    for (int row = 1; row <= 5; ++row) {
        users[row] = filepatterns::fingerUser(row, 9);
        five += *fingerrecord::encode(filepatterns::fingerUser(row, 1));
    }
    const QString data = files.dataFilePath();
    const QString single = files.singleUserPath(3);
    using Op = std::function<bool()>;
    struct Row {
        const char *name;
        QString file;
        Op op;
        rlim_t limit; // 0: marked read-only instead
    };
    const Op append = [&] { return files.writeFinger(users, 3, FingerFiles::Target::DataFile); };
    const Op saveSingle = [&] { return files.writeFinger(users, 3, FingerFiles::Target::SingleUser); };
    const Op cut = [&] { return files.cutRows(3, 4); };
    const Op replaceAll = [&] { return files.replaceDataFile(users, 1, 5); };
    const Row rows[] = {
        {"append, disk full", data, append, 5 * fingerrecord::kSize + 100},
        {"append, read-only", data, append, 0},
        {"single user, disk full", single, saveSingle, 1000},
        {"single user, read-only", single, saveSingle, 0},
        {"cut, disk full", data, cut, 2000},
        {"cut, read-only", data, cut, 0},
        {"replace, disk full", data, replaceAll, 3 * fingerrecord::kSize},
        {"replace, read-only", data, replaceAll, 0},
    };
    QDir(dir.path()).mkdir(QStringLiteral("Finger"));
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QFile::setPermissions(row.file, FingerFiles::kFilePermissions);
        writeBytes(row.file, five);
        if (!row.limit)
            QFile::setPermissions(row.file, QFileDevice::ReadOwner);
        p->clear();
        bool done = true;
        {
            std::optional<FileSizeLimit> full;
            if (row.limit)
                full.emplace(row.limit);
            done = row.op();
        }
        EXPECT_FALSE(done);
        EXPECT_TRUE(bytesOf(row.file) == five) << "now " << bytesOf(row.file).size() << " bytes";
        EXPECT_TRUE(lastText().startsWith(QStringLiteral("ファイルに保存できませんでした。")))
            << lastText().toStdString();
        EXPECT_TRUE(lastText().endsWith(row.limit ? kDiskFull : kReadOnly)) << lastText().toStdString();
        EXPECT_EQ(QDir(files.folderPath()).entryList(QDir::Files | QDir::Hidden).size(), 1);
        QFile::setPermissions(row.file, FingerFiles::kFilePermissions);
        QFile::remove(row.file);
    }
}

// The line log saved over an older one: a full disk used to replace the
// old log by a cut one and tell nothing.
TEST_F(FailingSave, TrafficLogSaveThatFailsKeepsTheOldLog)
{
    TrafficWindow window(*ctx);
    const QString log = path("log.txt");
    window.chooseSavePath = [&](QWidget *) { return log; };
    for (const bool readOnly : {false, true}) {
        SCOPED_TRACE(readOnly);
        QFile::setPermissions(log, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        writeBytes(log, "old log");
        if (readOnly)
            QFile::setPermissions(log, QFileDevice::ReadOwner);
        p->clear();
        {
            std::optional<FileSizeLimit> full;
            if (!readOnly)
                full.emplace(0);
            window.save();
        }
        EXPECT_TRUE(bytesOf(log) == "old log") << "now " << bytesOf(log).size() << " bytes";
        EXPECT_EQ(lastText(),
                  QStringLiteral("通信ログを保存できませんでした。\r\n") + (readOnly ? kReadOnly : kDiskFull));
        EXPECT_EQ(strayFiles(), 1);
    }
}

} // namespace

// A writer child is killed (SIGKILL) at random moments while it repeats one
// kind of file write; afterwards every record holds its old or its new
// content and a whole-file rewrite is never cut short. A temporary file a
// kill left beside a whole file is gone after the next save of that file.
//
// ZENTRIX_KILL_LOOPS sets the kills per kind (100 by default) for a longer
// run by hand; ZENTRIX_KILL_SEED repeats a run (the seed is printed).
#include "base/savefile.h"
#include "filepatterns.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <random>

extern char **environ;

namespace {

constexpr qint64 kGenerationsPerChild = 100000; // as the writer counts them
constexpr int kMaxDelayUs = 3000;

int loops()
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("ZENTRIX_KILL_LOOPS", &ok);
    return ok && n > 0 ? n : 100;
}

class KillLoop : public ::testing::Test {
protected:
    void SetUp() override
    {
        bool ok = false;
        seed = unsigned(qEnvironmentVariableIntValue("ZENTRIX_KILL_SEED", &ok));
        if (!ok)
            seed = std::random_device{}();
        random.seed(seed);
        std::printf("kill loop seed %u (ZENTRIX_KILL_SEED), %d kills\n", seed, loops());
    }

    // Generations of the writer started for kill i.
    static qint64 firstOf(int i) { return (i + 1) * kGenerationsPerChild; }

    // An argv or envp: the strings' own bytes, ended by a null.
    static std::vector<char *> pointersTo(QList<QByteArray> &strings)
    {
        std::vector<char *> out;
        for (QByteArray &s : strings)
            out.push_back(s.data());
        out.push_back(nullptr);
        return out;
    }

    // Starts the writer, waits for its first finished write, lets it run
    // for a random while and kills it.
    void runAndKill(const QList<QByteArray> &args)
    {
        int fds[2];
        ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        QList<QByteArray> all{QByteArray(WRITER_PATH)};
        all += args;
        std::vector<char *> argv = pointersTo(all);
        pid_t pid = 0;
        const int rc = posix_spawn(&pid, WRITER_PATH, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        ASSERT_EQ(rc, 0);

        pollfd ready{fds[0], POLLIN, 0};
        char byte = 0;
        const bool started = poll(&ready, 1, 20000) == 1 && read(fds[0], &byte, 1) == 1;
        close(fds[0]);
        if (started)
            usleep(useconds_t(std::uniform_int_distribution<int>(0, kMaxDelayUs)(random)));
        kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(started) << "the writer did not finish its first write";
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the writer ended by itself, status " << status;
    }

    // One more write by the writer, to its end: as the next save after the
    // kills.
    void runOnce(const QList<QByteArray> &args)
    {
        QList<QByteArray> all{QByteArray(WRITER_PATH)};
        all += args;
        std::vector<char *> argv = pointersTo(all);
        QList<QByteArray> env{"ZENTRIX_WRITES=1"};
        for (char **e = environ; *e; ++e)
            env << QByteArray(*e);
        std::vector<char *> envp = pointersTo(env);
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, WRITER_PATH, nullptr, nullptr, argv.data(), envp.data()), 0);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the last write failed, status " << status;
    }

    // After the kills: how many temporary files were left, and none once
    // the file was saved again.
    void expectCleanedBySave(const QString &file, const QList<QByteArray> &args, int kills, int changed)
    {
        const int left = strayFiles(file);
        const int ours = int(savefile::tempFilesOf(file).size());
        EXPECT_EQ(left, ours) << "a file that is not a temporary file of ours";
        runOnce(args);
        const int after = strayFiles(file);
        std::printf("%d kills, the file changed in %d, %d left a temporary file (%d there now), %d after one more "
                    "save\n",
                    kills, changed, killsLeavingTemp, left, after);
        EXPECT_EQ(after, 0);
        killsLeavingTemp = 0;
    }

    static QByteArray bytesOf(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void writeBytes(const QString &file, const QByteArray &bytes)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    // Files in the folder of the one written besides it (temporary files
    // left by a kill).
    static int strayFiles(const QString &keep)
    {
        return int(QFileInfo(keep).dir().entryList(QDir::Files | QDir::Hidden).size()) - (QFile::exists(keep) ? 1 : 0);
    }

    QTemporaryDir dir;
    // Kills after which a temporary file lay beside the file (each next
    // writer's first save removes it).
    int killsLeavingTemp = 0;
    unsigned seed = 0;
    std::mt19937 random;
};

// The generation of record n if it is exactly what a writer whose first
// generation was `first` writes there.
using RecordGeneration = std::function<std::optional<qint64>(int n, const QByteArray &record, qint64 first)>;

// Every record is as it was, or exactly one that a killed writer wrote (or
// emptied, where the writer deletes); a record the file did not hold whole
// may also be completed as it read.
void checkRecords(
    const QByteArray &pre, const QByteArray &post, qint64 firstNew, int kill,
    const RecordGeneration &generationOf = [](int n, const QByteArray &r,
                                              qint64) { return filepatterns::generationOf(n, r); },
    bool emptied = false)
{
    constexpr int kSize = MsdFile::kRecordSize;
    ASSERT_GE(post.size(), pre.size()) << "kill " << kill << " cut the file";
    const qsizetype records = (post.size() + kSize - 1) / kSize;
    for (int n = 1; n <= records; ++n) {
        const QByteArray before = pre.mid(qsizetype(n - 1) * kSize, kSize);
        const QByteArray after = post.mid(qsizetype(n - 1) * kSize, kSize);
        if (after == before)
            continue;
        const auto g = generationOf(n, after, firstNew);
        if (g && *g >= firstNew)
            continue;
        if (emptied && after == MsdFile::encodeRecord({}))
            continue;
        if (before.size() < kSize && after.size() == kSize && after.startsWith(before) &&
            MsdFile::decodeRecord(after).text == MsdFile::decodeRecord(before).text)
            continue;
        FAIL() << "record " << n << " torn by kill " << kill << ": " << after.left(40).toHex().constData();
    }
}

TEST_F(KillLoop, RecordWritesLeaveEachRecordOldOrNew)
{
    const QString file = dir.filePath("m.msd");
    std::uniform_int_distribution<int> records(0, 40);
    std::uniform_int_distribution<int> partial(0, MsdFile::kRecordSize - 1);
    int changed = 0;
    for (int i = 0; i < loops(); ++i) {
        if (i % 8 == 0) {
            // A short file, often with a cut-short last record, so that
            // writes beyond the end fill the gap.
            QByteArray start;
            const int whole = records(random);
            for (int n = 1; n <= whole; ++n)
                start += MsdFile::encodeRecord(filepatterns::recordText(n, 1));
            start += MsdFile::encodeRecord(filepatterns::recordText(whole + 1, 1)).left(partial(random));
            writeBytes(file, start);
        }
        const QByteArray pre = bytesOf(file);
        runAndKill({"records", file.toLocal8Bit(), QByteArray::number(firstOf(i)), QByteArray::number(random())});
        if (HasFatalFailure())
            return;
        const QByteArray post = bytesOf(file);
        killsLeavingTemp += strayFiles(file) > 0;
        changed += post != pre;
        checkRecords(pre, post, firstOf(i), i);
        if (HasFatalFailure())
            return;
    }
    std::printf("%d kills, the file changed in %d\n", loops(), changed);
}

TEST_F(KillLoop, WholeFileRewriteIsNeverCutShort)
{
    const QString file = dir.filePath("whole.msd");
    writeBytes(file, filepatterns::wholeFile(0));
    qint64 previous = 0;
    int changed = 0;
    for (int i = 0; i < loops(); ++i) {
        runAndKill({"rewrite", file.toLocal8Bit(), QByteArray::number(firstOf(i))});
        if (HasFatalFailure())
            return;
        const QByteArray post = bytesOf(file);
        killsLeavingTemp += strayFiles(file) > 0;
        ASSERT_EQ(post.size(), MsdFile::kRecordCount * MsdFile::kRecordSize) << "kill " << i;
        const auto g = filepatterns::generationOf(1, post.left(MsdFile::kRecordSize));
        ASSERT_TRUE(g.has_value()) << "kill " << i;
        ASSERT_TRUE(*g == previous || *g >= firstOf(i)) << "kill " << i;
        ASSERT_EQ(post, filepatterns::wholeFile(*g)) << "kill " << i << " mixed two rewrites";
        changed += *g != previous;
        previous = *g;
    }
    // A kill between the temporary file's creation and its rename leaves
    // it beside the file (under a name of ours), until the next save.
    expectCleanedBySave(file, {"rewrite", file.toLocal8Bit(), QByteArray::number(firstOf(loops()))}, loops(), changed);
}

TEST_F(KillLoop, FingerDataCutLeavesEveryRecordWhole)
{
    // The writer's per-user settings (FingerFileName) must not be the user's.
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toLocal8Bit());
    const QString data = dir.filePath("Finger/FingerData.msd");
    QByteArray start;
    QList<QByteArray> known;
    for (int row = 1; row <= 5; ++row) {
        known << *fingerrecord::encode(filepatterns::fingerUser(row));
        start += known.last();
    }
    QDir(dir.path()).mkpath(QStringLiteral("Finger"));
    writeBytes(data, start);
    int changed = 0;
    for (int i = 0; i < loops(); ++i) {
        const QByteArray pre = bytesOf(data);
        runAndKill({"fingercut", dir.path().toLocal8Bit(), QByteArray::number(firstOf(i))});
        if (HasFatalFailure())
            return;
        const QByteArray post = bytesOf(data);
        killsLeavingTemp += strayFiles(data) > 0;
        changed += post != pre;
        ASSERT_EQ(post.size() % fingerrecord::kSize, 0) << "kill " << i << " tore a record";
        const int records = int(post.size() / fingerrecord::kSize);
        ASSERT_TRUE(records >= 3 && records <= 5) << "kill " << i << " left " << records << " records";
        for (int k = 0; k < records; ++k) {
            const QByteArray r = post.mid(qsizetype(k) * fingerrecord::kSize, fingerrecord::kSize);
            // Rows 1 and 2 are never cut; the others are whole copies of a row.
            if (k < 2)
                ASSERT_EQ(r, known[k]) << "kill " << i << " record " << k + 1;
            else
                ASSERT_TRUE(known.contains(r)) << "kill " << i << " record " << k + 1 << " torn";
        }
    }
    expectCleanedBySave(data, {"fingercut", dir.path().toLocal8Bit(), QByteArray::number(firstOf(loops()))}, loops(),
                        changed);
    qunsetenv("XDG_CONFIG_HOME");
}

// The finger files written whole: the single-user file of row 3 and the
// data file of rows 1-5. Each is one generation's records, never a mix or
// a cut, and readable by the user only.
TEST_F(KillLoop, FingerFilesWrittenWholeAreNeverCutShort)
{
    struct Row {
        const char *mode;
        const char *file;
        int firstRow, lastRow;
    };
    const Row rows[] = {
        {"fingersingle", "Finger/Finger3.msd", 3, 3},
        {"fingerreplace", "Finger/FingerData.msd", 1, 5},
    };
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toLocal8Bit());
    QDir(dir.path()).mkpath(QStringLiteral("Finger"));
    const auto contents = [](const Row &row, qint64 g) {
        QByteArray all;
        for (int r = row.firstRow; r <= row.lastRow; ++r)
            all += *fingerrecord::encode(filepatterns::fingerUser(r, g));
        return all;
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.mode);
        const QString file = dir.filePath(row.file);
        writeBytes(file, contents(row, 0));
        qint64 previous = 0;
        int changed = 0;
        for (int i = 0; i < loops(); ++i) {
            runAndKill({row.mode, dir.path().toLocal8Bit(), QByteArray::number(firstOf(i))});
            if (HasFatalFailure())
                return;
            const QByteArray post = bytesOf(file);
            killsLeavingTemp += strayFiles(file) > 0;
            ASSERT_EQ(post.size(), (row.lastRow - row.firstRow + 1) * fingerrecord::kSize) << "kill " << i;
            const auto g = filepatterns::fingerGenerationOf(row.firstRow, post.left(fingerrecord::kSize));
            ASSERT_TRUE(g && (*g == previous || *g >= firstOf(i))) << "kill " << i;
            ASSERT_EQ(post, contents(row, *g)) << "kill " << i << " mixed two saves";
            struct stat st {};
            if (*g != previous)
                ASSERT_TRUE(stat(QFile::encodeName(file).constData(), &st) == 0 && (st.st_mode & 0777) == 0600)
                    << "kill " << i << " left it readable by others";
            changed += *g != previous;
            previous = *g;
        }
        std::printf("%s: ", row.mode);
        expectCleanedBySave(file, {row.mode, dir.path().toLocal8Bit(), QByteArray::number(firstOf(loops()))}, loops(),
                            changed);
        QFile::remove(file);
    }
    qunsetenv("XDG_CONFIG_HOME");
}

// The ticket and unit windows' saves and deletes write their records in
// place: each record is old or new (or empty after a delete), the rest of
// the file is untouched and no temporary file is made.
TEST_F(KillLoop, ToolSavesAndDeletesLeaveEachRecordOldOrNew)
{
    struct Row {
        const char *mode;
        RecordGeneration generationOf;
        bool deletes;
    };
    const Row rows[] = {
        {"ticketsave", filepatterns::ticketGenerationOf, false},
        {"ticketdelete", filepatterns::ticketGenerationOf, true},
        {"unitsave", filepatterns::unitGenerationOf, false},
        {"unitdelete", filepatterns::unitGenerationOf, true},
    };
    const QString file = dir.filePath("tool.msd");
    for (const Row &row : rows) {
        SCOPED_TRACE(row.mode);
        writeBytes(file, filepatterns::wholeFile(0));
        int changed = 0;
        for (int i = 0; i < loops(); ++i) {
            const QByteArray pre = bytesOf(file);
            runAndKill({row.mode, file.toLocal8Bit(), QByteArray::number(firstOf(i))});
            if (HasFatalFailure())
                return;
            const QByteArray post = bytesOf(file);
            killsLeavingTemp += strayFiles(file) > 0;
            ASSERT_EQ(post.size(), pre.size()) << "kill " << i;
            changed += post != pre;
            checkRecords(pre, post, firstOf(i), i, row.generationOf, row.deletes);
            if (HasFatalFailure())
                return;
        }
        std::printf("%s: ", row.mode);
        expectCleanedBySave(file, {row.mode, file.toLocal8Bit(), QByteArray::number(firstOf(loops()))}, loops(),
                            changed);
    }
}

TEST_F(KillLoop, SettingsSaveLeavesTheOldOrTheNewRecord)
{
    const QString file = dir.filePath(settingsfile::kFileName);
    const QByteArray tail("record 2 stays");
    writeBytes(file, settingsfile::encode(filepatterns::settings(0)) + tail);
    qint64 previous = 0;
    int changed = 0;
    for (int i = 0; i < loops(); ++i) {
        runAndKill({"settings", file.toLocal8Bit(), QByteArray::number(firstOf(i))});
        if (HasFatalFailure())
            return;
        const QByteArray post = bytesOf(file);
        killsLeavingTemp += strayFiles(file) > 0;
        ASSERT_EQ(post.size(), settingsfile::kRecordSize + tail.size()) << "kill " << i;
        ASSERT_EQ(post.mid(settingsfile::kRecordSize), tail) << "kill " << i;
        const qint64 g = settingsfile::decode(post).settings.replyWait;
        ASSERT_TRUE(g == previous || g >= firstOf(i)) << "kill " << i;
        ASSERT_EQ(post.left(settingsfile::kRecordSize), settingsfile::encode(filepatterns::settings(g)))
            << "kill " << i << " tore the record";
        changed += g != previous;
        previous = g;
    }
    expectCleanedBySave(file, {"settings", file.toLocal8Bit(), QByteArray::number(firstOf(loops()))}, loops(), changed);
}

} // namespace

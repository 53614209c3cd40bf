// The child of the crash-safety test: repeats one kind of file write until
// it is killed. Writes "R" on standard output once the first write is done.
// ZENTRIX_WRITES=n stops it after n writes (exit status 0).
//
//   reliability_writer records  <file> <first generation> <seed>
//   reliability_writer rewrite  <file> <first generation>
//   reliability_writer settings <file> <first generation>
//   reliability_writer ticketsave | ticketdelete <file> <first generation>
//   reliability_writer unitsave | unitdelete <file> <first generation>
//   reliability_writer fingercut | fingersingle | fingerreplace <program folder> <first generation>
#include "filepatterns.h"
#include "support/quietcontext.h"
#include "unit/unitfileoperations.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <unistd.h>

namespace {

constexpr int kMaxWrites = 100000; // generations per child, below the next child's first

int writes()
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("ZENTRIX_WRITES", &ok);
    return ok && n > 0 && n < kMaxWrites ? n : kMaxWrites;
}

// The saves and deletes of the ticket and unit windows as they run, every
// question answered Yes.
bool ticketWrite(AppContext &ctx, const QString &path, qint64 g, bool andDelete)
{
    TicketFileOperations ops(ctx, [] { return std::optional<int>(filepatterns::kTicketNumber); });
    TicketForm form;
    form.fileName = path;
    form.content = filepatterns::ticketContent(g);
    return ops.save(form) && (!andDelete || ops.remove(form));
}

bool unitWrite(AppContext &ctx, const QString &path, qint64 g, bool andDelete)
{
    unit::UnitFileOperations ops(ctx);
    unit::UnitForm form{path, filepatterns::unitSettings(g)};
    // Both models, one after the other: nine records and one.
    for (const unit::Model model : {unit::Model::Vux, unit::Model::Ux}) {
        if (!ops.save(form, model, filepatterns::kUnitSet) ||
            (andDelete && !ops.remove(form, model, filepatterns::kUnitSet)))
            return false;
    }
    return true;
}

void ready(bool &told)
{
    if (!told) {
        told = true;
        (void)!write(STDOUT_FILENO, "R", 1);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 4)
        return 64;
    QCoreApplication app(argc, argv);
    const QString path = QString::fromLocal8Bit(argv[2]);
    const qint64 first = std::atoll(argv[3]);
    const char *mode = argv[1];
    bool told = false;

    if (std::strcmp(mode, "records") == 0) {
        std::mt19937 random(argc > 4 ? unsigned(std::atoll(argv[4])) : 1u);
        std::uniform_int_distribution<int> number(1, MsdFile::kRecordCount);
        const MsdFile file(path);
        for (qint64 g = first; g < first + writes(); ++g) {
            // One to three records per call, each its own positioned write.
            QMap<int, QByteArray> texts;
            for (int k = int(g % 3); k >= 0; --k) {
                const int n = number(random);
                texts.insert(n, filepatterns::recordText(n, g));
            }
            if (!file.writeRecords(texts))
                return 2;
            ready(told);
        }
    } else if (std::strcmp(mode, "rewrite") == 0) {
        for (qint64 g = first; g < first + writes(); ++g) {
            if (!MsdFile::replaceWhole(path, filepatterns::wholeFile(g)))
                return 2;
            ready(told);
        }
    } else if (std::strcmp(mode, "settings") == 0) {
        for (qint64 g = first; g < first + writes(); ++g) {
            if (!settingsfile::save(filepatterns::settings(g), path))
                return 2;
            ready(told);
        }
    } else if (std::strncmp(mode, "ticket", 6) == 0 || std::strncmp(mode, "unit", 4) == 0) {
        QuietContext quiet(Answer::Yes);
        const bool andDelete = std::strstr(mode, "delete") != nullptr;
        const bool ticket = mode[0] == 't';
        for (qint64 g = first; g < first + writes(); ++g) {
            if (!(ticket ? ticketWrite(*quiet.ctx, path, g, andDelete) : unitWrite(*quiet.ctx, path, g, andDelete)))
                return 2;
            ready(told);
        }
    } else if (std::strcmp(mode, "fingersingle") == 0 || std::strcmp(mode, "fingerreplace") == 0) {
        // Finger<row>.msd replaced as a save of one user does; the data
        // file replaced by rows 1-5 as saving all users does.
        AppState state;
        FixedPrompter prompter(Answer::No);
        Messenger messenger(state, prompter);
        FingerFiles files(path, messenger);
        const bool single = mode[6] == 's';
        for (qint64 g = first; g < first + writes(); ++g) {
            FingerUsers users;
            for (int row = 1; row <= 5; ++row)
                users[row] = filepatterns::fingerUser(row, g);
            if (!(single ? files.writeFinger(users, 3, FingerFiles::Target::SingleUser)
                         : files.replaceDataFile(users, 1, 5)))
                return 2;
            ready(told);
        }
    } else if (std::strcmp(mode, "fingercut") == 0) {
        // Rows 3-4 of five cut out of FingerData.msd and appended again,
        // as a delete on the printer and a later save do.
        AppState state;
        FixedPrompter prompter(Answer::No);
        Messenger messenger(state, prompter);
        FingerFiles files(path, messenger);
        FingerUsers users;
        for (int row = 1; row <= 5; ++row)
            users[row] = filepatterns::fingerUser(row);
        // A kill between the steps leaves fewer records: filled up first.
        const auto records = [&files] { return QFileInfo(files.dataFilePath()).size() / fingerrecord::kSize; };
        for (int row = 3; records() < 5; ++row) {
            if (!files.writeFinger(users, row, FingerFiles::Target::DataFile))
                return 2;
        }
        for (qint64 g = first; g < first + writes(); ++g) {
            if (!files.cutRows(3, 4))
                return 2;
            ready(told);
            if (!files.writeFinger(users, 3, FingerFiles::Target::DataFile) ||
                !files.writeFinger(users, 4, FingerFiles::Target::DataFile))
                return 2;
        }
    } else {
        return 64;
    }
    return 0;
}

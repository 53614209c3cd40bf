#pragma once
// The files of the fingerprint manager: FingerData.msd, which holds one
// record per list row and stays in step with the printer, and the
// single-user files Finger<row>.msd. Both are plain runs of 1614-byte
// records without header. Templates are biometric data: the Finger folder
// is made readable by the user only, and so is every file written here.
#include "fingerusers.h"

#include <QFileDevice>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class Messenger;

namespace fingerrecord {

constexpr int kSize = 1614;
constexpr int kId1Offset = 0;
constexpr int kTemplate1Offset = 7;
constexpr int kId2Offset = 807;
constexpr int kTemplate2Offset = 814;
// A data file is read up to this many records (one per list row).
constexpr int kMaxRecords = fingers::kRows;

// The record of a user: each ID in 7 bytes, each template followed by 0x00
// up to 800 bytes. A finger without ID gets 7 bytes 0x00. Nothing when a
// template does not fit its slot.
std::optional<QByteArray> encode(const FingerUser &user);
// A record's bytes; bytes missing at the end of a short file read as 0x00.
// Trailing 0x00 of an ID field are dropped and each template is trimmed.
FingerUser decode(const QByteArray &bytes);
// A template slot cut just after the byte that follows its first ETX; a
// slot without ETX stays whole.
QByteArray trimTemplate(const QByteArray &slot);

} // namespace fingerrecord

class FingerFiles {
public:
    static constexpr QFileDevice::Permissions kFilePermissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    static constexpr QFileDevice::Permissions kFolderPermissions =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

    FingerFiles(QString programFolder, Messenger &messenger);

    // The setting FingerFileName (per-user settings, group "Settings"),
    // else <program folder>/Finger/FingerData.msd.
    QString dataFilePath() const;
    QString folderPath() const;
    // Both paths name one file (through links and relative parts).
    static bool sameFile(const QString &a, const QString &b);
    // <program folder>/Finger/Finger<row>.msd
    QString singleUserPath(int row) const;
    // The row a single-user file name stands for (Finger12.msd gives 12);
    // 0 when the name gives no row of the list.
    static int rowOfFileName(const QString &path);

    enum class Target {
        SingleUser, // Finger<row>.msd, replaced whole
        DataFile,   // appended to FingerData.msd
    };
    // Writes one record for the row. On failure the user has been told why
    // and nothing was saved.
    bool writeFinger(const FingerUsers &users, int row, Target target);
    // The data file replaced whole by the records of rows first..last, so
    // that saving all users again leaves each row once. The old file stays
    // as it was when any record cannot be written.
    bool replaceDataFile(const FingerUsers &users, int first, int last);

    // Reads a data file: record k fills row k + 1. The table's IDs are
    // replaced, the templates of each filled row too, and the list counts
    // as not loaded from the printer. Returns the rows filled; nothing when
    // the user was told why the file could not be read (the table is then
    // unchanged). The caller shows notice 910.
    std::optional<QList<int>> readFile(FingerUsers &users, const QString &path);
    // Reads single-user files, each into the row its name gives. Empty
    // entries are skipped; a missing file or a name without row stops
    // before anything is read.
    std::optional<QList<int>> readSingleUserFiles(FingerUsers &users, const QStringList &paths);

    // Takes rows first..last out of the data file after they were deleted
    // on the printer; rows 1 to 100 or more remove the file.
    bool cutRows(int first, int last);

    // Records processed so far while reading (0..100).
    std::function<void(int)> progress;

private:
    bool makeFolder();
    bool appendRecord(const QString &path, const QByteArray &record);
    void tellWriteFailure(const QString &path, const QString &reason);
    void tellReadFailure(const QString &path, const QString &reason);
    void applyRecords(FingerUsers &users, const QList<std::pair<int, QByteArray>> &records);

    QString programFolder_;
    Messenger &messenger_;
};

#include "fingerfiles.h"

#include "base/fileerrors.h"
#include "base/messagecatalogue.h"
#include "base/savefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>

namespace fingerrecord {

namespace {

QByteArray idField(const QByteArray &id)
{
    QByteArray field = id.left(fingers::kIdSize);
    field.append(fingers::kIdSize - field.size(), '\0');
    return field;
}

QByteArray idOf(const QByteArray &field)
{
    qsizetype n = field.size();
    while (n > 0 && field[n - 1] == '\0')
        --n;
    return field.left(n);
}

} // namespace

std::optional<QByteArray> encode(const FingerUser &user)
{
    QByteArray record;
    record.reserve(kSize);
    for (int f = 0; f < 2; ++f) {
        const QByteArray &t = user.fingerTemplate[f];
        if (t.size() > fingers::kTemplateCapacity)
            return std::nullopt;
        record += idField(user.userId[f]);
        record += t;
        record.append(fingers::kTemplateCapacity - t.size(), '\0');
    }
    return record;
}

QByteArray trimTemplate(const QByteArray &slot)
{
    const qsizetype etx = slot.left(fingers::kTemplateCapacity).indexOf(fingers::kEtx);
    return etx < 0 ? slot : slot.left(etx + 2);
}

FingerUser decode(const QByteArray &bytes)
{
    QByteArray r = bytes.left(kSize);
    r.append(kSize - r.size(), '\0');
    FingerUser u;
    u.userId[0] = idOf(r.mid(kId1Offset, fingers::kIdSize));
    u.fingerTemplate[0] = trimTemplate(r.mid(kTemplate1Offset, fingers::kTemplateCapacity));
    u.userId[1] = idOf(r.mid(kId2Offset, fingers::kIdSize));
    u.fingerTemplate[1] = trimTemplate(r.mid(kTemplate2Offset, fingers::kTemplateCapacity));
    return u;
}

} // namespace fingerrecord

namespace {

const QString kDeleteTitle = QStringLiteral("指紋の消去");
const QString kCrLf = QStringLiteral("\r\n");

QString fullWidthDigit(int n) { return QString(QChar(0xFF10 + n)); }

QString writeReason(const QFileDevice &f)
{
    return fileerrors::text(f.error() == QFileDevice::NoError ? QFileDevice::WriteError : f.error());
}

// The new file belongs to the user alone, whatever the old one allowed,
// from the moment it has its name.
bool replaceWhole(const QString &path, const QByteArray &contents, QString *error)
{
    return savefile::replace(path, contents, error, FingerFiles::kFilePermissions);
}

} // namespace

FingerFiles::FingerFiles(QString programFolder, Messenger &messenger)
    : programFolder_(std::move(programFolder)), messenger_(messenger)
{
}

QString FingerFiles::dataFilePath() const
{
    QSettings settings;
    settings.beginGroup(QStringLiteral("Settings"));
    const QString configured = settings.value(QStringLiteral("FingerFileName")).toString();
    return configured.isEmpty() ? QDir(folderPath()).filePath(QStringLiteral("FingerData.msd")) : configured;
}

QString FingerFiles::folderPath() const { return QDir(programFolder_).filePath(QStringLiteral("Finger")); }

QString FingerFiles::singleUserPath(int row) const
{
    return QDir(folderPath()).filePath(QStringLiteral("Finger%1.msd").arg(row));
}

int FingerFiles::rowOfFileName(const QString &path)
{
    static const QRegularExpression name(QStringLiteral("^Finger(\\d{1,3})(\\D|$)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const auto m = name.match(QFileInfo(path).fileName());
    const int row = m.hasMatch() ? m.captured(1).toInt() : 0;
    return FingerUsers::isRow(row) ? row : 0;
}

void FingerFiles::tellWriteFailure(const QString &path, const QString &reason)
{
    messenger_.showMessage(QStringLiteral("ファイルに保存できませんでした。") + kCrLf + path + kCrLf + reason,
                           Icon::Exclamation);
}

void FingerFiles::tellReadFailure(const QString &path, const QString &reason)
{
    messenger_.showMessage(QStringLiteral("ファイルを読み込めませんでした。") + kCrLf + path + kCrLf + reason,
                           Icon::Exclamation);
}

bool FingerFiles::makeFolder()
{
    const QString folder = folderPath();
    if (QFileInfo(folder).isDir())
        return true;
    if (QDir(programFolder_).mkdir(QStringLiteral("Finger"), kFolderPermissions))
        return true;
    messenger_.showMessage(QStringLiteral("フォルダを作成できません。") + kCrLf + folder, Icon::Exclamation);
    return false;
}

bool FingerFiles::appendRecord(const QString &path, const QByteArray &record)
{
    if (fileerrors::markedReadOnly(path)) {
        tellWriteFailure(path, fileerrors::text(QFileDevice::PermissionsError));
        return false;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite | QIODevice::Unbuffered, kFilePermissions)) {
        tellWriteFailure(path, fileerrors::text(f.error()));
        return false;
    }
    // A record cut short at the end is completed with the slots' filler,
    // so that the new one starts on a record boundary; both in one write.
    const qint64 size = f.size();
    const int partial = int(size % fingerrecord::kSize);
    const QByteArray bytes = partial ? QByteArray(fingerrecord::kSize - partial, '\0') + record : record;
    if (!f.seek(size)) {
        tellWriteFailure(path, fileerrors::text(f.error()));
        return false;
    }
    if (f.write(bytes) != bytes.size()) {
        // A full disk cuts the write short: what it added would read as a
        // torn record, so the file goes back to where it ended.
        const QString reason = writeReason(f);
        f.resize(size);
        tellWriteFailure(path, reason);
        return false;
    }
    f.setPermissions(kFilePermissions);
    return true;
}

bool FingerFiles::writeFinger(const FingerUsers &users, int row, Target target)
{
    if (!FingerUsers::isRow(row))
        return false;
    const FingerUser &user = users[row];
    const auto record = fingerrecord::encode(user);
    if (!record) {
        const int f = user.fingerTemplate[0].size() > fingers::kTemplateCapacity ? 0 : 1;
        messenger_.showMessage(QStringLiteral("No.%1の第%2指の指紋データが%3バイトあり、"
                                              "ファイルに保存できる%4バイトを超えています。")
                                       .arg(row)
                                       .arg(fullWidthDigit(f + 1))
                                       .arg(user.fingerTemplate[f].size())
                                       .arg(fingers::kTemplateCapacity) +
                                   kCrLf + QStringLiteral("保存を中止します。"),
                               Icon::Exclamation);
        return false;
    }
    if (!makeFolder())
        return false;
    if (target == Target::DataFile)
        return appendRecord(dataFilePath(), *record);
    const QString path = singleUserPath(row);
    QString error;
    if (!replaceWhole(path, *record, &error)) {
        tellWriteFailure(path, error);
        return false;
    }
    return true;
}

bool FingerFiles::replaceDataFile(const FingerUsers &users, int first, int last)
{
    QByteArray contents;
    for (int row = qMax(1, first); row <= qMin(last, fingers::kRows); ++row) {
        const auto record = fingerrecord::encode(users[row]);
        if (!record) {
            messenger_.showMessage(
                QStringLiteral("No.%1の指紋データが%2バイトを超えています。").arg(row).arg(fingers::kTemplateCapacity) +
                    kCrLf + QStringLiteral("保存を中止します。"),
                Icon::Exclamation);
            return false;
        }
        contents += *record;
    }
    if (!makeFolder())
        return false;
    const QString path = dataFilePath();
    if (fileerrors::markedReadOnly(path)) {
        tellWriteFailure(path, fileerrors::text(QFileDevice::PermissionsError));
        return false;
    }
    QString error;
    if (!replaceWhole(path, contents, &error)) {
        tellWriteFailure(path, error);
        return false;
    }
    return true;
}

void FingerFiles::applyRecords(FingerUsers &users, const QList<std::pair<int, QByteArray>> &records)
{
    users.clearIds();
    int done = 0;
    for (const auto &[row, bytes] : records) {
        users[row] = fingerrecord::decode(bytes);
        if (progress)
            progress(++done);
    }
    users.setRegistrantsLoaded(false);
}

std::optional<QList<int>> FingerFiles::readFile(FingerUsers &users, const QString &path)
{
    if (!QFileInfo(path).isFile()) {
        messenger_.showMessage(path + QStringLiteral(" は存在しないファイルです。"), Icon::Exclamation);
        return std::nullopt;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        tellReadFailure(path, fileerrors::text(f.error()));
        return std::nullopt;
    }
    const QByteArray all = f.read(qint64(fingerrecord::kMaxRecords) * fingerrecord::kSize);
    if (f.error() != QFileDevice::NoError) {
        tellReadFailure(path, fileerrors::text(f.error()));
        return std::nullopt;
    }
    QList<std::pair<int, QByteArray>> records;
    QList<int> rows;
    for (int k = 0; k < fingerrecord::kMaxRecords && qint64(k) * fingerrecord::kSize < all.size(); ++k) {
        records.append({k + 1, all.mid(qint64(k) * fingerrecord::kSize, fingerrecord::kSize)});
        rows << k + 1;
    }
    applyRecords(users, records);
    if (all.size() % fingerrecord::kSize != 0) {
        messenger_.showMessage(QStringLiteral("ファイルの大きさ(%1バイト)が%2バイト単位ではありません。")
                                       .arg(f.size())
                                       .arg(fingerrecord::kSize) +
                                   kCrLf + QStringLiteral("No.%1のデータは途中までしかありません。").arg(rows.size()),
                               Icon::Exclamation);
    }
    return rows;
}

std::optional<QList<int>> FingerFiles::readSingleUserFiles(FingerUsers &users, const QStringList &paths)
{
    QList<std::pair<int, QString>> files;
    for (const QString &path : paths) {
        if (path.isEmpty())
            continue;
        if (!QFileInfo(path).isFile()) {
            messenger_.showMessage(path + QStringLiteral(" は存在しないファイルです。"), Icon::Exclamation);
            return std::nullopt;
        }
        const int row = rowOfFileName(path);
        if (!row) {
            messenger_.showMessage(path + kCrLf +
                                       QStringLiteral("ファイル名から番号が分かりません。"
                                                      "Finger1.msd～Finger100.msd のファイルを選択して下さい。"),
                                   Icon::Exclamation);
            return std::nullopt;
        }
        files.append({row, path});
    }
    QList<std::pair<int, QByteArray>> records;
    QList<int> rows;
    QStringList shortFiles;
    for (const auto &[row, path] : files) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            tellReadFailure(path, fileerrors::text(f.error()));
            return std::nullopt;
        }
        const QByteArray bytes = f.read(fingerrecord::kSize);
        if (f.error() != QFileDevice::NoError) {
            tellReadFailure(path, fileerrors::text(f.error()));
            return std::nullopt;
        }
        if (bytes.isEmpty())
            continue;
        if (bytes.size() < fingerrecord::kSize)
            shortFiles << QFileInfo(path).fileName();
        records.append({row, bytes});
        if (!rows.contains(row))
            rows << row;
    }
    applyRecords(users, records);
    std::sort(rows.begin(), rows.end());
    if (!shortFiles.isEmpty()) {
        messenger_.showMessage(QStringLiteral("%1バイトに満たないファイルがあります。データは途中までしかありません。")
                                       .arg(fingerrecord::kSize) +
                                   kCrLf + shortFiles.join(kCrLf),
                               Icon::Exclamation);
    }
    return rows;
}

bool FingerFiles::cutRows(int first, int last)
{
    const QString path = dataFilePath();
    if (!QFileInfo(path).isFile()) {
        messenger_.showMessage(QStringLiteral("指紋データ管理ファイルがありません。"), Icon::Exclamation, kDeleteTitle);
        return false;
    }
    if (first < 1 || last < first)
        return false;
    if (fileerrors::markedReadOnly(path)) {
        tellWriteFailure(path, fileerrors::text(QFileDevice::PermissionsError));
        return false;
    }
    QFile f(path);
    if (first == 1 && last >= fingers::kRows) {
        if (!f.remove()) {
            tellWriteFailure(path, fileerrors::text(f.error()));
            return false;
        }
        return true;
    }
    if (!f.open(QIODevice::ReadOnly)) {
        tellReadFailure(path, fileerrors::text(f.error()));
        return false;
    }
    const QByteArray all = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        tellReadFailure(path, fileerrors::text(f.error()));
        return false;
    }
    f.close();
    const QByteArray kept =
        all.left(qint64(first - 1) * fingerrecord::kSize) + all.mid(qint64(last) * fingerrecord::kSize);
    QString error;
    if (!replaceWhole(path, kept, &error)) {
        tellWriteFailure(path, error);
        return false;
    }
    return true;
}

bool FingerFiles::sameFile(const QString &a, const QString &b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

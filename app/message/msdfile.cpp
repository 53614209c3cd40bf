#include "msdfile.h"

#include "base/cp932.h"
#include "base/fileerrors.h"
#include "base/savefile.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr qint64 offsetOf(int n) { return qint64(n - 1) * MsdFile::kRecordSize; }

QString describe(QFileDevice::FileError error) { return fileerrors::text(error); }

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

QByteArray emptyRecord()
{
    QByteArray r(MsdFile::kRecordSize, ' ');
    r[0] = 0;
    r[1] = 0;
    r[MsdFile::kReservedSize] = MsdFile::kTerminator;
    return r;
}

// Bytes that turn a cut-short last record into a whole one that reads as
// the same text.
QByteArray completion(const QByteArray &partial)
{
    QByteArray tail;
    if (partial.size() < MsdFile::kReservedSize) {
        tail.append(MsdFile::kReservedSize - partial.size(), '\0');
        tail.append(MsdFile::kTerminator);
    } else if (!partial.mid(MsdFile::kReservedSize).contains(MsdFile::kTerminator)) {
        tail.append(MsdFile::kTerminator);
    }
    tail.append(MsdFile::kRecordSize - partial.size() - tail.size(), ' ');
    return tail;
}

bool hasWriteBits(const QFileInfo &info)
{
    return info.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther);
}

} // namespace

MsdFile::MsdFile(QString path) : path_(std::move(path)) {}

bool MsdFile::exists() const { return QFileInfo(path_).isFile(); }

bool MsdFile::isReadOnly() const
{
    const QFileInfo info(path_);
    return info.exists() && (!hasWriteBits(info) || !info.isWritable());
}

QByteArray MsdFile::encodeRecord(const QByteArray &text)
{
    if (text.size() > kTextCapacity || text.contains(kTerminator))
        return {};
    QByteArray r = emptyRecord();
    r.replace(kReservedSize, text.size(), text);
    r[kReservedSize + text.size()] = kTerminator;
    return r;
}

MsdRecord MsdFile::decodeRecord(const QByteArray &bytes)
{
    MsdRecord rec;
    if (bytes.size() <= kReservedSize)
        return rec;
    rec.present = true;
    const QByteArray field = bytes.mid(kReservedSize, kTextFieldSize);
    const qsizetype end = field.indexOf(kTerminator);
    rec.terminated = end >= 0;
    rec.text = rec.terminated ? field.left(end) : field;
    return rec;
}

std::optional<QList<MsdRecord>> MsdFile::readRecords(int count, QString *error) const
{
    QFile f(path_);
    if (!f.open(QIODevice::ReadOnly)) {
        setError(error, describe(f.error()));
        return std::nullopt;
    }
    const QByteArray all = f.read(qint64(count) * kRecordSize);
    if (f.error() != QFileDevice::NoError) {
        setError(error, describe(f.error()));
        return std::nullopt;
    }
    QList<MsdRecord> records;
    records.reserve(count);
    for (int n = 1; n <= count; ++n)
        records << decodeRecord(all.mid(offsetOf(n), kRecordSize));
    return records;
}

std::optional<MsdRecord> MsdFile::readRecord(int n, QString *error) const
{
    if (n < 1)
        return MsdRecord{};
    QFile f(path_);
    if (!f.open(QIODevice::ReadOnly)) {
        setError(error, describe(f.error()));
        return std::nullopt;
    }
    if (offsetOf(n) >= f.size())
        return MsdRecord{};
    if (!f.seek(offsetOf(n))) {
        setError(error, describe(f.error()));
        return std::nullopt;
    }
    const QByteArray bytes = f.read(kRecordSize);
    if (f.error() != QFileDevice::NoError) {
        setError(error, describe(f.error()));
        return std::nullopt;
    }
    return decodeRecord(bytes);
}

QString MsdFile::readText(int n) const
{
    const auto rec = readRecord(n);
    return rec ? cp932::decode(rec->text) : QString();
}

QList<int> MsdFile::occupiedNumbers(int count) const
{
    QList<int> numbers;
    if (const auto records = readRecords(count)) {
        for (int i = 0; i < records->size(); ++i)
            if (records->at(i).occupied())
                numbers << i + 1;
    }
    return numbers;
}

MsdFileHealth MsdFile::inspect(int count) const
{
    MsdFileHealth h;
    const QFileInfo info(path_);
    h.size = info.size();
    h.wholeRecords = int(h.size / kRecordSize);
    h.partialRecord = h.size % kRecordSize != 0;
    h.readOnly = isReadOnly();
    if (const auto records = readRecords(count)) {
        for (int i = 0; i < records->size(); ++i) {
            const MsdRecord &r = records->at(i);
            if (r.present && !r.terminated)
                h.unterminated << i + 1;
            if (r.occupied() && !cp932::isValid(r.text))
                h.undecodable << i + 1;
        }
    }
    return h;
}

bool MsdFile::writeRecords(const QMap<int, QByteArray> &texts, QString *error) const
{
    QMap<int, QByteArray> records;
    for (auto it = texts.begin(); it != texts.end(); ++it)
        records.insert(it.key(), encodeRecord(it.value()));
    return writeEncoded(records, error);
}

QByteArray MsdFile::encodeStored(const MsdRecord &record)
{
    // A text that fills the whole field was stored without its 0xFF.
    if (record.text.size() == kTextFieldSize && !record.text.contains(kTerminator))
        return QByteArray(kReservedSize, '\0') + record.text;
    return encodeRecord(record.text);
}

bool MsdFile::writeStoredRecords(const QMap<int, MsdRecord> &stored, QString *error) const
{
    QMap<int, QByteArray> records;
    for (auto it = stored.begin(); it != stored.end(); ++it)
        records.insert(it.key(), encodeStored(it.value()));
    return writeEncoded(records, error);
}

bool MsdFile::writeEncoded(const QMap<int, QByteArray> &records, QString *error) const
{
    if (records.isEmpty())
        return true;
    for (auto it = records.begin(); it != records.end(); ++it) {
        if (it.key() < 1 || it.value().isEmpty()) {
            setError(error, QStringLiteral("データが大きすぎます。"));
            return false;
        }
    }
    const QFileInfo info(path_);
    if (!info.isFile()) {
        setError(error, QStringLiteral("ファイルが存在しません。"));
        return false;
    }
    if (!hasWriteBits(info)) {
        setError(error, describe(QFileDevice::PermissionsError));
        return false;
    }
    QFile f(path_);
    if (!f.open(QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered)) {
        setError(error,
                 describe(f.error() == QFileDevice::OpenError && !info.isWritable() ? QFileDevice::PermissionsError
                                                                                    : f.error()));
        return false;
    }
    for (auto it = records.begin(); it != records.end(); ++it) {
        qint64 offset = offsetOf(it.key());
        QByteArray bytes = it.value();
        const qint64 size = f.size();
        if (offset > size) {
            // Fill the gap so that no record in between reads as garbage.
            QByteArray gap;
            const qint64 whole = size / kRecordSize;
            const int partial = int(size % kRecordSize);
            if (partial) {
                if (!f.seek(whole * kRecordSize)) {
                    setError(error, describe(f.error()));
                    return false;
                }
                gap = completion(f.read(partial));
            }
            const qint64 firstMissing = whole + (partial ? 1 : 0) + 1;
            for (qint64 k = firstMissing; k < it.key(); ++k)
                gap += emptyRecord();
            bytes.prepend(gap);
            offset = size;
        }
        if (!f.seek(offset)) {
            setError(error, describe(f.error()));
            return false;
        }
        if (f.write(bytes) != bytes.size()) {
            // A full disk cuts a write short without an error of its own.
            // What it added past the old end would read as a torn record:
            // the file goes back to where it ended.
            const QFileDevice::FileError why = f.error() == QFileDevice::NoError ? QFileDevice::WriteError : f.error();
            if (offset + bytes.size() > size)
                f.resize(size);
            setError(error, describe(why));
            return false;
        }
    }
    if (!f.flush()) {
        setError(error, describe(f.error()));
        return false;
    }
    return true;
}

bool MsdFile::writeRecord(int n, const QByteArray &text, QString *error) const
{
    return writeRecords({{n, text}}, error);
}

bool MsdFile::writeText(int n, const QString &text, QString *error) const
{
    return writeRecord(n, cp932::encode(text), error);
}

bool MsdFile::clearRecord(int n, QString *error) const { return writeRecord(n, {}, error); }

bool MsdFile::replaceWhole(const QString &path, const QByteArray &contents, QString *error)
{
    return savefile::replace(path, contents, error);
}

bool MsdFile::createEmpty(const QString &path, QString *error)
{
    QByteArray all;
    all.reserve(qint64(kRecordCount) * kRecordSize);
    for (int n = 1; n <= kRecordCount; ++n)
        all += emptyRecord();
    return replaceWhole(path, all, error);
}

#include "messagefile.h"

#include "shell/cp932.h"
#include "shell/fileerrors.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr qint64 offsetOf(int n) { return qint64(n - 1) * MessageFile::kRecordSize; }

QString describe(QFileDevice::FileError error) { return fileerrors::text(error); }

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

QByteArray emptyRecord()
{
    QByteArray r(MessageFile::kRecordSize, ' ');
    r[0] = 0;
    r[1] = 0;
    r[MessageFile::kReservedSize] = MessageFile::kTerminator;
    return r;
}

// Bytes that turn a cut-short last record into a whole one that reads as
// the same text.
QByteArray completion(const QByteArray &partial)
{
    QByteArray tail;
    if (partial.size() < MessageFile::kReservedSize) {
        tail.append(MessageFile::kReservedSize - partial.size(), '\0');
        tail.append(MessageFile::kTerminator);
    } else if (!partial.mid(MessageFile::kReservedSize).contains(MessageFile::kTerminator)) {
        tail.append(MessageFile::kTerminator);
    }
    tail.append(MessageFile::kRecordSize - partial.size() - tail.size(), ' ');
    return tail;
}

bool hasWriteBits(const QFileInfo &info)
{
    return info.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther);
}

} // namespace

MessageFile::MessageFile(QString path) : path_(std::move(path)) {}

bool MessageFile::exists() const { return QFileInfo(path_).isFile(); }

bool MessageFile::isReadOnly() const
{
    const QFileInfo info(path_);
    return info.exists() && (!hasWriteBits(info) || !info.isWritable());
}

QByteArray MessageFile::encodeRecord(const QByteArray &text)
{
    if (text.size() > kTextCapacity || text.contains(kTerminator))
        return {};
    QByteArray r = emptyRecord();
    r.replace(kReservedSize, text.size(), text);
    r[kReservedSize + text.size()] = kTerminator;
    return r;
}

MessageRecord MessageFile::decodeRecord(const QByteArray &bytes)
{
    MessageRecord rec;
    if (bytes.size() <= kReservedSize)
        return rec;
    rec.present = true;
    const QByteArray field = bytes.mid(kReservedSize, kTextFieldSize);
    const qsizetype end = field.indexOf(kTerminator);
    rec.terminated = end >= 0;
    rec.text = rec.terminated ? field.left(end) : field;
    return rec;
}

std::optional<QList<MessageRecord>> MessageFile::readRecords(int count, QString *error) const
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
    QList<MessageRecord> records;
    records.reserve(count);
    for (int n = 1; n <= count; ++n)
        records << decodeRecord(all.mid(offsetOf(n), kRecordSize));
    return records;
}

std::optional<MessageRecord> MessageFile::readRecord(int n, QString *error) const
{
    if (n < 1)
        return MessageRecord{};
    QFile f(path_);
    if (!f.open(QIODevice::ReadOnly)) {
        setError(error, describe(f.error()));
        return std::nullopt;
    }
    if (offsetOf(n) >= f.size())
        return MessageRecord{};
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

QString MessageFile::readText(int n) const
{
    const auto rec = readRecord(n);
    return rec ? cp932::decode(rec->text) : QString();
}

QList<int> MessageFile::occupiedNumbers(int count) const
{
    QList<int> numbers;
    if (const auto records = readRecords(count)) {
        for (int i = 0; i < records->size(); ++i)
            if (records->at(i).occupied())
                numbers << i + 1;
    }
    return numbers;
}

MessageFileHealth MessageFile::inspect(int count) const
{
    MessageFileHealth h;
    const QFileInfo info(path_);
    h.size = info.size();
    h.wholeRecords = int(h.size / kRecordSize);
    h.partialRecord = h.size % kRecordSize != 0;
    h.readOnly = isReadOnly();
    if (const auto records = readRecords(count)) {
        for (int i = 0; i < records->size(); ++i) {
            const MessageRecord &r = records->at(i);
            if (r.present && !r.terminated)
                h.unterminated << i + 1;
            if (r.occupied() && !cp932::isValid(r.text))
                h.undecodable << i + 1;
        }
    }
    return h;
}

bool MessageFile::writeRecords(const QMap<int, QByteArray> &texts, QString *error) const
{
    if (texts.isEmpty())
        return true;
    for (auto it = texts.begin(); it != texts.end(); ++it) {
        if (it.key() < 1 || encodeRecord(it.value()).isEmpty()) {
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
    for (auto it = texts.begin(); it != texts.end(); ++it) {
        qint64 offset = offsetOf(it.key());
        QByteArray bytes = encodeRecord(it.value());
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

bool MessageFile::writeRecord(int n, const QByteArray &text, QString *error) const
{
    return writeRecords({{n, text}}, error);
}

bool MessageFile::writeText(int n, const QString &text, QString *error) const
{
    return writeRecord(n, cp932::encode(text), error);
}

bool MessageFile::clearRecord(int n, QString *error) const { return writeRecord(n, {}, error); }

bool MessageFile::replaceWhole(const QString &path, const QByteArray &contents, QString *error)
{
    if (fileerrors::markedReadOnly(path)) {
        setError(error, describe(QFileDevice::PermissionsError));
        return false;
    }
    // Unbuffered: a write cut short by a full disk shows here. Through the
    // buffer it would only be cut at commit, which then still replaces the
    // file with the cut one.
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        setError(error, describe(f.error()));
        return false;
    }
    if (f.write(contents) != contents.size()) {
        setError(error, describe(f.error() == QFileDevice::NoError ? QFileDevice::WriteError : f.error()));
        f.cancelWriting();
        return false;
    }
    if (!f.commit()) {
        setError(error, describe(f.error()));
        return false;
    }
    return true;
}

bool MessageFile::createEmpty(const QString &path, QString *error)
{
    QByteArray all;
    all.reserve(qint64(kRecordCount) * kRecordSize);
    for (int n = 1; n <= kRecordCount; ++n)
        all += emptyRecord();
    return replaceWhole(path, all, error);
}

#pragma once
// The .msd container: a flat file of 512-byte records without header.
// Record k starts at (k - 1) * 512: a 2-byte reserved field (written as 0,
// ignored when read) and a 510-byte text field holding CP932 text, one
// 0xFF and space padding. Every tool that keeps data in a .msd file goes
// through this class; nothing else touches the records.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

// One record's text field as found on disk.
struct MsdRecord {
    QByteArray text;         // bytes up to (not including) the first 0xFF
    bool present = false;    // the file reaches into the text field
    bool terminated = false; // a 0xFF ends the text inside the field

    // Occupied: the first byte of the text field is not 0xFF.
    bool occupied() const { return present && !text.isEmpty(); }
};

// What a read of the whole file found, so the user can be told.
struct MsdFileHealth {
    qint64 size = 0;
    int wholeRecords = 0;
    bool partialRecord = false; // size is not a multiple of 512
    QList<int> unterminated;    // occupied records without 0xFF
    QList<int> undecodable;     // records whose text is not valid CP932
    bool readOnly = false;

    bool damaged() const { return partialRecord || !unterminated.isEmpty() || !undecodable.isEmpty(); }
};

class MsdFile {
public:
    static constexpr int kRecordSize = 512;
    static constexpr int kReservedSize = 2;
    static constexpr int kTextFieldSize = 510;
    static constexpr int kRecordCount = 255;
    // Bytes of text that fit before the 0xFF.
    static constexpr int kTextCapacity = kTextFieldSize - 1;
    static constexpr char kTerminator = '\xFF';

    explicit MsdFile(QString path);
    const QString &path() const { return path_; }

    bool exists() const;
    // No write permission at all (checked on the permission bits, so that
    // a file marked read-only stays untouched even for root).
    bool isReadOnly() const;

    // The 512 bytes of a record holding the text; empty when the text does
    // not fit or holds 0xFF.
    static QByteArray encodeRecord(const QByteArray &text);
    // A record's bytes, possibly cut short by the end of the file.
    static MsdRecord decodeRecord(const QByteArray &bytes);

    // Record n (1-based). A record beyond the end of the file reads as
    // empty. Nothing when the file cannot be read.
    std::optional<MsdRecord> readRecord(int n, QString *error = nullptr) const;
    // Records 1..count in one read.
    std::optional<QList<MsdRecord>> readRecords(int count = kRecordCount, QString *error = nullptr) const;
    // The text of record n in CP932 decoding; empty for an empty, missing
    // or unreadable record.
    QString readText(int n) const;
    // Numbers of the occupied records among 1..count, ascending.
    QList<int> occupiedNumbers(int count = kRecordCount) const;
    MsdFileHealth inspect(int count = kRecordCount) const;

    // Each record is one positioned write of the whole record. Writing
    // beyond the end first fills the gap with empty records (completing a
    // cut-short last record without changing what it reads as), in the
    // same write.
    bool writeRecords(const QMap<int, QByteArray> &texts, QString *error = nullptr) const;
    bool writeRecord(int n, const QByteArray &text, QString *error = nullptr) const;
    // Records as they were read: a text that fills the whole field goes
    // back without a 0xFF, as it was found (a whole-record copy).
    static QByteArray encodeStored(const MsdRecord &record);
    bool writeStoredRecords(const QMap<int, MsdRecord> &records, QString *error = nullptr) const;
    bool writeText(int n, const QString &text, QString *error = nullptr) const;
    bool clearRecord(int n, QString *error = nullptr) const;

    // The whole file, replaced only when completely written; a file marked
    // read-only is left as it is.
    static bool createEmpty(const QString &path, QString *error = nullptr);
    static bool replaceWhole(const QString &path, const QByteArray &contents, QString *error = nullptr);

private:
    bool writeEncoded(const QMap<int, QByteArray> &records, QString *error) const;

    QString path_;
};

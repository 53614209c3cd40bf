#pragma once
// Setting sets in the .msd container: a file holds 25 sets, set g in
// records 10g-9 .. 10g. The text fields (each then ends in 0xFF):
//
//   record          model     content
//   10g-9 .. 10g-2  VUX-350Q  name of CH.1 .. CH.8 (7 spaces when empty)
//   10g-1           VUX-350Q  8 x (pattern, 7 characters, NUL)
//                             8 x (unit, 5 bytes, NUL)
//                             8 x (rate, 2 digits, NUL)
//                             2 x (comparison value, 6 digits, NUL)
//   10g             UX-350Q   pattern 1 (11 characters) NUL pattern 2
//                             (11 characters) NUL unit (5 bytes) NUL
//                             indicator text NUL
//
// Pure functions over record texts; MsdFile reads and writes them.
#include "unitsettings.h"

#include "message/msdfile.h"

#include <QByteArray>
#include <QList>
#include <QMap>

namespace unit {

constexpr int kSetCount = 25;
constexpr int kRecordsPerSet = 10;
// Records a file of 25 sets reaches into.
constexpr int kSetRecords = kSetCount * kRecordsPerSet;

inline bool isSetNumber(int set) { return set >= 1 && set <= kSetCount; }
constexpr int nameRecord(int set, int channel) { return kRecordsPerSet * set - 9 + (channel - 1); }
constexpr int vuxSettingsRecord(int set) { return kRecordsPerSet * set - 1; }
constexpr int uxSettingsRecord(int set) { return kRecordsPerSet * set; }

// The records of set g that belong to the model, ascending (empty for a
// model of none or a set outside 1..25).
QList<int> recordsOf(Model model, int set);

// The text fields of the model's records of set g (the settings as the
// check left them), by record number.
QMap<int, QByteArray> encodeSet(Model model, int set, const UnitSettings &s);
QByteArray encodeName(const QString &name);
QByteArray encodeVuxSettings(const VuxSettings &s);
QByteArray encodeUxSettings(const UxSettings &s);

// What reading a set found.
struct SetRead {
    bool inUse = false;   // some record of the model's part holds data
    bool damaged = false; // a record or field was not as written; defaults fill in
};

// Fills the model's area from set g of the records (records[k - 1] is
// record k, as MsdFile::readRecords gives them; records beyond the list
// read as empty). An empty settings record gives the defaults; a field
// that is missing or not a value of its item keeps its default and marks
// the set as damaged. The other model's area is left alone.
SetRead decodeSet(Model model, int set, const QList<MsdRecord> &records, UnitSettings &s);

// Whether the model's part of set g holds data.
bool setInUse(Model model, int set, const QList<MsdRecord> &records);

} // namespace unit

// libFuzzer target: unit-setting sets in .msd files of any content and
// length. A set as the records give it, saved again and read back, the
// print-out of all sets, and, through a file in memory, the window's open.
//
// Input: a selector byte (bit 0 the UX-350Q, bits 1 and 3 both set the
// print-out, bits 2 and 4 both set through a file; the slow parts also
// want an input length of 4k + 2 (as a whole file has), so that mutations of one corpus
// entry take both paths), the set number byte (0..26: also just outside),
// the file.
#include "fuzzsupport.h"
#include "support/quietcontext.h"

#include "base/cp932.h"
#include "comm/appcontext.h"
#include "message/msdfile.h"
#include "unit/unitfileoperations.h"
#include "unit/unitsetfile.h"
#include "unit/unitwire.h"

#include <QFile>

using fuzzsupport::check;
using fuzzsupport::writeFile;
using namespace unit;

namespace {

// Records 1..n of the file as MsdFile reads them.
QList<MsdRecord> recordsOf(const QByteArray &file, int n)
{
    QList<MsdRecord> records;
    for (int k = 1; k <= n; ++k) {
        const qint64 at = qint64(k - 1) * MsdFile::kRecordSize;
        records << (at < file.size() ? MsdFile::decodeRecord(file.mid(at, MsdFile::kRecordSize)) : MsdRecord{});
    }
    return records;
}

// Every box holds what its item takes.
void checkValues(Model model, const UnitSettings &s)
{
    if (model == Model::Vux) {
        for (int c = 1; c <= kVuxChannels; ++c) {
            const VuxChannel &ch = s.vux.channel(c);
            check(patternCode(Model::Vux, ch.decimalPoint).has_value(), "a VUX pattern from the list");
            check(cp932::byteCount(ch.unit) <= kUnitBytes, "a unit of 5 bytes at most");
            check(rateNumber(ch.rate).has_value(), "a rate 1..99");
        }
        for (const QString &v : s.vux.compare)
            check(compareValue(v).has_value(), "a comparison value of six digits at most");
    } else {
        check(patternCode(Model::Ux, s.ux.decimalPoint1).has_value(), "a UX pattern 1 from the list");
        check(patternCode(Model::Ux, s.ux.decimalPoint2).has_value(), "a UX pattern 2 from the list");
        check(cp932::byteCount(s.ux.unit) <= kUnitBytes, "a unit of 5 bytes at most");
        check(indicatorValue(s.ux.indicator).has_value(), "an indicator from the list");
    }
}

// Names that come back from their record as they went in.
bool namesKeep(const UnitSettings &s)
{
    for (const VuxChannel &ch : s.vux.channels)
        if (cp932::decode(encodeName(ch.name)) != ch.name || encodeName(ch.name).size() > MsdFile::kTextCapacity ||
            encodeName(ch.name).contains(MsdFile::kTerminator))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzsupport::Input in(data, size);
    const quint8 selector = in.byte();
    const int set = in.byte() % (kSetCount + 2);
    const Model model = (selector & 1) ? Model::Ux : Model::Vux;
    const QByteArray file = in.rest();
    // Records past the set read as empty anyway.
    QList<MsdRecord> records = recordsOf(file, qBound(1, set, kSetCount) * kRecordsPerSet);

    UnitSettings s;
    const SetRead read = decodeSet(model, set, records, s);
    if (!isSetNumber(set)) {
        check(s == UnitSettings{} && !read.inUse && !read.damaged, "a set outside 1..25 reads nothing");
        return 0;
    }
    checkValues(model, s);
    check(read.inUse == setInUse(model, set, records), "in use as the records say");
    const UnitSettings other = s;
    // The other model's area is left alone.
    UnitSettings mixed;
    mixed.ux.unit = QStringLiteral("kg");
    mixed.vux.channel(3).rate = QStringLiteral("42");
    decodeSet(model, set, records, mixed);
    check(model == Model::Vux ? mixed.ux.unit == u"kg" : mixed.vux.channel(3).rate == u"42",
          "the other model's area stays");

    // What was read, saved: reads back the same, and whole.
    if (namesKeep(s)) {
        const QMap<int, QByteArray> texts = encodeSet(model, set, s);
        for (auto it = texts.begin(); it != texts.end(); ++it) {
            check(it.value().size() <= MsdFile::kTextCapacity && !it.value().contains(MsdFile::kTerminator),
                  "a set record fits its field");
            records[it.key() - 1] = MsdRecord{it.value(), true, true};
        }
        UnitSettings again;
        const SetRead reread = decodeSet(model, set, records, again);
        // An empty comparison box (the default) is kept as zero.
        UnitSettings expected = other;
        for (QString &v : expected.vux.compare)
            if (v.isEmpty())
                v = QStringLiteral("0");
        check(again == expected, "a saved set reads back as it was read");
        check(!reread.damaged, "a saved set reads back whole");
    }

    const bool slow = size % 4 == 2;
    if (slow && (selector & 0x0A) == 0x0A) {
        const QString list = buildPrintList(QStringLiteral("x.msd"), recordsOf(file, kSetRecords));
        check(list.startsWith(QStringLiteral("ファイル名　x.msd\r\n")), "the print-out names the file");
    }

    if (slow && (selector & 0x14) == 0x14) {
        static QuietContext quiet(Answer::No);
        const QString path = fuzzsupport::scratchFolder() + QStringLiteral("/s.msd");
        writeFile(path, file);
        UnitForm form{path, {}};
        check(UnitFileOperations(*quiet.ctx).open(form, model, set), "an existing file opens");
        check(model == Model::Vux ? form.settings.vux == other.vux : form.settings.ux == other.ux,
              "open shows the set the records hold");
    }
    return 0;
}

// libFuzzer target: the fingerprint records of FingerData.msd and the
// single-user files: each 1614-byte record decoded with its templates
// trimmed, written back, and (through files in memory) a data file read
// into the table.
//
// Input: a selector byte (bit 0 through the data file, bit 1 also as a
// single-user file), then the file.
#include "fuzzsupport.h"
#include "support/quietcontext.h"

#include "comm/appcontext.h"
#include "finger/fingerfiles.h"

#include <QFile>

using fuzzsupport::check;
using fuzzsupport::writeFile;
using namespace fingerrecord;

namespace {

void checkTemplate(const QByteArray &slot, const QByteArray &t)
{
    check(t.size() <= fingers::kTemplateCapacity, "a template fits its slot");
    const qsizetype etx = slot.indexOf(fingers::kEtx);
    if (etx < 0)
        check(t == slot, "a slot without ETX stays whole");
    else
        check(t == slot.left(etx + 2), "a template ends just after the byte after its first ETX");
}

void checkRecord(const QByteArray &bytes)
{
    const FingerUser u = decode(bytes);
    QByteArray whole = bytes.left(kSize);
    whole.append(kSize - whole.size(), '\0');
    for (int f = 0; f < 2; ++f) {
        const QByteArray &id = u.userId[f];
        check(id.size() <= fingers::kIdSize && !id.endsWith('\0'), "an ID without its filler");
        check(whole.mid(f ? kId2Offset : kId1Offset, fingers::kIdSize).startsWith(id), "the ID is the field's start");
        checkTemplate(whole.mid(f ? kTemplate2Offset : kTemplate1Offset, fingers::kTemplateCapacity),
                      u.fingerTemplate[f]);
    }
    // What was read writes back and reads the same.
    const auto record = encode(u);
    check(record.has_value() && record->size() == kSize, "a record read writes back whole");
    const FingerUser again = decode(*record);
    check(again.userId == u.userId && again.fingerTemplate == u.fingerTemplate, "a record reads back as written");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzsupport::Input in(data, size);
    const quint8 selector = in.byte();
    const QByteArray file = in.rest();

    const int records = int(qMin<qsizetype>(kMaxRecords, (file.size() + kSize - 1) / kSize));
    for (int k = 0; k < records; ++k)
        checkRecord(file.mid(qsizetype(k) * kSize, kSize));
    // A slot of any length trims the same way.
    checkTemplate(file.left(fingers::kTemplateCapacity), trimTemplate(file.left(fingers::kTemplateCapacity)));

    if (!(selector & 1))
        return 0;
    static QuietContext quiet(Answer::Yes);
    static const QString folder = fuzzsupport::scratchFolder();
    FingerFiles files(folder, quiet.ctx->messenger());
    const QString path = folder + QStringLiteral("/FingerData.msd");
    writeFile(path, file);
    FingerUsers users;
    users[100].userId[0] = QByteArray("KEEP100");
    users[100].fingerTemplate[0] = QByteArray("\x02t\x03!", 4);
    const auto rows = files.readFile(users, path);
    check(rows.has_value(), "an existing data file reads");
    check(rows->size() == records, "one row per record, 100 at most");
    for (int row = 1; row <= fingers::kRows; ++row) {
        const FingerUser &u = users[row];
        if (row <= records) {
            const FingerUser expected = decode(file.mid(qsizetype(row - 1) * kSize, kSize));
            check(u.userId == expected.userId && u.fingerTemplate == expected.fingerTemplate,
                  "each row holds its record");
        } else {
            check(u.userId[0].isEmpty() && u.userId[1].isEmpty(), "rows after the file have no ID");
        }
    }
    check(!users.registrantsLoaded(), "a file read is not the printer's list");

    if (selector & 2) {
        const QString single = folder + QStringLiteral("/Finger7.msd");
        writeFile(single, file.left(kSize + 1));
        FingerUsers one;
        const auto read = files.readSingleUserFiles(one, {single});
        check(read.has_value(), "a single-user file reads");
        check(file.isEmpty() ? read->isEmpty() : *read == QList<int>{7}, "the file name gives the row");
        if (!file.isEmpty()) {
            const FingerUser expected = decode(file.left(kSize));
            check(one[7].userId == expected.userId && one[7].fingerTemplate == expected.fingerTemplate,
                  "the row holds the file's first record");
        }
    }
    return 0;
}

// libFuzzer target: .msd files of any content and length, read, inspected
// and written through MsdFile, in a folder in memory.
//
// Input: one selector byte, a record number byte, a text length byte and
// that many bytes of text to write; the rest is the file. Selector bits
// 3-4 both set also open the file as the message window does; bits 0-2 all
// set copy it record by record onto a new file, as the copy window does.
#include "fuzzsupport.h"
#include "support/quietcontext.h"

#include "comm/appcontext.h"
#include "message/messagefileoperations.h"
#include "message/msdfile.h"

#include <QFile>

using fuzzsupport::check;
using fuzzsupport::writeFile;

namespace {

void checkRecord(const MsdRecord &r)
{
    check(r.text.size() <= MsdFile::kTextFieldSize, "a text fits its field");
    check(!r.terminated || !r.text.contains(MsdFile::kTerminator), "a text stops at 0xFF");
    check(r.present || r.text.isEmpty(), "an absent record is empty");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzsupport::Input in(data, size);
    const quint8 selector = in.byte();
    const int number = in.byte(); // 0 lies outside
    const QByteArray text = in.take(in.byte() * 2u);
    const QByteArray contents = in.rest();

    const QString path = fuzzsupport::scratchFolder() + QStringLiteral("/a.msd");
    writeFile(path, contents);
    const MsdFile file(path);

    // Records past the file and the written number read as empty; reading
    // just beyond both keeps the run fast (inspect and open read all 255).
    const int span =
        qMin<qsizetype>(MsdFile::kRecordCount, qMax<qsizetype>(contents.size() / MsdFile::kRecordSize, number) + 2);
    const auto records = file.readRecords(span);
    check(records.has_value() && records->size() == span, "every record reads");
    for (const MsdRecord &r : *records)
        checkRecord(r);
    const MsdFileHealth health = file.inspect();
    check(health.size == contents.size(), "inspect sees the whole file");
    check(health.partialRecord == (contents.size() % MsdFile::kRecordSize != 0), "partial record found");
    for (const int n : health.undecodable)
        check(records->at(n - 1).occupied(), "only occupied records are undecodable");

    if ((selector & 0x18) == 0x18) {
        // The message window's open: the list, the content of the number
        // and a word to the user about any damage.
        static QuietContext quiet(Answer::No);
        AppContext &ctx = *quiet.ctx;
        FixedPrompter *prompter = quiet.prompter;
        prompter->asked = 0;
        MessageForm form{path, QString::number(number), {}, {}};
        check(MessageFileOperations(ctx).open(form), "an existing file opens");
        QList<int> occupied;
        for (int n = 1; n <= span; ++n)
            if (records->at(n - 1).occupied())
                occupied << n;
        check(form.savedNumbers == occupied, "the list holds the occupied records");
        check(!health.damaged() || prompter->asked > 0, "damage is told");
    }

    if (number >= 1) {
        const auto one = file.readRecord(number);
        check(one.has_value(), "a record reads");
        checkRecord(*one);
        const MsdRecord &same = records->at(number - 1);
        check(one->text == same.text && one->present == same.present, "single and bulk reads agree");
        file.readText(number); // decodes whatever it holds
    }

    // A write changes its own record only; records it had to add or
    // complete read as they did before.
    QString error;
    const bool fits = number >= 1 && text.size() <= MsdFile::kTextCapacity && !text.contains(MsdFile::kTerminator);
    const bool written = file.writeRecord(number, text, &error);
    check(written == fits, "a record that fits is written, any other refused");
    check(written || !error.isEmpty(), "a refusal says why");
    const auto after = file.readRecords(span);
    check(after.has_value(), "the file reads after a write");
    for (int n = 1; n <= span; ++n) {
        const MsdRecord &now = after->at(n - 1);
        if (written && n == number)
            check(now.text == text && now.terminated, "the written record reads back");
        else
            check(now.text == records->at(n - 1).text, "other records keep their text");
    }
    if (written)
        check(QFile(path).size() >= qint64(number) * MsdFile::kRecordSize, "the record is whole");

    if ((selector & 7) == 7) {
        // Record by record onto a new file, as the copy window does.
        const QString copy = fuzzsupport::scratchFolder() + QStringLiteral("/b.msd");
        check(MsdFile::createEmpty(copy), "a new file is created");
        QMap<int, QByteArray> texts;
        for (int n = 1; n <= span; ++n)
            texts.insert(n, after->at(n - 1).text.left(MsdFile::kTextCapacity));
        const bool copied = MsdFile(copy).writeRecords(texts);
        check(copied, "every record that reads also copies");
        const auto copiedRecords = MsdFile(copy).readRecords(span);
        for (int n = 1; n <= span; ++n)
            check(copiedRecords->at(n - 1).text == texts.value(n), "the copy holds each record");
    }
    return 0;
}

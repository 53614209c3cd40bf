// libFuzzer target: ticket contents in .msd files of any content and
// length. The lines of a content as the records give them, and, through a
// file in memory, the window's open, its print listing and a save of what
// was opened into a new file.
//
// Input: a selector byte (bits 0 and 4 both set through a file; bit 1
// also save and open again; bit 2 the "K-2200TQ" model), the content
// number byte, the file. The file path is the slow part: it also wants an
// input length of 4k + 2 (as a whole file has), so that mutations of one corpus entry take
// both paths.
#include "fuzzsupport.h"
#include "support/quietcontext.h"

#include "base/cp932.h"
#include "comm/appcontext.h"
#include "message/msdfile.h"
#include "ticket/ticketfileoperations.h"

#include <QFile>

using fuzzsupport::check;
using fuzzsupport::writeFile;

namespace {

MsdRecord recordOf(const QByteArray &file, int n)
{
    const qint64 at = qint64(n - 1) * MsdFile::kRecordSize;
    return at < file.size() ? MsdFile::decodeRecord(file.mid(at, MsdFile::kRecordSize)) : MsdRecord{};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzsupport::Input in(data, size);
    const quint8 selector = in.byte();
    const int number = 1 + in.byte() % 99;
    const QByteArray file = in.rest();
    const bool raw = !(selector & 4);

    // The lines as the records give them.
    TicketContent content;
    bool allValid = true;
    for (int k = 1; k <= TicketContent::kLineCount; ++k) {
        const MsdRecord r = recordOf(file, ticketfile::recordOf(number, k));
        const TicketLine line = ticketfile::lineFromRecord(r);
        content.line(k) = line;
        if (!r.occupied()) {
            check(line == TicketLine{}, "an empty record is an empty line with 1x1");
            continue;
        }
        check(line.magnification.size() <= 3, "the magnification takes three characters");
        check(line.text.isEmpty() || line.magnification.size() == 3, "the text follows the magnification");
        allValid = allValid && cp932::isValid(r.text);
        if (cp932::isValid(r.text)) {
            const QByteArray back = ticketfile::recordText(line);
            check(!r.terminated || back.size() <= MsdFile::kTextCapacity, "a line read from a record fits one again");
            check(ticketfile::lineFromRecord(MsdRecord{back, true, true}) == line, "a line survives its record");
        }
    }
    if ((selector & 0x11) != 0x11 || size % 4 != 2)
        return 0;

    // The window's open, through a file.
    static QuietContext quiet(Answer::Yes);
    AppContext &ctx = *quiet.ctx;
    const QString path = fuzzsupport::scratchFolder() + QStringLiteral("/t.msd");
    writeFile(path, file);
    TicketFileOperations ops(ctx, [&] { return std::optional<int>(number); });
    TicketForm form{path, {}, raw, 0};
    const bool opened = ops.open(form);
    check(opened == (number <= ticket::lastFileNumber(raw)), "a number in the model's range opens");
    if (!opened)
        return 0;
    check(form.content == content, "open shows the lines the records hold");
    check(form.headerNumber == number, "the header shows the number");

    const QString listing = buildTicketListing(path, MsdFile(path));
    check(listing.startsWith(QStringLiteral("ファイル名　") + path + QStringLiteral("\r\n")),
          "the listing names the file");
    int listed = 0;
    for (int n = 1; n <= ticketfile::kListedContents; ++n)
        for (int k = 1; k <= TicketContent::kLineCount; ++k)
            listed += ticketfile::lineFromRecord(recordOf(file, ticketfile::recordOf(n, k))).text.isEmpty() ? 0 : 1;
    check(listing.count(QStringLiteral("[No.")) >= listed, "every line with text is listed");

    // What was opened saves into a new file and opens from it unchanged.
    if (!(selector & 2) || !allValid || !ticket::checkContent(form.content).ok())
        return 0;
    const QString copy = fuzzsupport::scratchFolder() + QStringLiteral("/u.msd");
    QFile::remove(copy);
    TicketForm target{copy, form.content, raw, 0};
    ticket::ContentCheck refused;
    const bool saved = ops.save(target, &refused);
    check(saved || refused.messageCode == 101, "an opened content saves unless a line is too long");
    if (!saved)
        return 0;
    TicketForm reopened{copy, {}, raw, 0};
    check(ops.open(reopened), "the saved file opens");
    check(reopened.content == form.content, "a saved content opens as it was");
    return 0;
}

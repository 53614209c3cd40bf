#include "ticketfileoperations.h"
#include "message/fileproblems.h"

#include "base/cp932.h"
#include "comm/appcontext.h"
#include "message/displayform.h"
#include "message/filenamecheck.h"
#include "message/msdfile.h"

#include <QCoreApplication>
#include <QMap>

#include <algorithm>

namespace {

constexpr qint16 kOpen = 610;
constexpr qint16 kSave = 611;
constexpr qint16 kDelete = 612;
constexpr int kTooLargeMessage = 101;

} // namespace

namespace ticketfile {

QByteArray recordText(const TicketLine &line) { return cp932::encode(line.magnification + line.text); }

TicketLine lineFromRecord(const MsdRecord &record)
{
    TicketLine line;
    if (!record.occupied())
        return line;
    const QString text = cp932::decode(record.text);
    line.magnification = text.left(3);
    line.text = text.mid(3);
    return line;
}

} // namespace ticketfile

TicketFileOperations::TicketFileOperations(AppContext &ctx, NumberChooser chooseNumber)
    : ctx_(ctx), chooseNumber_(std::move(chooseNumber))
{
}

std::optional<int> TicketFileOperations::chooseNumber(qint16 operation, bool rawNumberModel)
{
    ctx_.state.toolState = operation;
    const std::optional<int> n = chooseNumber_ ? chooseNumber_() : std::nullopt;
    ctx_.state.toolState = ToolStates::Ticket;
    if (!n || *n < 1 || *n > ticket::lastFileNumber(rawNumberModel))
        return std::nullopt;
    return n;
}

std::optional<QList<MsdRecord>> TicketFileOperations::readContent(const MsdFile &file, int number)
{
    QList<MsdRecord> records;
    for (int k = 1; k <= ticketfile::kRecordsPerContent; ++k) {
        QString error;
        const auto r = file.readRecord(ticketfile::recordOf(number, k), &error);
        if (!r) {
            fileproblems::tell(ctx_.messenger(), QStringLiteral("ファイルを読み込めませんでした。"), file.path(),
                               error);
            return std::nullopt;
        }
        records << *r;
    }
    return records;
}

bool TicketFileOperations::open(TicketForm &form)
{
    const auto path = filenamecheck::check(ctx_, form.fileName);
    if (!path)
        return false;
    form.fileName = *path;
    const auto n = chooseNumber(kOpen, form.rawNumberModel);
    if (!n)
        return false;
    const auto records = readContent(MsdFile(*path), *n);
    if (!records)
        return false;
    for (int k = 1; k <= ticketfile::kRecordsPerContent; ++k)
        form.content.line(k) = ticketfile::lineFromRecord(records->at(k - 1));
    form.headerNumber = *n;
    return true;
}

bool TicketFileOperations::save(TicketForm &form, ticket::ContentCheck *refused)
{
    Messenger &m = ctx_.messenger();
    ticket::ContentCheck check = ticket::checkContent(form.content);
    // A line longer than the record would not be written at all.
    for (int k = 1; check.ok() && k <= TicketContent::kLineCount; ++k)
        if (ticketfile::recordText(form.content.line(k)).size() > MsdFile::kTextCapacity)
            check = {kTooLargeMessage, k, -1};
    if (!check.ok()) {
        if (refused)
            *refused = check;
        m.showCatalogMessage(check.messageCode);
        return false;
    }
    const auto n = chooseNumber(kSave, form.rawNumberModel);
    if (!n)
        return false;
    const auto path = fileproblems::pathToSaveInto(ctx_, form.fileName);
    if (!path)
        return false;
    const MsdFile file(*path);
    const auto stored = readContent(file, *n);
    if (!stored)
        return false;
    ctx_.state.ticketSaveNumber = *n;
    const bool inUse = std::any_of(stored->begin(), stored->end(), [](const MsdRecord &r) { return r.occupied(); });
    if (inUse && m.showCatalogMessage(635) != Answer::Yes)
        return false;

    QMap<int, QByteArray> records;
    for (int k = 1; k <= ticketfile::kRecordsPerContent; ++k)
        records.insert(ticketfile::recordOf(*n, k), ticketfile::recordText(form.content.line(k)));
    QString error;
    if (!file.writeRecords(records, &error)) {
        fileproblems::tell(ctx_.messenger(), QStringLiteral("ファイルに書き込めませんでした。"), *path, error);
        return false;
    }
    m.showCatalogMessage(634);
    form.headerNumber = *n;
    return true;
}

bool TicketFileOperations::remove(TicketForm &form)
{
    const auto path = filenamecheck::check(ctx_, form.fileName);
    if (!path)
        return false;
    form.fileName = *path;
    const auto n = chooseNumber(kDelete, form.rawNumberModel);
    if (!n)
        return false;
    QList<int> records;
    for (int k = 1; k <= ticketfile::kRecordsPerContent; ++k)
        records << ticketfile::recordOf(*n, k);
    return fileproblems::removeSaved(ctx_, MsdFile(*path), *n, records);
}

std::optional<QString> TicketFileOperations::printText(TicketForm &form)
{
    const auto path = filenamecheck::check(ctx_, form.fileName);
    if (!path)
        return std::nullopt;
    form.fileName = *path;
    return buildTicketListing(*path, MsdFile(*path));
}

QString buildTicketListing(const QString &path, const MsdFile &file)
{
    QString text = QStringLiteral("ファイル名　") + path + displayform::kLineBreak;
    const auto records = file.readRecords(ticketfile::kListedContents * ticketfile::kRecordsPerContent);
    if (!records)
        return text;
    for (int n = 1; n <= ticketfile::kListedContents; ++n) {
        for (int k = 1; k <= ticketfile::kRecordsPerContent; ++k) {
            const TicketLine line = ticketfile::lineFromRecord(records->at(ticketfile::recordOf(n, k) - 1));
            if (line.text.isEmpty())
                continue;
            const QString shown = displayform::marksToSpaces(line.text);
            text += QStringLiteral("[No.%1-%2]  ").arg(n).arg(k) + line.magnification + u' ' + shown;
            if (!shown.endsWith(u'\n'))
                text += displayform::kLineBreak;
            QCoreApplication::processEvents();
        }
    }
    return text;
}

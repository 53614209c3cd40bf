#include "messagefileoperations.h"

#include "base/catalogcodes.h"

#include "base/cp932.h"
#include "comm/appcontext.h"
#include "displayform.h"
#include "filenamecheck.h"
#include "fileproblems.h"
#include "msdfile.h"
#include "numberbox.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

} // namespace

MessageFileOperations::MessageFileOperations(AppContext &ctx, CodeCheck codeCheck)
    : ctx_(ctx), codeCheck_(std::move(codeCheck))
{
}

void MessageFileOperations::rebuildList(MessageForm &form) const
{
    form.savedNumbers = MsdFile(form.fileName).occupiedNumbers();
}

void MessageFileOperations::advance(MessageForm &form, const MsdFile &file, int number) const
{
    const int next = numberbox::next(number);
    form.numberText = QString::number(next);
    form.content = file.readText(next);
}

bool MessageFileOperations::open(MessageForm &form)
{
    const auto path = filenamecheck::check(ctx_, form.fileName);
    if (!path)
        return false;
    form.fileName = *path;
    const MsdFile file(*path);
    rebuildList(form);
    if (!form.numberText.isEmpty()) {
        const auto parsed = numberbox::parse(form.numberText);
        if (parsed.ok())
            form.content = file.readText(parsed.number);
    }
    if (showProgress)
        showProgress(form);
    fileproblems::reportHealth(ctx_.messenger(), file.inspect());
    return true;
}

bool MessageFileOperations::save(MessageForm &form, int *badCodeAt)
{
    Messenger &m = ctx_.messenger();
    // 1.
    const auto parsed = numberbox::parse(form.numberText);
    if (!parsed.ok()) {
        m.showCatalogMessage(parsed.messageCode);
        return false;
    }
    if (form.content.isEmpty()) {
        m.showCatalogMessage(msg::EnterContent);
        return false;
    }
    // 2.
    const int bad = codeCheck_ ? codeCheck_(form.content) : -1;
    if (bad >= 0) {
        if (badCodeAt)
            *badCodeAt = bad;
        m.showCatalogMessage(msg::BadControlCode);
        return false;
    }
    // Stored as "?" it would be lost without a word.
    const int unencodable = cp932::firstUnencodable(form.content);
    if (unencodable >= 0) {
        if (badCodeAt)
            *badCodeAt = unencodable;
        m.showMessage(QStringLiteral("ファイルに保存できない文字が含まれています。\r\n修正して下さい。"),
                      Icon::Exclamation, fileproblems::kTitle);
        return false;
    }
    // 3.
    const auto path = filenamecheck::check(ctx_, form.fileName);
    if (!path)
        return false;
    form.fileName = *path;
    // 4.
    if (cp932::byteCount(form.content) >= kSaveLimitBytes) {
        m.showCatalogMessage(msg::ContentTooLarge);
        return false;
    }
    // 5.
    const int n = parsed.number;
    const MsdFile file(*path);
    QString error;
    if (file.isReadOnly()) {
        // Say so before asking whether to overwrite.
        fileproblems::tell(ctx_.messenger(), QStringLiteral("ファイルに書き込めませんでした。"), *path,
                           QStringLiteral("書き込みが禁止されています。"));
        return false;
    }
    const auto stored = file.readRecord(n, &error);
    if (!stored) {
        fileproblems::tell(ctx_.messenger(), QStringLiteral("ファイルを読み込めませんでした。"), *path, error);
        return false;
    }
    ctx_.state.currentNumber = n;
    if (stored->occupied() && m.showCatalogMessage(msg::AskOverwrite) != Answer::Yes)
        return false;
    // 6.
    if (!file.writeText(n, form.content, &error)) {
        fileproblems::tell(ctx_.messenger(), QStringLiteral("ファイルに書き込めませんでした。"), *path, error);
        return false;
    }
    rebuildList(form);
    if (showProgress)
        showProgress(form);
    ctx_.state.currentNumber = n;
    m.showCatalogMessage(msg::Written);
    // 7.
    advance(form, file, n);
    return true;
}

bool MessageFileOperations::remove(MessageForm &form)
{
    Messenger &m = ctx_.messenger();
    // 1.
    const auto path = filenamecheck::check(ctx_, form.fileName, filenamecheck::Steps::UpToFolders);
    if (!path)
        return false;
    form.fileName = *path;
    const auto parsed = numberbox::parse(form.numberText);
    if (!parsed.ok()) {
        m.showCatalogMessage(parsed.messageCode);
        return false;
    }
    // 2.
    const MsdFile file(*path);
    if (!file.exists()) {
        m.showCatalogMessage(msg::FileMissing);
        return false;
    }
    // 3.
    const int n = parsed.number;
    ctx_.state.currentNumber = n;
    if (m.showCatalogMessage(msg::AskDelete) != Answer::Yes)
        return false;
    // 4.
    if (!file.clearRecord(n)) {
        m.showCatalogMessage(msg::FileMissing);
        return false;
    }
    ctx_.state.currentNumber = n;
    m.showCatalogMessage(msg::Removed);
    rebuildList(form);
    // 5.
    advance(form, file, n);
    return true;
}

void MessageFileOperations::showStored(MessageForm &form, int number)
{
    form.numberText = QString::number(number);
    rebuildList(form);
    form.content = MsdFile(form.fileName).readText(number);
}

std::optional<QString> MessageFileOperations::printText(MessageForm &form)
{
    const auto path = filenamecheck::check(ctx_, form.fileName);
    if (!path)
        return std::nullopt;
    form.fileName = *path;
    return buildPrintList(*path, MsdFile(*path));
}

QString buildPrintList(const QString &path, const MsdFile &file)
{
    QString text = QStringLiteral("ファイル名　") + path + displayform::kLineBreak;
    const auto records = file.readRecords();
    if (!records)
        return text;
    for (int i = 0; i < records->size(); ++i) {
        const MsdRecord &r = records->at(i);
        if (!r.occupied())
            continue;
        const QString content = displayform::marksToSpaces(cp932::decode(r.text));
        text += QStringLiteral("[No.%1]").arg(i + 1) + displayform::kLineBreak + content;
        if (!content.endsWith(u'\n'))
            text += displayform::kLineBreak;
        QCoreApplication::processEvents();
    }
    return text;
}

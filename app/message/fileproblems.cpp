#include "fileproblems.h"

#include "base/catalogcodes.h"
#include "base/messagecatalogue.h"
#include "comm/appcontext.h"
#include "filenamecheck.h"
#include "msdfile.h"

namespace fileproblems {

namespace {

QString numberList(const QList<int> &numbers)
{
    QStringList parts;
    for (int i = 0; i < numbers.size() && i < 10; ++i)
        parts << QString::number(numbers[i]);
    if (numbers.size() > 10)
        parts << QStringLiteral("…");
    return parts.join(QLatin1Char(','));
}

} // namespace

void tell(Messenger &messenger, const QString &what, const QString &path, const QString &reason)
{
    messenger.showMessage(what + QStringLiteral("\r\n") + path + QStringLiteral("\r\n") + reason, Icon::Exclamation,
                          kTitle);
}

void reportHealth(Messenger &m, const MsdFileHealth &h)
{
    if (!h.damaged() && !h.readOnly)
        return;
    QStringList lines;
    if (h.damaged())
        lines << QStringLiteral("ファイルの内容に正しくない部分があります。読み取れた範囲で表示します。");
    if (h.partialRecord)
        lines << QStringLiteral("・ファイルの大きさ(%1バイト)が512バイト単位ではありません。").arg(h.size);
    if (!h.unterminated.isEmpty())
        lines << QStringLiteral("・終わりの印(FF)のないデータがあります。(No.%1)").arg(numberList(h.unterminated));
    if (!h.undecodable.isEmpty())
        lines << QStringLiteral("・文字として読めないデータがあります。(No.%1)").arg(numberList(h.undecodable));
    if (h.readOnly)
        lines << QStringLiteral("このファイルは書き込みが禁止されているため、保存と削除はできません。");
    m.showMessage(lines.join(QStringLiteral("\r\n")), Icon::Exclamation, kTitle);
}

bool refusedAsReadOnly(Messenger &messenger, const MsdFile &file, const QString &what)
{
    if (!file.isReadOnly())
        return false;
    tell(messenger, what, file.path(), QStringLiteral("書き込みが禁止されています。"));
    return true;
}

bool removeSaved(AppContext &ctx, const MsdFile &file, int number, const QList<int> &records)
{
    Messenger &m = ctx.messenger();
    const QString what = QStringLiteral("ファイルから削除できませんでした。");
    if (refusedAsReadOnly(m, file, what))
        return false;
    ctx.state.ticketSaveNumber = number;
    if (m.showCatalogMessage(msg::AskDeleteSaved) != Answer::Yes)
        return false;
    QMap<int, QByteArray> empty;
    for (const int n : records)
        empty.insert(n, QByteArray());
    QString error;
    if (!file.writeRecords(empty, &error)) {
        tell(m, what, file.path(), error);
        return false;
    }
    m.showCatalogMessage(msg::SavedDeleted);
    return true;
}

std::optional<QString> pathToSaveInto(AppContext &ctx, QString &fileName)
{
    const auto path = filenamecheck::check(ctx, fileName);
    if (!path)
        return std::nullopt;
    fileName = *path;
    // Said before any question about the file's contents.
    if (refusedAsReadOnly(ctx.messenger(), MsdFile(*path), QStringLiteral("ファイルに書き込めませんでした。")))
        return std::nullopt;
    return path;
}

} // namespace fileproblems

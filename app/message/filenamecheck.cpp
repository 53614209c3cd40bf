#include "filenamecheck.h"

#include "fileproblems.h"

#include "base/catalogcodes.h"

#include "comm/appcontext.h"
#include "msdfile.h"

#include <QDir>
#include <QFileInfo>

namespace filenamecheck {

namespace {

const QString kFolderTitle = QStringLiteral("フォルダの確認");

// The last path component: the extension rule looks only here, so that a
// folder such as ~/.config does not make the name look like another type.
qsizetype fileNameStart(const QString &name) { return name.lastIndexOf(QLatin1Char('/')) + 1; }

bool ensureFolders(AppContext &ctx, const QString &name)
{
    const qsizetype end = name.lastIndexOf(QLatin1Char('/'));
    qsizetype pos = 0;
    while (pos < end) {
        const qsizetype next = name.indexOf(QLatin1Char('/'), pos + 1);
        const QString folder = name.left(next);
        pos = next;
        if (folder.endsWith(QLatin1Char('/')))
            continue; // "//" in the middle of a path
        const QFileInfo info(folder);
        if (info.isDir())
            continue;
        if (info.exists()) {
            ctx.messenger().showMessage(
                QStringLiteral("%1 はフォルダではありません。\r\nファイル名を確認して下さい。").arg(folder),
                Icon::Exclamation, kFolderTitle);
            return false;
        }
        ctx.state.folderUnderTest = folder;
        if (ctx.messenger().showCatalogMessage(msg::AskCreateFolder) != Answer::Yes)
            return false;
        if (!QDir().mkdir(folder)) {
            ctx.messenger().showMessage(QStringLiteral("フォルダ、%1を作成できませんでした。\r\n"
                                                       "書き込みが許可されているか確認して下さい。")
                                            .arg(folder),
                                        Icon::Exclamation, kFolderTitle);
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<QString> applyExtensionRule(const QString &name)
{
    const QString file = name.mid(fileNameStart(name));
    if (!file.contains(QLatin1Char('.')))
        return name + QStringLiteral(".msd");
    if (!name.endsWith(QLatin1String("msd")))
        return std::nullopt;
    return name;
}

std::optional<QString> check(AppContext &ctx, const QString &name, Steps steps)
{
    Messenger &m = ctx.messenger();
    // 1.
    if (name.isEmpty()) {
        m.showCatalogMessage(msg::EnterFileName);
        return std::nullopt;
    }
    // 2.-3. No drive letter here: the name must be absolute.
    if (!name.startsWith(QLatin1Char('/'))) {
        m.showCatalogMessage(msg::BadDrive);
        return std::nullopt;
    }
    // 4.
    if (name.contains(QLatin1Char('?')) || name.contains(QLatin1Char('*'))) {
        m.showCatalogMessage(msg::WildcardInName);
        return std::nullopt;
    }
    // 5.
    const auto withExtension = applyExtensionRule(name);
    if (!withExtension) {
        m.showCatalogMessage(msg::NotMessageFile);
        return std::nullopt;
    }
    const QString path = *withExtension;
    // 6.
    if (!ensureFolders(ctx, path))
        return std::nullopt;
    if (steps == Steps::UpToFolders)
        return path;
    // 7.
    const QFileInfo info(path);
    if (info.isDir()) {
        m.showCatalogMessage(msg::NotMessageFile);
        return std::nullopt;
    }
    if (!info.exists()) {
        if (m.showCatalogMessage(msg::AskCreateFile) != Answer::Yes)
            return std::nullopt;
        if (!MsdFile::createEmpty(path)) {
            m.showMessage(QStringLiteral("ファイル %1 を作成できませんでした。\r\n"
                                         "書き込みが許可されているか確認して下さい。")
                              .arg(path),
                          Icon::Exclamation, fileproblems::kTitle);
            return std::nullopt;
        }
    }
    return path;
}

} // namespace filenamecheck

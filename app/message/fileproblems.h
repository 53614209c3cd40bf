#pragma once
// How every tool tells the user about a file it could not read or write,
// or one it read as far as it was valid, and the steps of removing a saved
// item that the tools share.
#include <QList>
#include <QString>

#include <optional>

class AppContext;
class Messenger;
class MsdFile;
struct MsdFileHealth;

namespace fileproblems {

inline const QString kTitle = QStringLiteral("ファイルの確認");

// what, the path and the reason, each on its own line.
void tell(Messenger &messenger, const QString &what, const QString &path, const QString &reason);

// What was wrong with a .msd file read as far as it goes; nothing when
// it is sound and writable.
void reportHealth(Messenger &messenger, const MsdFileHealth &health);

// A file marked read-only is told as not written (what, e.g. "ファイルに
// 書き込めませんでした。") before any question about its contents; true
// when it was.
bool refusedAsReadOnly(Messenger &messenger, const MsdFile &file, const QString &what);

// The first steps of saving an item into a file: the file-name check (which
// may create the file; fileName becomes the checked path), then the
// read-only refusal. The path, or nothing after telling the user why not.
std::optional<QString> pathToSaveInto(AppContext &ctx, QString &fileName);

// Removes a numbered saved item (a ticket content, a setting set) from an
// existing file: refused on a read-only file, asked (636 with the number),
// its records emptied in one write, told (637). False when anything stops it.
bool removeSaved(AppContext &ctx, const MsdFile &file, int number, const QList<int> &records);

} // namespace fileproblems

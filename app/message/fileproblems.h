#pragma once
// How every tool tells the user about a file it could not read or write,
// or one it read as far as it was valid.
#include <QString>

class Messenger;
struct MsdFileHealth;

namespace fileproblems {

inline const QString kTitle = QStringLiteral("ファイルの確認");

// what, the path and the reason, each on its own line.
void tell(Messenger &messenger, const QString &what, const QString &path, const QString &reason);

// What was wrong with a .msd file read as far as it goes; nothing when
// it is sound and writable.
void reportHealth(Messenger &messenger, const MsdFileHealth &health);

} // namespace fileproblems

#pragma once
// "複写を実行" of the file copy window: copies a .msd file record by record
// (the fingerprint manager, tool state 918, copies the file whole). Shows
// its own messages; true when message 18 was shown.
#include <QString>

class AppContext;

namespace filecopy {

inline constexpr qint16 kWholeFileState = 918;

bool copy(AppContext &ctx, const QString &sourceName, const QString &destinationName);

} // namespace filecopy

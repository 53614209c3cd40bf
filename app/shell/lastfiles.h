#pragma once
// The file each tool used last, kept in the per-user settings so that the
// next run starts its file box and file dialogs there.
#include <QString>

namespace lastfiles {

// Settings key of a tool's last file ("LastFile/QLM").
QString settingKey(const QString &tool);

// The remembered path, or empty.
QString lastFile(const QString &tool);
// Remembers path (made absolute); an empty path is ignored.
void remember(const QString &tool, const QString &path);

} // namespace lastfiles

#pragma once
// Whole-file saves: the new contents go into a temporary file beside the
// target, reach the disk, and only then take the target's place in one
// rename. A save that fails leaves the old file as it was; one killed
// halfway leaves at most its temporary file, which the next save of the
// same file removes. Every whole-file write of the program goes through
// here; a record write is a positioned write (MsdFile) instead.
#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <QStringList>

#include <optional>

namespace savefile {

// The temporary file's name for a target: "." + the target's name +
// ".zentrix-" + six of [a-z0-9]. Hidden, and unmistakably ours.
inline const QString kTempMark = QStringLiteral(".zentrix-");
constexpr int kTempSuffixLength = 6;

// Whether `candidate` (a file name without folder) is one of our
// temporary files for the target file name `target`.
bool isTempNameOf(const QString &target, const QString &candidate);

// Our temporary files beside the file, as paths: those of saves under
// way and those that a killed save left. A save removes the latter first
// (a save holds a lock on its own file until it is done).
QStringList tempFilesOf(const QString &path);

// Replaces the file with `contents`. A file the user marked read-only is
// refused, for root too. The new file gets `permissions`, or else those of
// the file it replaces (a new file: what the umask allows). A link is
// followed: the file it points to is replaced. On failure *error says why
// in Japanese, the old file is as it was and no temporary file is left.
bool replace(const QString &path, const QByteArray &contents, QString *error = nullptr,
             std::optional<QFileDevice::Permissions> permissions = std::nullopt);

} // namespace savefile

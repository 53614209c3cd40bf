#pragma once
// The file-name check that every user of a .msd file runs before touching
// it. Names are absolute POSIX paths: the drive-letter steps become "the
// name starts with /", and folders are checked from the first "/" on.
#include <QString>

#include <optional>

class AppContext;

namespace filenamecheck {

enum class Steps {
    All,         // with the offer to create a missing file
    UpToFolders, // stops before the file question (delete)
};

// Shows the message of the first failing step (50, 53, 54, 58, 350/351
// answered No, or a notice when a folder or the file cannot be made) and
// returns nothing; else the name to use from then on (".msd" appended when
// the file name had no extension).
std::optional<QString> check(AppContext &ctx, const QString &name, Steps steps = Steps::All);

// The extension step alone: a file name without "." gets ".msd"; one with
// "." must end in exactly "msd". Nothing when it does not.
std::optional<QString> applyExtensionRule(const QString &name);

} // namespace filenamecheck

#pragma once
// What the user is told when a file cannot be read or written, and the
// read-only mark every file write respects. Shared by the settings file
// and the .msd container.
#include <QFileDevice>
#include <QString>

namespace fileerrors {

// The reason in Japanese, one line.
QString text(QFileDevice::FileError error);

// The file exists and has no write permission bit at all: the user marked
// it read-only. Checked on the bits, so that it holds for root too.
bool markedReadOnly(const QString &path);

} // namespace fileerrors

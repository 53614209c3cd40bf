#pragma once
// zentrix.ini: one 38-byte little-endian record holding the output
// interface settings. Read with validation, written whole.
#include "appstate.h"

#include <QByteArray>
#include <QString>

namespace settingsfile {

constexpr int kRecordSize = 38;
inline const QString kFileName = QStringLiteral("zentrix.ini");

struct Loaded {
    OutputSettings settings;
    bool byteIntervalSet = false;
    bool numberIntervalSet = false;
};

// Validates a record as found on disk. A record shorter than 38 bytes is
// read as far as it goes; the missing bytes count as zero.
Loaded decode(const QByteArray &record);

// The exact 38 bytes for the settings.
QByteArray encode(const OutputSettings &settings);

// Reads record 1 of the file into the state. A missing file is created
// empty (as the original did) and read as the defaults.
void load(AppState &state, const QString &path);

// Writes the record through a temporary file that replaces the old one
// only when complete. Returns false with a reason (Japanese) when that
// fails; a file marked read-only is left as it is.
bool save(const OutputSettings &settings, const QString &path, QString *error = nullptr);

} // namespace settingsfile

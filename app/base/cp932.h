#pragma once
// Text <-> bytes in Windows code page 932, the encoding of every file and
// of the printer line, whatever the locale.
#include <QByteArray>
#include <QString>

namespace cp932 {

// Bytes that are not valid CP932 become U+FFFD; never fails.
QString decode(const QByteArray &bytes);

// Characters that CP932 cannot hold become '?'; never fails.
QByteArray encode(const QString &text);

// Number of CP932 bytes of the text (a double-byte character counts 2).
int byteCount(const QString &text);

// True when every byte sequence is valid CP932.
bool isValid(const QByteArray &bytes);

// Index of the first character CP932 cannot hold (it would be stored as
// "?"), or -1.
int firstUnencodable(const QString &text);

} // namespace cp932

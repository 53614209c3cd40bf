// The two files of a symbol: the packed module matrix and the one-bit BMP.
#pragma once

#include "bitmatrix.h"

#include <cstddef>
#include <cstdint>

namespace kzbarqr {

constexpr int kMaxMatrixFileSize = 6 + 177 * 23;
constexpr int kMaxBmpFileSize = 62 + 177 * 24;

// File images in memory; return their length in bytes.
int matrixFileImage(const BitMatrix &m, uint8_t *out);
int bmpFileImage(const BitMatrix &m, uint8_t *out);

// Rewrites `path` in place to the BMP name: cut at the first full stop of
// the whole path (or at its end) and ".bmp" appended.
void toBmpPath(char *path);

// Creates or truncates the file and writes the bytes; false on any failure.
bool writeWholeFile(const char *path, const uint8_t *bytes, size_t length);

} // namespace kzbarqr

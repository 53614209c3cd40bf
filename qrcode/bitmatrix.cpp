#include "bitmatrix.h"

#include <cstring>

namespace kzbarqr {

void BitMatrix::clear(int newSize)
{
    // Only the rows anyone reads: those of the symbol and, for the
    // transposes, the rest of its last 64-row block. A small symbol clears a
    // third of the matrix or less.
    size = newSize;
    const int rows = newSize <= 0 ? 0 : ((newSize + 63) / 64) * 64;
    std::memset(row, 0, sizeof row[0] * static_cast<size_t>(rows < kRows ? rows : kRows));
}

void BitMatrix::fill(int x, int y, int w, int h, bool dark)
{
    for (int yy = y; yy < y + h; ++yy) {
        for (int xx = x; xx < x + w; ++xx)
            set(xx, yy, dark);
    }
}

namespace {

// In-place transpose of a 64 x 64 block: bit j of a[i] <-> bit i of a[j].
void transpose64(uint64_t a[64])
{
    uint64_t m = 0x00000000FFFFFFFFull;
    for (int j = 32; j != 0; j >>= 1, m ^= m << j) {
        for (int k = 0; k < 64; k = ((k | j) + 1) & ~j) {
            const uint64_t t = ((a[k] >> j) ^ a[k | j]) & m;
            a[k] ^= t << j;
            a[k | j] ^= t;
        }
    }
}

} // namespace

void transpose(const BitMatrix &src, BitMatrix &dst)
{
    // Only the 64 x 64 blocks the symbol reaches; rows past the size are
    // zero in src, so the columns past it come out zero in dst.
    const int words = (src.size + 63) / 64;
    dst.size = src.size;
    uint64_t block[64];
    for (int bi = 0; bi < words; ++bi) {
        for (int bj = 0; bj < words; ++bj) {
            for (int i = 0; i < 64; ++i)
                block[i] = src.row[bi * 64 + i][bj];
            transpose64(block);
            for (int i = 0; i < 64; ++i)
                dst.row[bj * 64 + i][bi] = block[i];
        }
    }
    for (int y = 0; y < words * 64; ++y) {
        for (int w = words; w < BitMatrix::kWords; ++w)
            dst.row[y][w] = 0;
    }
}

} // namespace kzbarqr

// Square module matrix, one bit per module, 1 = dark. Column x of a row is
// bit x % 64 of word x / 64, so whole rows shift and compare as words; the
// files turn this into their most-significant-bit-first bytes.
#pragma once

#include <cstdint>

namespace kzbarqr {

struct BitMatrix {
    static constexpr int kWords = 3;  // 192 columns
    static constexpr int kRows = 192; // Model 1/2: rows past the size, to the next 64, stay zero (transposes)

    int size = 0;
    uint64_t row[kRows][kWords];

    bool get(int x, int y) const { return (row[y][x >> 6] >> (x & 63)) & 1; }
    void set(int x, int y, bool dark)
    {
        const uint64_t bit = uint64_t{1} << (x & 63);
        if (dark)
            row[y][x >> 6] |= bit;
        else
            row[y][x >> 6] &= ~bit;
    }
    void clear(int newSize);
    // Fills a w x h rectangle with one colour.
    void fill(int x, int y, int w, int h, bool dark);
};

// dst = src with rows and columns exchanged. Rows of src from its size up
// to the next multiple of 64 must be zero.
void transpose(const BitMatrix &src, BitMatrix &dst);

} // namespace kzbarqr

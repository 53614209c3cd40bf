#include "masking.h"

namespace kzbarqr {

namespace {

// A row as three words: bit j is column j.
struct Row {
    uint64_t w[3];
};

inline Row load(const BitMatrix &m, int y) {
    return Row{{m.row[y][0], m.row[y][1], m.row[y][2]}};
}
inline Row operator&(Row a, Row b) {
    return Row{{a.w[0] & b.w[0], a.w[1] & b.w[1], a.w[2] & b.w[2]}};
}
inline Row operator|(Row a, Row b) {
    return Row{{a.w[0] | b.w[0], a.w[1] | b.w[1], a.w[2] | b.w[2]}};
}
inline Row operator^(Row a, Row b) {
    return Row{{a.w[0] ^ b.w[0], a.w[1] ^ b.w[1], a.w[2] ^ b.w[2]}};
}
inline Row operator~(Row a) {
    return Row{{~a.w[0], ~a.w[1], ~a.w[2]}};
}
// Column j of the result is column j + k of a (zeros come in from the right).
inline Row next(Row a, int k) {
    return Row{
        {(a.w[0] >> k) | (a.w[1] << (64 - k)), (a.w[1] >> k) | (a.w[2] << (64 - k)), a.w[2] >> k}};
}
// Column j of the result is column j - k of a (zeros come in from the left).
inline Row prev(Row a, int k) {
    return Row{
        {a.w[0] << k, (a.w[1] << k) | (a.w[0] >> (64 - k)), (a.w[2] << k) | (a.w[1] >> (64 - k))}};
}
inline int count(Row a) {
    return __builtin_popcountll(a.w[0]) + __builtin_popcountll(a.w[1]) +
           __builtin_popcountll(a.w[2]);
}
// Columns 0 .. n-1.
inline Row firstColumns(int n) {
    Row r{};
    for (int i = 0; i < 3; ++i) {
        const int bits = n - 64 * i;
        r.w[i] = bits >= 64 ? ~uint64_t{0} : bits <= 0 ? 0 : (uint64_t{1} << bits) - 1;
    }
    return r;
}

// Mask conditions (i row, j column) of the eight Model 2 masks.
constexpr bool maskBit(int mask, int i, int j) {
    switch (mask) {
    case 0:
        return (i + j) % 2 == 0;
    case 1:
        return i % 2 == 0;
    case 2:
        return j % 3 == 0;
    case 3:
        return (i + j) % 3 == 0;
    case 4:
        return (i / 2 + j / 3) % 2 == 0;
    case 5:
        return (i * j) % 2 + (i * j) % 3 == 0;
    case 6:
        return ((i * j) % 2 + (i * j) % 3) % 2 == 0;
    default:
        return ((i + j) % 2 + (i * j) % 3) % 2 == 0;
    }
}

// Every mask repeats after 12 rows; one row pattern per mask and row phase.
struct MaskRows {
    uint64_t w[8][12][3];
};

constexpr MaskRows makeMaskRows() {
    MaskRows t{};
    for (int mask = 0; mask < 8; ++mask) {
        for (int i = 0; i < 12; ++i) {
            for (int j = 0; j < 192; ++j) {
                if (maskBit(mask, i, j)) t.w[mask][i][j / 64] |= uint64_t{1} << (j % 64);
            }
        }
    }
    return t;
}

constexpr MaskRows kMaskRows = makeMaskRows();

// Micro QR masks 0..3 are Model 2 masks 1, 4, 6 and 7.
constexpr int kMicroMask[4] = {1, 4, 6, 7};

void drawFormat(SymbolType type, int d, uint16_t word, BitMatrix &m) {
    auto bit = [word](int k) { return ((word >> k) & 1) != 0; };
    if (type == SymbolType::Micro) {
        for (int k = 0; k < 8; ++k)
            m.set(8, k + 1, bit(k));
        for (int k = 8; k < 15; ++k)
            m.set(15 - k, 8, bit(k));
        return;
    }
    for (int k = 0; k < 6; ++k)
        m.set(8, k, bit(k));
    m.set(8, 7, bit(6));
    m.set(8, 8, bit(7));
    m.set(7, 8, bit(8));
    for (int k = 9; k < 15; ++k)
        m.set(14 - k, 8, bit(k));
    for (int k = 0; k < 8; ++k)
        m.set(d - 1 - k, 8, bit(k));
    for (int k = 8; k < 15; ++k)
        m.set(8, d - 15 + k, bit(k));
}

} // namespace

int maskCount(SymbolType type) {
    return type == SymbolType::Micro ? 4 : 8;
}

void applyMask(SymbolType type, Level level, int version, int mask, const BitMatrix &modules,
               const BitMatrix &function, BitMatrix &out) {
    const int d = modules.size;
    const int pattern = type == SymbolType::Micro ? kMicroMask[mask] : mask;
    out.size = d;
    for (int y = 0; y < d; ++y) {
        const uint64_t *p = kMaskRows.w[pattern][y % 12];
        for (int w = 0; w < BitMatrix::kWords; ++w)
            out.row[y][w] = modules.row[y][w] ^ (p[w] & ~function.row[y][w]);
    }
    for (int y = d; y < BitMatrix::kRows; ++y) {
        for (int w = 0; w < BitMatrix::kWords; ++w)
            out.row[y][w] = 0;
    }
    drawFormat(type, d, formatWord(type, level, version, mask), out);
}

int countSameColourBlocks(const BitMatrix &m) {
    const Row pairs = firstColumns(m.size - 1);
    int blocks = 0;
    Row a = load(m, 0);
    for (int y = 0; y + 1 < m.size; ++y) {
        const Row b = load(m, y + 1);
        const Row vertical = ~(a ^ b);
        blocks += count(vertical & next(vertical, 1) & ~(a ^ next(a, 1)) & pairs);
        a = b;
    }
    return blocks;
}

int runPenalty(const BitMatrix &m) {
    const Row pairs = firstColumns(m.size - 1);
    int penalty = 0;
    for (int y = 0; y < m.size; ++y) {
        const Row r = load(m, y);
        const Row equal = ~(r ^ next(r, 1)) & pairs;
        // A run of k >= 5 holds k - 4 windows of five and one start.
        const Row windows = equal & next(equal, 1) & next(equal, 2) & next(equal, 3);
        const Row starts = windows & ~prev(windows, 1);
        penalty += count(windows) + 2 * count(starts);
    }
    return penalty;
}

int countFinderLikePatterns(const BitMatrix &m) {
    int found = 0;
    for (int y = 0; y < m.size; ++y) {
        const Row r = load(m, y);
        const Row core =
            r & ~next(r, 1) & next(r, 2) & next(r, 3) & next(r, 4) & ~next(r, 5) & next(r, 6);
        if ((core.w[0] | core.w[1] | core.w[2]) == 0) continue;
        // Outside the symbol counts as light (the quiet zone).
        const Row lightBefore = ~(prev(r, 1) | prev(r, 2) | prev(r, 3) | prev(r, 4));
        const Row lightAfter = ~(next(r, 7) | next(r, 8) | next(r, 9) | next(r, 10));
        found += count(core & (lightBefore | lightAfter));
    }
    return found;
}

int balancePenalty(const BitMatrix &m) {
    int dark = 0;
    for (int y = 0; y < m.size; ++y)
        dark += count(load(m, y));
    const int percent = dark * 100 / (m.size * m.size);
    const int steps = (percent - 50) / 5;
    return 10 * (steps < 0 ? -steps : steps);
}

int microEdgeScore(const BitMatrix &m) {
    const int d = m.size;
    int right = 0;
    int bottom = 0;
    for (int i = 1; i < d; ++i) {
        right += m.get(d - 1, i);
        bottom += m.get(i, d - 1);
    }
    return right < bottom ? right * 16 + bottom : bottom * 16 + right;
}

int chooseMask(SymbolType type, Level level, int version, const BitMatrix &modules,
               const BitMatrix &function, BitMatrix &out, BitMatrix &scratch) {
    if (type == SymbolType::Micro) {
        int best = 0;
        int bestScore = -1;
        for (int mask = 0; mask < 4; ++mask) {
            applyMask(type, level, version, mask, modules, function, scratch);
            const int score = microEdgeScore(scratch);
            if (score > bestScore) {
                bestScore = score;
                best = mask;
            }
        }
        applyMask(type, level, version, best, modules, function, out);
        return best;
    }

    // First the 2 x 2 blocks of every mask; the three best go on.
    int first[8];
    for (int mask = 0; mask < 8; ++mask) {
        applyMask(type, level, version, mask, modules, function, scratch);
        first[mask] = 20888 - 3 * countSameColourBlocks(scratch);
    }
    int ranked[3] = {-1, -1, -1};
    for (int r = 0; r < 3; ++r) {
        for (int mask = 0; mask < 8; ++mask) {
            if (mask == ranked[0] || mask == ranked[1]) continue;
            if (ranked[r] < 0 || first[mask] > first[ranked[r]]) ranked[r] = mask;
        }
    }
    int best = ranked[0];
    int bestScore = 0;
    for (int r = 0; r < 3; ++r) {
        const int mask = ranked[r];
        applyMask(type, level, version, mask, modules, function, out);
        transpose(out, scratch);
        const int penalty = runPenalty(out) + runPenalty(scratch) +
                            40 * (countFinderLikePatterns(out) + countFinderLikePatterns(scratch)) +
                            balancePenalty(out);
        const int score = first[mask] - penalty;
        if (r == 0 || score > bestScore) {
            bestScore = score;
            best = mask;
        }
    }
    applyMask(type, level, version, best, modules, function, out);
    return best;
}

} // namespace kzbarqr

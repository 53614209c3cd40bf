#include "masking.h"

#include <cstring>

namespace kzbarqr {

namespace {

inline int popcount64(uint64_t x)
{
#if defined(__POPCNT__)
    return __builtin_popcountll(x);
#else
    // Without the instruction the builtin becomes a library call.
    x -= (x >> 1) & 0x5555555555555555ull;
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<int>((x * 0x0101010101010101ull) >> 56);
#endif
}

// A row as W words (as many as the size needs): bit j is column j.
template <int W> struct Row {
    uint64_t w[W];

    static Row load(const BitMatrix &m, int y)
    {
        Row r;
        for (int i = 0; i < W; ++i)
            r.w[i] = m.row[y][i];
        return r;
    }
    // Columns 0 .. n-1.
    static Row first(int n)
    {
        Row r;
        for (int i = 0; i < W; ++i) {
            const int bits = n - 64 * i;
            r.w[i] = bits >= 64 ? ~uint64_t{0} : bits <= 0 ? 0 : (uint64_t{1} << bits) - 1;
        }
        return r;
    }
    Row operator&(Row o) const
    {
        Row r;
        for (int i = 0; i < W; ++i)
            r.w[i] = w[i] & o.w[i];
        return r;
    }
    Row operator|(Row o) const
    {
        Row r;
        for (int i = 0; i < W; ++i)
            r.w[i] = w[i] | o.w[i];
        return r;
    }
    Row operator^(Row o) const
    {
        Row r;
        for (int i = 0; i < W; ++i)
            r.w[i] = w[i] ^ o.w[i];
        return r;
    }
    Row operator~() const
    {
        Row r;
        for (int i = 0; i < W; ++i)
            r.w[i] = ~w[i];
        return r;
    }
    // Column j of the result is column j + k (zeros come in from the right).
    Row next(int k) const
    {
        Row r;
        for (int i = 0; i < W; ++i)
            r.w[i] = (w[i] >> k) | (i + 1 < W ? w[i + 1] << (64 - k) : 0);
        return r;
    }
    // Column j of the result is column j - k (zeros come in from the left).
    Row prev(int k) const
    {
        Row r;
        for (int i = 0; i < W; ++i)
            r.w[i] = (w[i] << k) | (i > 0 ? w[i - 1] >> (64 - k) : 0);
        return r;
    }
    int count() const
    {
        int n = 0;
        for (int i = 0; i < W; ++i)
            n += popcount64(w[i]);
        return n;
    }
    bool any() const
    {
        uint64_t a = 0;
        for (int i = 0; i < W; ++i)
            a |= w[i];
        return a != 0;
    }
};

// Calls f.template operator()<W>() with the words the size needs.
template <typename F> int byWidth(int size, F f)
{
    if (size <= 64)
        return f.template operator()<1>();
    if (size <= 128)
        return f.template operator()<2>();
    return f.template operator()<3>();
}

// Mask conditions (i row, j column) of the eight Model 2 masks.
constexpr bool maskBit(int mask, int i, int j)
{
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

constexpr MaskRows makeMaskRows()
{
    MaskRows t{};
    for (int mask = 0; mask < 8; ++mask) {
        for (int i = 0; i < 12; ++i) {
            for (int j = 0; j < 192; ++j) {
                if (maskBit(mask, i, j))
                    t.w[mask][i][j / 64] |= uint64_t{1} << (j % 64);
            }
        }
    }
    return t;
}

constexpr MaskRows kMaskRows = makeMaskRows();

// Micro QR masks 0..3 are Model 2 masks 1, 4, 6 and 7.
constexpr int kMicroMask[4] = {1, 4, 6, 7};

void drawFormat(SymbolType type, int d, uint16_t word, BitMatrix &m)
{
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

int maskCount(SymbolType type) { return type == SymbolType::Micro ? 4 : 8; }

void applyMask(SymbolType type, Level level, int version, int mask, const BitMatrix &modules, const BitMatrix &function,
               BitMatrix &out)
{
    const int d = modules.size;
    const int pattern = type == SymbolType::Micro ? kMicroMask[mask] : mask;
    out.size = d;
    // Words right of the symbol are all function modules: they stay zero.
    const int words = (d + 63) / 64;
    for (int y = 0; y < d; ++y) {
        const uint64_t *p = kMaskRows.w[pattern][y % 12];
        for (int w = 0; w < words; ++w)
            out.row[y][w] = modules.row[y][w] ^ (p[w] & ~function.row[y][w]);
        for (int w = words; w < BitMatrix::kWords; ++w)
            out.row[y][w] = 0;
    }
    // Rows below, up to the next 64, stay zero for the transposes (Micro QR
    // symbols are not transposed).
    if (type != SymbolType::Micro)
        std::memset(out.row[d], 0, sizeof out.row[0] * static_cast<size_t>(words * 64 - d));
    drawFormat(type, d, formatWord(type, level, version, mask), out);
}

int countSameColourBlocks(const BitMatrix &m)
{
    return byWidth(m.size, [&m]<int W>() {
        using R = Row<W>;
        const R pairs = R::first(m.size - 1);
        int blocks = 0;
        R a = R::load(m, 0);
        for (int y = 0; y + 1 < m.size; ++y) {
            const R b = R::load(m, y + 1);
            const R vertical = ~(a ^ b);
            blocks += (vertical & vertical.next(1) & ~(a ^ a.next(1)) & pairs).count();
            a = b;
        }
        return blocks;
    });
}

int runPenalty(const BitMatrix &m)
{
    return byWidth(m.size, [&m]<int W>() {
        using R = Row<W>;
        const R pairs = R::first(m.size - 1);
        int penalty = 0;
        for (int y = 0; y < m.size; ++y) {
            const R r = R::load(m, y);
            const R equal = ~(r ^ r.next(1)) & pairs;
            // A run of k >= 5 holds k - 4 windows of five and one start.
            const R windows = equal & equal.next(1) & equal.next(2) & equal.next(3);
            const R starts = windows & ~windows.prev(1);
            penalty += windows.count() + 2 * starts.count();
        }
        return penalty;
    });
}

int countFinderLikePatterns(const BitMatrix &m)
{
    return byWidth(m.size, [&m]<int W>() {
        using R = Row<W>;
        int found = 0;
        for (int y = 0; y < m.size; ++y) {
            const R r = R::load(m, y);
            const R core = r & ~r.next(1) & r.next(2) & r.next(3) & r.next(4) & ~r.next(5) & r.next(6);
            if (!core.any())
                continue;
            // Outside the symbol counts as light (the quiet zone).
            const R lightBefore = ~(r.prev(1) | r.prev(2) | r.prev(3) | r.prev(4));
            const R lightAfter = ~(r.next(7) | r.next(8) | r.next(9) | r.next(10));
            found += (core & (lightBefore | lightAfter)).count();
        }
        return found;
    });
}

int balancePenalty(const BitMatrix &m)
{
    int dark = 0;
    for (int y = 0; y < m.size; ++y) {
        for (int w = 0; w < BitMatrix::kWords; ++w)
            dark += popcount64(m.row[y][w]);
    }
    const int percent = dark * 100 / (m.size * m.size);
    const int steps = (percent - 50) / 5;
    return 10 * (steps < 0 ? -steps : steps);
}

int microEdgeScore(const BitMatrix &m)
{
    const int d = m.size;
    int right = 0;
    int bottom = 0;
    for (int i = 1; i < d; ++i) {
        right += m.get(d - 1, i);
        bottom += m.get(i, d - 1);
    }
    return right < bottom ? right * 16 + bottom : bottom * 16 + right;
}

int chooseMask(SymbolType type, Level level, int version, const BitMatrix &modules, const BitMatrix &function,
               BitMatrix &out, BitMatrix &scratch)
{
    if (type == SymbolType::Micro) {
        // The edge column and row hold no format bits: score them straight
        // from the unmasked modules, then mask only the winner.
        const int d = modules.size;
        const uint64_t edgeBits = ((uint64_t{1} << d) - 1) & ~uint64_t{1};
        int best = 0;
        int bestScore = -1;
        for (int mask = 0; mask < 4; ++mask) {
            const int pattern = kMicroMask[mask];
            auto masked = [&](int y) {
                return modules.row[y][0] ^ (kMaskRows.w[pattern][y % 12][0] & ~function.row[y][0]);
            };
            int right = 0;
            for (int y = 1; y < d; ++y)
                right += static_cast<int>((masked(y) >> (d - 1)) & 1);
            const int bottom = popcount64(masked(d - 1) & edgeBits);
            const int score = right < bottom ? right * 16 + bottom : bottom * 16 + right;
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
            if (mask == ranked[0] || mask == ranked[1])
                continue;
            if (ranked[r] < 0 || first[mask] > first[ranked[r]])
                ranked[r] = mask;
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

// Mask evaluation: the word-wide penalty counts against plain module loops,
// and the mask choice rule over whole symbols.
#include "masking.h"
#include "placement.h"
#include "qrtestutil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

using namespace kzbarqr;

namespace {

using Grid = std::vector<std::vector<int>>; // [y][x]

Grid gridOf(const BitMatrix &m)
{
    Grid g(static_cast<size_t>(m.size), std::vector<int>(static_cast<size_t>(m.size)));
    for (int y = 0; y < m.size; ++y) {
        for (int x = 0; x < m.size; ++x)
            g[y][x] = m.get(x, y);
    }
    return g;
}

Grid transposed(const Grid &g)
{
    Grid t(g.size(), std::vector<int>(g.size()));
    for (size_t y = 0; y < g.size(); ++y) {
        for (size_t x = 0; x < g.size(); ++x)
            t[x][y] = g[y][x];
    }
    return t;
}

int slowBlocks(const Grid &g)
{
    int n = 0;
    for (size_t y = 0; y + 1 < g.size(); ++y) {
        for (size_t x = 0; x + 1 < g.size(); ++x) {
            const int c = g[y][x];
            n += g[y][x + 1] == c && g[y + 1][x] == c && g[y + 1][x + 1] == c;
        }
    }
    return n;
}

int slowRuns(const Grid &g)
{
    int penalty = 0;
    for (const auto &row : g) {
        size_t x = 0;
        while (x < row.size()) {
            size_t end = x;
            while (end < row.size() && row[end] == row[x])
                ++end;
            const int k = static_cast<int>(end - x);
            if (k >= 5)
                penalty += 3 + (k - 5);
            x = end;
        }
    }
    return penalty;
}

int slowFinders(const Grid &g)
{
    const int size = static_cast<int>(g.size());
    auto at = [&](const std::vector<int> &row, int x) { return x < 0 || x >= size ? 0 : row[x]; };
    const int pattern[7] = {1, 0, 1, 1, 1, 0, 1};
    int n = 0;
    for (const auto &row : g) {
        for (int x = 0; x + 7 <= size; ++x) {
            bool match = true;
            for (int k = 0; k < 7; ++k)
                match = match && row[x + k] == pattern[k];
            if (!match)
                continue;
            bool before = true;
            bool after = true;
            for (int k = 1; k <= 4; ++k) {
                before = before && at(row, x - k) == 0;
                after = after && at(row, x + 6 + k) == 0;
            }
            n += before || after;
        }
    }
    return n;
}

BitMatrix randomMatrix(int size, std::mt19937 &rng, int darkPercent)
{
    BitMatrix m;
    m.clear(size);
    std::uniform_int_distribution<int> pct(0, 99);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x)
            m.set(x, y, pct(rng) < darkPercent);
    }
    return m;
}

} // namespace

TEST(MaskEvaluation, WordWideCountsMatchModuleLoops)
{
    std::mt19937 rng(12345);
    static BitMatrix t;
    for (int size : {11, 21, 57, 63, 64, 65, 127, 128, 177}) {
        for (int dark : {10, 50, 85}) {
            const BitMatrix m = randomMatrix(size, rng, dark);
            const Grid g = gridOf(m);
            transpose(m, t);
            ASSERT_EQ(gridOf(t), transposed(g)) << size;
            EXPECT_EQ(countSameColourBlocks(m), slowBlocks(g)) << size;
            EXPECT_EQ(runPenalty(m), slowRuns(g)) << size;
            EXPECT_EQ(runPenalty(t), slowRuns(transposed(g))) << size;
            EXPECT_EQ(countFinderLikePatterns(m), slowFinders(g)) << size;
            EXPECT_EQ(countFinderLikePatterns(t), slowFinders(transposed(g))) << size;
        }
    }
}

TEST(MaskEvaluation, HandCountedRows)
{
    BitMatrix m;
    m.clear(21);
    // Row 0 all light: one run of 21 -> 19. Row 1: finder-like pattern with
    // light after it and runs of 7 light (5) and 4 light (none).
    const std::string row1 = "000000010111010000000";
    for (int x = 0; x < 21; ++x)
        m.set(x, 1, row1[static_cast<size_t>(x)] == '1');
    // Rows 2..20 alternate so that they add no runs.
    for (int y = 2; y < 21; ++y) {
        for (int x = 0; x < 21; ++x)
            m.set(x, y, (x + y) % 2 == 0);
    }
    EXPECT_EQ(countFinderLikePatterns(m), 1);
    // Row 0: 19; row 1: light runs of 7 and 7 -> 5 + 5.
    EXPECT_EQ(runPenalty(m), 19 + 5 + 5);
    // 2 x 2 blocks only between rows 0 and 1: where both are light.
    EXPECT_EQ(countSameColourBlocks(m), 6 + 6);
    // 21 x 21 = 441 modules; dark: 5 in row 1 and half of the rest.
    int dark = 5;
    for (int y = 2; y < 21; ++y)
        dark += y % 2 == 0 ? 11 : 10;
    const int percent = dark * 100 / 441;
    EXPECT_EQ(balancePenalty(m), 10 * (std::abs(percent - 50) / 5));
}

TEST(MaskChoice, BestOfTheThreeWithFewestBlocks)
{
    // The rule: rank by 20888 - 3 x blocks (ties: lower mask), take three,
    // subtract runs, 40 per finder-like pattern and the balance; highest wins.
    const char *sources[] = {"MA,0123456789", "HA,HELLO WORLD", "LA,https://example.com/a?b=1",
                             "QA,0123456789012345678901234567890123456789ABCDEFGHIJ", "MM,B0020abcdefghijklmnopqrst"};
    auto ws = qrtest::makeWorkspace();
    static BitMatrix candidate;
    for (SymbolType type : {SymbolType::Model1, SymbolType::Model2}) {
        for (const char *src : sources) {
            ASSERT_EQ(encodeSymbol(*ws, src, static_cast<int>(type)), kOk);
            int first[8];
            int order[8];
            for (int mask = 0; mask < 8; ++mask) {
                applyMask(type, ws->level, ws->version, mask, ws->modules, ws->function, candidate);
                first[mask] = 20888 - 3 * slowBlocks(gridOf(candidate));
                order[mask] = mask;
            }
            std::stable_sort(order, order + 8, [&](int a, int b) { return first[a] > first[b]; });
            int best = -1;
            int bestScore = 0;
            for (int r = 0; r < 3; ++r) {
                applyMask(type, ws->level, ws->version, order[r], ws->modules, ws->function, candidate);
                const Grid g = gridOf(candidate);
                const int score = first[order[r]] - slowRuns(g) - slowRuns(transposed(g)) -
                                  40 * (slowFinders(g) + slowFinders(transposed(g))) - balancePenalty(candidate);
                if (best < 0 || score > bestScore) {
                    best = order[r];
                    bestScore = score;
                }
            }
            EXPECT_EQ(ws->mask, best) << src << " type " << static_cast<int>(type);
            applyMask(type, ws->level, ws->version, best, ws->modules, ws->function, candidate);
            EXPECT_EQ(qrtest::rowsOf(candidate), qrtest::rowsOf(ws->symbol));
        }
    }
}

TEST(MaskChoice, MicroQrTakesTheDarkestEdges)
{
    auto ws = qrtest::makeWorkspace();
    static BitMatrix candidate;
    for (const char *src : {"LA,12345", "QA,ABC", "MM,B0002AB", "LA,abcdefghijklmno", "MA,8"}) {
        ASSERT_EQ(encodeSymbol(*ws, src, 3), kOk);
        int best = 0;
        int bestScore = -1;
        for (int mask = 0; mask < 4; ++mask) {
            applyMask(SymbolType::Micro, ws->level, ws->version, mask, ws->modules, ws->function, candidate);
            const int d = candidate.size;
            int right = 0;
            int bottom = 0;
            for (int i = 1; i < d; ++i) {
                right += candidate.get(d - 1, i);
                bottom += candidate.get(i, d - 1);
            }
            const int score = std::min(right, bottom) * 16 + std::max(right, bottom);
            if (score > bestScore) {
                bestScore = score;
                best = mask;
            }
        }
        EXPECT_EQ(ws->mask, best) << src;
    }
}

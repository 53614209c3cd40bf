#include "placement.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <initializer_list>

namespace kzbarqr {

namespace {

constexpr int kMaxModel1Slots = 610;

// 7 x 7 finder with its top-left module at (x, y).
void drawFinder(BitMatrix &m, int x, int y)
{
    m.fill(x, y, 7, 7, true);
    m.fill(x + 1, y + 1, 5, 5, false);
    m.fill(x + 2, y + 2, 3, 3, true);
}

void drawAlignment(BitMatrix &m, BitMatrix &f, int cx, int cy)
{
    f.fill(cx - 2, cy - 2, 5, 5, true);
    m.fill(cx - 2, cy - 2, 5, 5, true);
    m.fill(cx - 1, cy - 1, 3, 3, false);
    m.set(cx, cy, true);
}

// Marks everything right of the symbol as function, so masks leave it light.
void fenceRightEdge(BitMatrix &f, int size)
{
    for (int y = 0; y < size; ++y) {
        for (int w = 0; w < BitMatrix::kWords; ++w) {
            const int first = w * 64;
            if (size <= first)
                f.row[y][w] = ~uint64_t{0};
            else if (size < first + 64)
                f.row[y][w] |= ~uint64_t{0} << (size - first);
        }
    }
}

// Finders, separators, timing and the reserved format area of Model 1 and 2.
void drawModelCommon(int d, BitMatrix &m, BitMatrix &f)
{
    f.fill(0, 0, 9, 9, true);     // finder, separator, format area
    f.fill(d - 8, 0, 8, 9, true); // finder, separator, format area below it
    f.fill(0, d - 8, 9, 8, true); // finder, separator, format area beside it
    drawFinder(m, 0, 0);
    drawFinder(m, d - 7, 0);
    drawFinder(m, 0, d - 7);
    for (int i = 8; i < d - 8; ++i) {
        f.set(i, 6, true);
        f.set(6, i, true);
        m.set(i, 6, i % 2 == 0);
        m.set(6, i, i % 2 == 0);
    }
    m.set(8, d - 8, true); // the dark module
}

void drawModel2(int version, BitMatrix &m, BitMatrix &f)
{
    const int d = m.size;
    drawModelCommon(d, m, f);
    int centres[7];
    const int n = alignmentCentres(version, centres);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const bool onFinder = (i == 0 && j == 0) || (i == 0 && j == n - 1) || (i == n - 1 && j == 0);
            if (!onFinder)
                drawAlignment(m, f, centres[i], centres[j]);
        }
    }
    if (version >= 7) {
        const uint32_t word = versionWord(version);
        for (int k = 0; k < 18; ++k) {
            const bool bit = (word >> k) & 1;
            const int a = d - 11 + k % 3;
            const int b = k / 3;
            f.set(a, b, true);
            f.set(b, a, true);
            m.set(a, b, bit);
            m.set(b, a, bit);
        }
    }
}

void drawModel1(int version, BitMatrix &m, BitMatrix &f)
{
    const int d = m.size;
    drawModelCommon(d, m, f);
    // Extension pieces on the right and bottom edges: light inside, dark outside.
    for (int k = 1; k <= version / 2; ++k) {
        const int from = d - 4 - 8 * k;
        f.fill(d - 2, from, 2, 4, true);
        f.fill(from, d - 2, 4, 2, true);
        m.fill(d - 1, from, 1, 4, true);
        m.fill(from, d - 1, 4, 1, true);
    }
    f.fill(d - 2, d - 2, 2, 2, true); // corner piece
    m.set(d - 1, d - 1, true);
}

void drawMicro(BitMatrix &m, BitMatrix &f)
{
    const int d = m.size;
    f.fill(0, 0, 9, 9, true); // finder, separator, format area
    drawFinder(m, 0, 0);
    for (int i = 8; i < d; ++i) {
        f.set(i, 0, true);
        f.set(0, i, true);
        m.set(i, 0, i % 2 == 0);
        m.set(0, i, i % 2 == 0);
    }
}

// Up and down two-module strips from the right edge (Model 2 and Micro QR).
// `bits` must hold a zero byte after the last codeword for the remainder bits.
void placeZigzag(SymbolType type, const uint8_t *bits, const BitMatrix &f, BitMatrix &m)
{
    const int d = m.size;
    unsigned index = 0;
    bool upward = true;
    for (int x = d - 1; x >= 1; x -= 2) {
        if (type == SymbolType::Model2 && x == 6)
            x = 5; // the vertical timing pattern is no strip
        const int w1 = x >> 6, s1 = x & 63;
        const int w0 = (x - 1) >> 6, s0 = (x - 1) & 63;
        for (int i = 0; i < d; ++i) {
            const int y = upward ? d - 1 - i : i;
            // No branches on the data: they would mispredict half the time.
            const unsigned free1 = ~(f.row[y][w1] >> s1) & 1;
            const unsigned bit1 = (bits[index >> 3] >> (7 - (index & 7))) & free1;
            m.row[y][w1] |= uint64_t{bit1} << s1;
            index += free1;
            const unsigned free0 = ~(f.row[y][w0] >> s0) & 1;
            const unsigned bit0 = (bits[index >> 3] >> (7 - (index & 7))) & free0;
            m.row[y][w0] |= uint64_t{bit0} << s0;
            index += free0;
        }
        upward = !upward;
    }
}

// Micro QR symbols are small and only four: their fixed patterns and the
// order of their data modules are worked out once and then copied, which
// is most of what a Micro symbol costs otherwise.
struct MicroFrame {
    uint64_t modules[17];
    uint64_t function[17]; // word 0; the words right of it are all function
    uint8_t x[17 * 17];    // data modules in placement order
    uint8_t y[17 * 17];
    int free = 0;
};

const MicroFrame &microFrame(int version)
{
    static const std::array<MicroFrame, 4> frames = [] {
        std::array<MicroFrame, 4> all{};
        static BitMatrix m;
        static BitMatrix f;
        for (int v = 1; v <= 4; ++v) {
            MicroFrame &frame = all[static_cast<size_t>(v - 1)];
            const int d = symbolSize(SymbolType::Micro, v);
            m.clear(d);
            f.clear(d);
            drawMicro(m, f);
            fenceRightEdge(f, d);
            for (int y = 0; y < d; ++y) {
                frame.modules[y] = m.row[y][0];
                frame.function[y] = f.row[y][0];
            }
            // The walk of placeZigzag.
            bool upward = true;
            for (int x = d - 1; x >= 1; x -= 2) {
                for (int i = 0; i < d; ++i) {
                    const int y = upward ? d - 1 - i : i;
                    for (int col : {x, x - 1}) {
                        if (!f.get(col, y)) {
                            frame.x[frame.free] = static_cast<uint8_t>(col);
                            frame.y[frame.free] = static_cast<uint8_t>(y);
                            ++frame.free;
                        }
                    }
                }
                upward = !upward;
            }
        }
        return all;
    }();
    return frames[static_cast<size_t>(version - 1)];
}

// Model 2 keeps the last version it drew: its patterns and the order of
// its data modules. Labels come in runs of one size, and then a symbol
// copies its frame instead of drawing it module by module and walks a list
// instead of testing every module.
struct Model2Frame {
    int version = 0;
    BitMatrix modules;
    BitMatrix function;
    int free = 0;
    uint16_t word[kMaxSize * kMaxSize]; // y * kWords + x / 64 of each data module
    uint8_t shift[kMaxSize * kMaxSize]; // x % 64
};

// One per thread: callers may encode on several threads at once.
thread_local Model2Frame model2Frame;

const Model2Frame &model2FrameOf(int version)
{
    Model2Frame &frame = model2Frame;
    if (frame.version == version)
        return frame;
    const int d = symbolSize(SymbolType::Model2, version);
    frame.modules.clear(d);
    frame.function.clear(d);
    drawModel2(version, frame.modules, frame.function);
    fenceRightEdge(frame.function, d);
    // The walk of placeZigzag.
    frame.free = 0;
    bool upward = true;
    for (int x = d - 1; x >= 1; x -= 2) {
        if (x == 6)
            x = 5;
        for (int i = 0; i < d; ++i) {
            const int y = upward ? d - 1 - i : i;
            for (int col : {x, x - 1}) {
                if (!frame.function.get(col, y)) {
                    frame.word[frame.free] = static_cast<uint16_t>(y * BitMatrix::kWords + (col >> 6));
                    frame.shift[frame.free] = static_cast<uint8_t>(col & 63);
                    ++frame.free;
                }
            }
        }
        upward = !upward;
    }
    frame.version = version;
    return frame;
}

// The stored order serves only the function modules it was made from.
bool sameFunction(const BitMatrix &a, const BitMatrix &b)
{
    return a.size == b.size && std::memcmp(a.row, b.row, sizeof a.row[0] * static_cast<size_t>(a.size)) == 0;
}

} // namespace

void drawFunctionPatterns(SymbolType type, int version, BitMatrix &modules, BitMatrix &function)
{
    const int size = symbolSize(type, version);
    if (type == SymbolType::Micro) {
        // Every row of the symbol is written whole. Nothing reads the rows
        // below a Micro QR symbol (it is never transposed), so they are
        // left as they are.
        const MicroFrame &frame = microFrame(version);
        modules.size = size;
        function.size = size;
        for (int y = 0; y < size; ++y) {
            modules.row[y][0] = frame.modules[y];
            function.row[y][0] = frame.function[y];
            for (int w = 1; w < BitMatrix::kWords; ++w) {
                modules.row[y][w] = 0;
                function.row[y][w] = ~uint64_t{0};
            }
        }
        return;
    }
    modules.clear(size);
    function.clear(size);
    if (type == SymbolType::Model2) {
        const Model2Frame &frame = model2FrameOf(version);
        const size_t bytes = sizeof modules.row[0] * static_cast<size_t>(size);
        std::memcpy(modules.row, frame.modules.row, bytes);
        std::memcpy(function.row, frame.function.row, bytes);
        return;
    }
    drawModel1(version, modules, function);
    fenceRightEdge(function, size);
}

int model1Slots(int version, Slot *out)
{
    const int d = 4 * version + 17;
    int n = 0;
    auto add = [&](int x, int y, bool vertical) {
        out[n++] = Slot{static_cast<uint8_t>(x), static_cast<uint8_t>(y), vertical};
    };
    // Right strip, outer pair; its even slots from the third on are extension pieces.
    for (int i = 0; i <= version + 1; ++i) {
        if (!(i >= 2 && i <= version && i % 2 == 0))
            add(d - 1, d - 1 - 4 * i, true);
    }
    for (int i = 0; i <= version + 1; ++i)
        add(d - 3, d - 1 - 4 * i, true);
    // Middle groups of four columns, bottom to top, jumping the timing row.
    for (int g = 0; g <= version; ++g) {
        const int x = d - 5 - 4 * g;
        for (int i = 0; i <= 2 * version + 4; ++i) {
            const int y = d - 1 - 2 * i;
            if (i == 0 && g % 2 == 1 && g != version)
                continue; // bottom extension piece
            if (g == 0 && y == 8)
                continue;
            add(x, y, false);
        }
        if (g != 0) {
            add(x, 5, false);
            add(x, 3, false);
            add(x, 1, false);
        }
    }
    for (int x : {8, 5, 3, 1}) {
        for (int i = 0; i < version; ++i)
            add(x, d - 9 - 4 * i, true);
    }
    return n;
}

void placeCodewords(SymbolType type, int version, const uint8_t *codewords, int count, int shortIndex,
                    const BitMatrix &function, BitMatrix &modules)
{
    if (type == SymbolType::Model1) {
        thread_local Slot slots[kMaxModel1Slots];
        const int n = model1Slots(version, slots);
        for (int s = 0; s < n && s < count; ++s) {
            const Slot &slot = slots[s];
            const uint8_t cw = codewords[s];
            // Bit 7 at the bottom-right module, then leftwards and upwards.
            for (int k = s == 0 ? 4 : 0; k < 8; ++k) {
                if (!((cw >> (7 - k)) & 1))
                    continue;
                const int x = slot.vertical ? slot.x - (k & 1) : slot.x - (k & 3);
                const int y = slot.vertical ? slot.y - (k >> 1) : slot.y - (k >> 2);
                modules.set(x, y, true);
            }
        }
        return;
    }
    if (type == SymbolType::Model2) {
        const Model2Frame &frame = model2FrameOf(version);
        if (!sameFunction(frame.function, function)) {
            placeZigzag(type, codewords, function, modules);
            return;
        }
        // Remainder modules past the last codeword stay light.
        const int n = count * 8 < frame.free ? count : frame.free / 8;
        uint64_t *words = &modules.row[0][0];
        const uint16_t *word = frame.word;
        const uint8_t *shift = frame.shift;
        for (int i = 0; i < n; ++i, word += 8, shift += 8) {
            const unsigned cw = codewords[i];
            for (int k = 0; k < 8; ++k)
                words[word[k]] |= uint64_t{(cw >> (7 - k)) & 1} << shift[k];
        }
        return;
    }
    // Micro QR walks its stored order; the short codeword of M1/M3 gives
    // only its high nibble. The order is that of the version's own function
    // modules, the ones drawFunctionPatterns leaves.
    (void)function;
    const MicroFrame &frame = microFrame(version);
    auto put = [&modules, &frame](unsigned cw, int k, int p) {
        modules.row[frame.y[p]][0] |= uint64_t{(cw >> (7 - k)) & 1} << frame.x[p];
    };
    int p = 0;
    for (int i = 0; i < count; ++i) {
        const unsigned cw = codewords[i];
        const int width = i == shortIndex ? 4 : 8;
        if (p + width > frame.free) {
            for (int k = 0; p < frame.free; ++k, ++p)
                put(cw, k, p);
            return;
        }
        if (width == 8) {
            for (int k = 0; k < 8; ++k)
                put(cw, k, p + k);
        } else {
            for (int k = 0; k < 4; ++k)
                put(cw, k, p + k);
        }
        p += width;
    }
}

} // namespace kzbarqr

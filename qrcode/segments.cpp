#include "segments.h"

namespace kzbarqr {

namespace {

// Alphanumeric values, -1 for characters outside the 45-character set.
struct AlnumTable {
    int8_t value[256];
};

constexpr AlnumTable makeAlnumTable()
{
    AlnumTable t{};
    for (int i = 0; i < 256; ++i)
        t.value[i] = -1;
    const char *set = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
    for (int i = 0; set[i]; ++i)
        t.value[static_cast<uint8_t>(set[i])] = static_cast<int8_t>(i);
    return t;
}

constexpr AlnumTable kAlnum = makeAlnumTable();

bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }

int characters(Mode mode, int length) { return mode == Mode::Kanji ? length / 2 : length; }

int dataBits(Mode mode, int length)
{
    switch (mode) {
    case Mode::Numeric:
        return 10 * (length / 3) + (length % 3 == 0 ? 0 : length % 3 == 1 ? 4 : 7);
    case Mode::Alphanumeric:
        return 11 * (length / 2) + 6 * (length % 2);
    case Mode::Byte:
        return 8 * length;
    case Mode::Kanji:
        return 13 * (length / 2);
    }
    return 0;
}

// Class of the character at data[i]; sets its length in bytes.
Mode classify(const uint8_t *data, int i, int length, int &charLength)
{
    const uint8_t c = data[i];
    charLength = 1;
    if (isDigit(c))
        return Mode::Numeric;
    if (kAlnum.value[c] >= 0)
        return Mode::Alphanumeric;
    if (i + 1 < length && isKanjiPair(c, data[i + 1])) {
        charLength = 2;
        return Mode::Kanji;
    }
    return Mode::Byte;
}

// The class of two neighbours merged: the wider one; Kanji only with Kanji.
Mode mergedMode(Mode a, Mode b)
{
    if (a == b)
        return a;
    if (a == Mode::Kanji || b == Mode::Kanji)
        return Mode::Byte;
    return a > b ? a : b;
}

struct Merger {
    // segmentCost without the data bits, per mode, worked out once.
    int fixed[4];

    Merger(SymbolType type, int version)
    {
        for (int m = 0; m < 4; ++m)
            fixed[m] = segmentCost(type, version, static_cast<Mode>(m), 0);
    }

    int cost(const Segment &s) const { return cost(s.mode, s.length); }
    int cost(Mode m, int length) const { return fixed[static_cast<int>(m)] + dataBits(m, length); }

    // Merges the last three (or two) candidates while that costs no more bits.
    void settle(SegmentList &list) const
    {
        Segment *s = list.items;
        while (list.count >= 2) {
            const int n = list.count;
            Segment &b = s[n - 2];
            Segment &c = s[n - 1];
            const Mode bc = mergedMode(b.mode, c.mode);
            const int costB = cost(b);
            const int costC = cost(c);
            const int mergedBC = cost(bc, b.length + c.length);
            if (n == 2) {
                if (mergedBC > costB + costC)
                    return;
                b = Segment{bc, b.length + c.length, b.data};
                list.count = 1;
                continue;
            }
            Segment &a = s[n - 3];
            const int costA = cost(a);
            const Mode abc = mergedMode(a.mode, bc);
            const Mode ab = mergedMode(a.mode, b.mode);
            const int separate = costA + costB + costC;
            const int all = cost(abc, a.length + b.length + c.length);
            const int keepA = costA + mergedBC;
            const int keepC = cost(ab, a.length + b.length) + costC;
            // Prefer the larger merge when costs tie: fewer segments.
            if (all <= keepA && all <= keepC && all <= separate) {
                a = Segment{abc, a.length + b.length + c.length, a.data};
                list.count = n - 2;
            } else if (keepA <= keepC && keepA <= separate) {
                b = Segment{bc, b.length + c.length, b.data};
                list.count = n - 1;
            } else if (keepC <= separate) {
                a = Segment{ab, a.length + b.length, a.data};
                b = c;
                list.count = n - 1;
            } else {
                return;
            }
        }
    }
};

class BitWriter {
public:
    explicit BitWriter(uint8_t *out) : out_(out) {}

    void put(uint32_t value, int count)
    {
        acc_ = (acc_ << count) | value;
        pending_ += count;
        bits_ += count;
        while (pending_ >= 8) {
            pending_ -= 8;
            out_[bytes_++] = static_cast<uint8_t>(acc_ >> pending_);
        }
    }
    // Puts any remaining bits into a last byte, high bits first.
    void flush()
    {
        if (pending_ > 0)
            out_[bytes_++] = static_cast<uint8_t>(acc_ << (8 - pending_));
        pending_ = 0;
    }
    int bits() const { return bits_; }

private:
    uint8_t *out_;
    uint64_t acc_ = 0;
    int pending_ = 0;
    int bits_ = 0;
    int bytes_ = 0;
};

void putSegment(BitWriter &w, const Segment &s)
{
    const uint8_t *d = s.data;
    const int n = s.length;
    switch (s.mode) {
    case Mode::Numeric: {
        int i = 0;
        for (; i + 3 <= n; i += 3)
            w.put(static_cast<uint32_t>((d[i] - '0') * 100 + (d[i + 1] - '0') * 10 + (d[i + 2] - '0')), 10);
        if (n - i == 2)
            w.put(static_cast<uint32_t>((d[i] - '0') * 10 + (d[i + 1] - '0')), 7);
        else if (n - i == 1)
            w.put(static_cast<uint32_t>(d[i] - '0'), 4);
        break;
    }
    case Mode::Alphanumeric: {
        int i = 0;
        for (; i + 2 <= n; i += 2)
            w.put(static_cast<uint32_t>(kAlnum.value[d[i]] * 45 + kAlnum.value[d[i + 1]]), 11);
        if (i < n)
            w.put(static_cast<uint32_t>(kAlnum.value[d[i]]), 6);
        break;
    }
    case Mode::Byte:
        for (int i = 0; i < n; ++i)
            w.put(d[i], 8);
        break;
    case Mode::Kanji:
        for (int i = 0; i + 1 < n; i += 2) {
            const unsigned code = static_cast<unsigned>(d[i] << 8 | d[i + 1]);
            const unsigned v = code - (code <= 0x9FFC ? 0x8140u : 0xC140u);
            w.put((v >> 8) * 0xC0 + (v & 0xFF), 13);
        }
        break;
    }
}

} // namespace

bool isAlphanumeric(uint8_t c) { return kAlnum.value[c] >= 0; }

bool isKanjiPair(uint8_t lead, uint8_t trail)
{
    const bool leadOk =
        (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xEA) || (lead == 0xEB && trail < 0xC0);
    const bool trailOk = (trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC);
    return leadOk && trailOk;
}

bool fitsMode(Mode mode, const uint8_t *data, int length)
{
    switch (mode) {
    case Mode::Numeric:
        for (int i = 0; i < length; ++i) {
            if (!isDigit(data[i]))
                return false;
        }
        return true;
    case Mode::Alphanumeric:
        for (int i = 0; i < length; ++i) {
            if (!isAlphanumeric(data[i]))
                return false;
        }
        return true;
    case Mode::Byte:
        return true;
    case Mode::Kanji:
        if (length % 2 != 0)
            return false;
        for (int i = 0; i < length; i += 2) {
            if (!isKanjiPair(data[i], data[i + 1]))
                return false;
        }
        return true;
    }
    return false;
}

int segmentCost(SymbolType type, int version, Mode mode, int length)
{
    int width = countBits(type, version, mode);
    if (width == 0)
        width = countBits(type, maxVersion(type), mode);
    return modeIndicatorBits(type, version) + width + dataBits(mode, length);
}

bool segmentAutomatic(SymbolType type, int version, const uint8_t *data, int length, SegmentList &out)
{
    const Merger merger(type, version);
    out.count = 0;
    int i = 0;
    while (i < length) {
        int step = 1;
        const Mode mode = classify(data, i, length, step);
        const int start = i;
        i += step;
        while (i < length && classify(data, i, length, step) == mode)
            i += step;
        out.items[out.count++] = Segment{mode, i - start, data + start};
        merger.settle(out);
        // The window keeps its last two; everything before them stays.
        if (out.count > kMaxSegments + 2)
            return false;
    }
    return out.count <= kMaxSegments;
}

int streamBits(SymbolType type, int version, const SegmentList &segments, const AppendHeader &header)
{
    int bits = header.present ? 20 : 0;
    const int indicator = modeIndicatorBits(type, version);
    for (int i = 0; i < segments.count; ++i) {
        const Segment &s = segments.items[i];
        if (s.length == 0)
            continue;
        const int width = countBits(type, version, s.mode);
        if (width == 0 || characters(s.mode, s.length) >= (1 << width))
            return -1;
        bits += indicator + width + dataBits(s.mode, s.length);
    }
    return bits;
}

int chooseVersion(SymbolType type, Level level, const SegmentList &segments, const AppendHeader &header)
{
    int group = -1;
    int bits = -1;
    for (int v = 1; v <= maxVersion(type); ++v) {
        BlockLayout layout;
        if (!blockLayout(type, v, level, layout))
            continue;
        if (versionGroup(type, v) != group) {
            group = versionGroup(type, v);
            bits = streamBits(type, v, segments, header);
        }
        if (bits >= 0 && bits <= layout.dataBits)
            return v;
    }
    return 0;
}

int encodeData(SymbolType type, int version, const BlockLayout &layout, const SegmentList &segments,
               const AppendHeader &header, uint8_t *out)
{
    BitWriter w(out);
    int capacity = layout.dataBits;
    if (type == SymbolType::Model1) {
        w.put(0, 4); // every Model 1 stream opens with a zero nibble
        capacity += 4;
    }
    if (header.present) {
        w.put(3, 4);
        w.put(header.symbol, 8);
        w.put(header.parity, 8);
    }
    const int indicatorBits = modeIndicatorBits(type, version);
    for (int i = 0; i < segments.count; ++i) {
        const Segment &s = segments.items[i];
        if (s.length == 0)
            continue;
        if (indicatorBits > 0)
            w.put(static_cast<uint32_t>(modeIndicator(type, version, s.mode)), indicatorBits);
        w.put(static_cast<uint32_t>(characters(s.mode, s.length)), countBits(type, version, s.mode));
        putSegment(w, s);
    }
    const int room = capacity - w.bits();
    const int terminator = terminatorBits(type, version);
    w.put(0, terminator < room ? terminator : room);
    // Zero bits to the byte boundary, or to the end of a short last codeword.
    int boundary = (w.bits() + 7) / 8 * 8;
    if (boundary > capacity)
        boundary = capacity;
    w.put(0, boundary - w.bits());
    for (bool ec = true; w.bits() + 8 <= capacity; ec = !ec)
        w.put(ec ? 0xEC : 0x11, 8);
    if (w.bits() < capacity)
        w.put(0, capacity - w.bits());
    w.flush();
    return layout.dataCodewords;
}

} // namespace kzbarqr

#include "reedsolomon.h"

#include "symboltables.h"

#include <cstring>

namespace kzbarqr {

namespace {

struct Field {
    uint8_t exp[512]; // doubled so that exp[a + b] needs no modulo
    uint8_t log[256];
};

constexpr Field makeField()
{
    Field f{};
    unsigned x = 1;
    for (int i = 0; i < 255; ++i) {
        f.exp[i] = static_cast<uint8_t>(x);
        f.exp[i + 255] = static_cast<uint8_t>(x);
        f.log[x] = static_cast<uint8_t>(i);
        x <<= 1;
        if (x & 0x100)
            x ^= 0x11D;
    }
    f.exp[510] = f.exp[0];
    f.exp[511] = f.exp[1];
    return f;
}

constexpr Field kField = makeField();

// Generator polynomials (x - a^0)...(x - a^(n-1)) for n = 1..68, kept as
// the logarithms of the coefficients below the leading 1, highest first.
struct Generators {
    uint8_t logCoeff[kMaxEcPerBlock + 1][kMaxEcPerBlock];
};

constexpr Generators makeGenerators()
{
    Generators g{};
    uint8_t poly[kMaxEcPerBlock + 1] = {1}; // poly[0] is the highest power
    for (int n = 1; n <= kMaxEcPerBlock; ++n) {
        // Multiply by (x + a^(n-1)).
        const uint8_t root = kField.exp[n - 1];
        poly[n] = 0;
        for (int i = n; i >= 1; --i) {
            uint8_t prod = 0;
            if (poly[i - 1] != 0)
                prod = kField.exp[kField.log[poly[i - 1]] + kField.log[root]];
            poly[i] = static_cast<uint8_t>(poly[i] ^ prod);
        }
        // poly[0] stays 1 (monic).
        for (int i = 0; i < n; ++i)
            g.logCoeff[n][i] = kField.log[poly[i + 1]];
    }
    return g;
}

constexpr Generators kGenerators = makeGenerators();

} // namespace

uint8_t gfMultiply(uint8_t a, uint8_t b)
{
    if (a == 0 || b == 0)
        return 0;
    return kField.exp[kField.log[a] + kField.log[b]];
}

namespace {

constexpr int kEcWords = (kMaxEcPerBlock + 7) / 8;

// The generator of the last check length used, times every byte value, as
// 64-bit words (byte j of the remainder is bits 8 * (j % 8) of word j / 8):
// a data codeword then shifts the remainder by one byte and XORs one table
// row, a few words instead of a lookup per check codeword.
struct Products {
    int ecCount = 0;
    uint64_t row[256][kEcWords];
};

// One per thread: callers may encode on several threads at once.
thread_local Products products;

const Products &productsFor(int ecCount)
{
    if (products.ecCount != ecCount) {
        const uint8_t *gen = kGenerators.logCoeff[ecCount];
        for (int f = 1; f < 256; ++f) {
            const uint8_t *row = kField.exp + kField.log[f];
            uint64_t *out = products.row[f];
            for (int w = 0; w < kEcWords; ++w)
                out[w] = 0;
            for (int j = 0; j < ecCount; ++j)
                out[j >> 3] |= uint64_t{row[gen[j]]} << (8 * (j & 7));
        }
        products.ecCount = ecCount;
    }
    return products;
}

} // namespace

void reedSolomon(const uint8_t *data, int dataCount, int ecCount, uint8_t *ec)
{
    // A long block repays the table; a lone short one is done directly.
    if (dataCount >= 8) {
        const Products &p = productsFor(ecCount);
        const int words = (ecCount + 7) / 8;
        uint64_t r[kEcWords + 1] = {}; // the word past the end stays zero
        for (int i = 0; i < dataCount; ++i) {
            const uint64_t *t = p.row[(data[i] ^ r[0]) & 0xFF];
            for (int w = 0; w < words; ++w)
                r[w] = ((r[w] >> 8) | (r[w + 1] << 56)) ^ t[w];
        }
        for (int j = 0; j < ecCount; ++j)
            ec[j] = static_cast<uint8_t>(r[j >> 3] >> (8 * (j & 7)));
        return;
    }
    const uint8_t *gen = kGenerators.logCoeff[ecCount];
    std::memset(ec, 0, static_cast<size_t>(ecCount));
    for (int i = 0; i < dataCount; ++i) {
        const uint8_t feedback = data[i] ^ ec[0];
        if (feedback == 0) {
            std::memmove(ec, ec + 1, static_cast<size_t>(ecCount - 1));
            ec[ecCount - 1] = 0;
            continue;
        }
        // Shift and add the generator times the feedback in one pass.
        const uint8_t *row = kField.exp + kField.log[feedback];
        for (int j = 0; j + 1 < ecCount; ++j)
            ec[j] = ec[j + 1] ^ row[gen[j]];
        ec[ecCount - 1] = row[gen[ecCount - 1]];
    }
}

} // namespace kzbarqr

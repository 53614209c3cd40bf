// Reed-Solomon error-correction codewords over GF(256) with the polynomial
// x^8 + x^4 + x^3 + x^2 + 1, as every QR symbol type uses.
#pragma once

#include <cstdint>

namespace kzbarqr {

// Writes the ecCount check codewords of one block (ecCount 1..68).
void reedSolomon(const uint8_t *data, int dataCount, int ecCount, uint8_t *ec);

// Field multiplication, exposed for tests.
uint8_t gfMultiply(uint8_t a, uint8_t b);

} // namespace kzbarqr

// Function patterns and codeword placement of the three symbol types.
#pragma once

#include "bitmatrix.h"
#include "symboltables.h"

#include <cstdint>

namespace kzbarqr {

// Clears both matrices to the version's size and draws the fixed patterns
// into `modules`; `function` marks every module that carries no data,
// including the format area and everything right of the symbol.
void drawFunctionPatterns(SymbolType type, int version, BitMatrix &modules, BitMatrix &function);

// Puts the final codeword sequence into the free modules; codewords[count]
// must be readable and zero (the remainder bits). For Micro M1/M3
// the data codeword at `shortIndex` contributes only its high nibble
// (-1: none). Model 1 takes one codeword per fixed 8-module slot and skips
// the high nibble of the first; remainder modules stay light.
void placeCodewords(SymbolType type, int version, const uint8_t *codewords, int count, int shortIndex,
                    const BitMatrix &function, BitMatrix &modules);

// Model 1 slot geometry: fills the bottom-right corners and orientations of
// every slot in placement order; returns the number of slots.
struct Slot {
    uint8_t x, y;
    bool vertical; // 2 wide x 4 tall, else 4 wide x 2 tall
};
int model1Slots(int version, Slot *out);

} // namespace kzbarqr

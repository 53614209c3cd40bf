// Data masks, their evaluation and the format information.
#pragma once

#include "bitmatrix.h"
#include "symboltables.h"

namespace kzbarqr {

// Number of masks the type offers: 8 for Model 1/2, 4 for Micro QR.
int maskCount(SymbolType type);

// out = modules with the mask applied to every non-function module and the
// format information for (level, mask) written.
void applyMask(SymbolType type, Level level, int version, int mask, const BitMatrix &modules, const BitMatrix &function,
               BitMatrix &out);

// Picks the mask by the evaluation of the type and leaves that symbol in
// `out`. `scratch` is working storage of the same kind.
int chooseMask(SymbolType type, Level level, int version, const BitMatrix &modules, const BitMatrix &function,
               BitMatrix &out, BitMatrix &scratch);

// Parts of the evaluation, over the rows of a finished symbol (pass a
// transposed copy for the columns). Exposed for tests.
int countSameColourBlocks(const BitMatrix &m);   // 2 x 2 squares of one colour
int runPenalty(const BitMatrix &m);              // 3 + (k - 5) per run of k >= 5
int countFinderLikePatterns(const BitMatrix &m); // 1011101 with 4 light before or after
int balancePenalty(const BitMatrix &m);          // 10 per 5 % away from half dark
int microEdgeScore(const BitMatrix &m);

} // namespace kzbarqr

// From command string to finished symbol, and the whole GetBarQr call.
#pragma once

#include "bitmatrix.h"
#include "command.h"
#include "segments.h"
#include "symbolfiles.h"
#include "symboltables.h"

#include <cstdint>

namespace kzbarqr {

// Everything one call works in; GetBarQr keeps a single static instance,
// so nothing is allocated per call.
struct Workspace {
    char command[kWorkBufferSize];
    SegmentList segments;
    uint8_t data[kMaxDataCodewords];
    uint8_t codewords[kMaxCodewords + 1]; // final sequence and a zero byte
    uint8_t ec[kMaxCodewords];            // check codewords, block after block
    BitMatrix modules;                    // function patterns and unmasked data
    BitMatrix function;                   // which modules carry no data
    BitMatrix symbol;                     // the finished symbol
    BitMatrix scratch;
    uint8_t file[kMaxBmpFileSize]; // the larger of the two file images

    // The symbol that was made.
    SymbolType type = SymbolType::Model2;
    Level level = Level::M;
    int version = 0;
    int mask = 0;
};

// Encodes `src` as a symbol of `type` (1, 2, 3) into ws.symbol. Returns
// kOk or the negative result code; touches no file.
int encodeSymbol(Workspace &ws, const char *src, int type);

// Makes the symbol of ws.segments at a version that holds them (the
// version choice and the checks are encodeSymbol's).
void buildSymbol(Workspace &ws, SymbolType type, int version, Level level, const AppendHeader &header, int maskDigit);

// GetBarQr with the workspace given.
int generateSymbolFiles(Workspace &ws, char *path, const char *src, const char *type);

} // namespace kzbarqr

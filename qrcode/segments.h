// Segments of the data (mode, length, bytes), the automatic segmentation,
// the version choice and the data codewords.
#pragma once

#include "symboltables.h"

#include <cstdint>

namespace kzbarqr {

constexpr int kMaxSegments = 200;

struct Segment {
    Mode mode = Mode::Byte;
    int length = 0;                // in bytes (a Kanji character is two)
    const uint8_t *data = nullptr; // into the caller's copy of the command string
};

struct SegmentList {
    // Three spare places: the automatic segmentation's window may hold
    // candidates beyond the limit before it merges them.
    Segment items[kMaxSegments + 3];
    int count = 0;
};

// Structured-append header as it goes into the bit stream.
struct AppendHeader {
    bool present = false;
    uint8_t symbol = 0; // (position - 1) * 16 + (total - 1)
    uint8_t parity = 0;
};

bool isAlphanumeric(uint8_t c);
// A Shift-JIS double-byte character that Kanji mode can hold.
bool isKanjiPair(uint8_t lead, uint8_t trail);
// True when every character of the bytes fits the mode.
bool fitsMode(Mode mode, const uint8_t *data, int length);

// Bits of one segment in the given version, mode indicator and count field
// included; the width of a mode the version lacks is taken from the largest
// version, so that the cost stays comparable.
int segmentCost(SymbolType type, int version, Mode mode, int length);

// Splits the data into segments for the count-field widths of `version`.
// False when more than kMaxSegments remain.
bool segmentAutomatic(SymbolType type, int version, const uint8_t *data, int length, SegmentList &out);

// Bits of the whole stream before the terminator in this version, or -1
// when a segment cannot be held there (mode missing, count too large).
int streamBits(SymbolType type, int version, const SegmentList &segments, const AppendHeader &header);

// Smallest version whose capacity at the level holds the stream; 0 if none.
int chooseVersion(SymbolType type, Level level, const SegmentList &segments, const AppendHeader &header);

// Writes the data codewords (segments, terminator, padding) for the chosen
// version; returns their number.
int encodeData(SymbolType type, int version, const BlockLayout &layout, const SegmentList &segments,
               const AppendHeader &header, uint8_t *out);

} // namespace kzbarqr

// Fixed facts of the three symbol types: sizes, codeword layouts, mode
// indicators and count-field widths. Pure lookups, no state.
#pragma once

#include <cstdint>

namespace kzbarqr {

enum class SymbolType : uint8_t { Model1 = 1, Model2 = 2, Micro = 3 };

// Order matches the command letters L, M, Q, H.
enum class Level : uint8_t { L = 0, M = 1, Q = 2, H = 3 };

// Ordered so that a wider mode compares greater (Kanji is handled apart).
enum class Mode : uint8_t { Numeric = 0, Alphanumeric = 1, Byte = 2, Kanji = 3 };

constexpr int kMaxSize = 177;           // Model 2 version 40
constexpr int kMaxDataCodewords = 2956; // Model 2 40-L
constexpr int kMaxCodewords = 3706;     // Model 2 version 40
constexpr int kMaxEcPerBlock = 68;      // Model 1 uses the longest blocks
constexpr int kMaxBlocks = 81;          // Model 2 40-H

// How the codewords of one version at one level are split into blocks.
struct BlockLayout {
    int blocks1 = 0;        // blocks of the first group
    int data1 = 0;          // data codewords in each of them
    int blocks2 = 0;        // blocks of the second group, data1 + 1 data codewords each
    int ecPerBlock = 0;     // the same for every block
    int dataCodewords = 0;  // over all blocks
    int dataBits = 0;       // bits the segments may use (Micro M1/M3: short last codeword)
    int totalCodewords = 0; // data + EC + (Model 1) remainder codewords
};

int maxVersion(SymbolType type);
// Side length in modules; Micro versions are 1..4 for M1..M4.
int symbolSize(SymbolType type, int version);
// False when the level does not exist for that version (Micro QR H, M1 above L, ...).
bool blockLayout(SymbolType type, int version, Level level, BlockLayout &out);

// Width of the character-count field; 0 when the mode does not exist there.
int countBits(SymbolType type, int version, Mode mode);
int modeIndicatorBits(SymbolType type, int version);
int modeIndicator(SymbolType type, int version, Mode mode);
int terminatorBits(SymbolType type, int version);
// Versions with the same count-field widths share a group.
int versionGroup(SymbolType type, int version);

// Micro QR symbol number of the format information (version and level).
int microSymbolNumber(int version, Level level);

// Alignment-pattern centre coordinates of a Model 2 version; returns the count.
int alignmentCentres(int version, int out[7]);

// 15-bit format word with its BCH check bits, after the type's XOR mask.
uint16_t formatWord(SymbolType type, Level level, int version, int mask);
// 18-bit version word of Model 2 versions 7 and up.
uint32_t versionWord(int version);

} // namespace kzbarqr

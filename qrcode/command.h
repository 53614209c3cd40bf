// The command string: structured-append header, level, mask digit, input
// mode and data; and the segments of manual input.
#pragma once

#include "segments.h"
#include "symboltables.h"

#include <cstdint>

namespace kzbarqr {

// Result codes of GetBarQr.
enum Result : int {
    kOk = 0,
    kDataTooLong = -1, // also: malformed byte segment, no version holds the data
    kTooManySegments = -2,
    kBadAppendHeader = -3,
    kBadType = -4,
    kWriteFailed = -5, // a file could not be written
};

constexpr int kWorkBufferSize = 7372; // the command string and its terminator
constexpr int kMaxDataCharacters = 7366;
constexpr int kMaxManualSegmentLength = 7365;

struct Command {
    AppendHeader header;
    Level level = Level::M;
    int maskDigit = -1; // -1: none given
    bool manual = false;
    const uint8_t *data = nullptr;
    int length = 0;
};

// Reads everything before the data. kBadAppendHeader on a malformed or
// impossible header and on a header for Micro QR.
int parseCommand(const uint8_t *text, int length, SymbolType type, Command &out);

// Splits manual data into at most kMaxSegments segments; text after the
// last one is ignored. Segments whose characters do not fit their mode
// letter are widened (numeric to alphanumeric, anything to byte), so the
// symbol always reads back the bytes that were given.
// kDataTooLong on a byte segment without its 4-digit count.
int parseManualSegments(const uint8_t *data, int length, SegmentList &out);

// The `type` argument as a decimal integer (leading blanks and sign allowed,
// trailing text ignored); 0 when there is no number.
int parseTypeNumber(const char *text);

} // namespace kzbarqr

// Helpers for the QR tests: encoding into a private workspace, reading a
// symbol back with zxing, small file utilities.
#pragma once

#include "encoder.h"

#include <memory>
#include <string>
#include <vector>

namespace qrtest {

using kzbarqr::BitMatrix;
using kzbarqr::Level;
using kzbarqr::SymbolType;

// A workspace of its own per test (large: keep it off the stack).
inline std::unique_ptr<kzbarqr::Workspace> makeWorkspace() { return std::make_unique<kzbarqr::Workspace>(); }

struct Decoded {
    bool valid = false;
    bool micro = false;
    std::string bytes;   // raw content: byte values and Shift-JIS for Kanji
    std::string ecLevel; // "L", "M", "Q", "H"
    int sequenceIndex = -1;
    int sequenceSize = -1;
    std::string sequenceId; // structured-append parity, in decimal
};

// Renders the symbol with its quiet zone and reads it with zxing.
Decoded decode(const BitMatrix &m, bool micro);

// The symbol as rows of '0'/'1', top row first.
std::vector<std::string> rowsOf(const BitMatrix &m);

std::vector<uint8_t> readFile(const std::string &path);
// A fresh empty folder under the temporary folder.
std::string makeTempDir();

} // namespace qrtest

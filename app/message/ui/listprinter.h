#pragma once
// Prints a plain text as one document on the default printer, or into a
// PDF file when ZENTRIX_PRINT_PDF names one (tests, machines without a
// printer).
#include <QString>

class Messenger;

namespace listprinter {

enum class Result { Printed, NoPrinter, Failed };

inline constexpr const char *kPdfVariable = "ZENTRIX_PRINT_PDF";

Result print(const QString &text, const QString &documentName);

// print(), and the outcome told as every tool tells it: done (5), no
// printer, or stopped (13).
Result printAndTell(Messenger &messenger, const QString &text, const QString &documentName);

} // namespace listprinter

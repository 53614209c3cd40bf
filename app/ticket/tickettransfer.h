#pragma once
// Registering a ticket content in the printer ("プリンタに登録") and reading
// one back ("プリンタから読込"): the checks and the number dialog around
// them, and the two sequences on the serial line.
//
// Register: (Z1) DC3 "B" n, the lines 16..1 as STX FS "e" A B text, ETX,
// (Z0), then the printer's DC3 "b" n' "0" NUL. Read: (Z1, 500 ms) DC3 "D"
// n NUL, the printer's lines up to ETX into LineBuffer slots 16, 15, ...,
// DC3 "d" n "0" NUL, (Z0). The brackets are "K-07"'s.
#include "ticketconversion.h"
#include "ticketfileoperations.h"

#include <QString>

#include <functional>
#include <optional>

class AppContext;
class OperationRunner;

class TicketTransfer {
public:
    struct Hooks {
        // The number dialog for the current tool state; nothing when it
        // was cancelled.
        std::function<std::optional<int>()> chooseNumber;
        // A read's content, shown while the tool state is still the
        // read's (no line editing touches it) and before its message.
        std::function<void(const ticketconversion::ReadBack &)> showRead;
    };

    TicketTransfer(AppContext &ctx, OperationRunner &runner, Hooks hooks);

    // How a sequence ended.
    enum class Outcome {
        Done,    // confirmed (614) or read (613)
        Failed,  // told: 631 for a registration, 20 for a read
        Stopped, // the user cancelled a line prompt: nothing told
        NotRun,  // refused or cancelled before anything was sent
    };

    // The whole button: check the content (and the barcode height), the
    // lines, the number dialog, the sequence; the number goes into the
    // form's header after every attempt. *refused says where the window
    // puts the focus when the content was refused.
    Outcome registerContent(TicketForm &form, int barcodeHeight, ticket::ContentCheck *refused = nullptr);
    // The lines, the number dialog, the read; a read content replaces the
    // form's lines, and its barcode height *barcodeHeight.
    Outcome readContent(TicketForm &form, int *barcodeHeight);

    // The sequences alone, for a number already chosen.
    Outcome registerSequence(const TicketContent &content, int number, bool rawNumberModel, int barcodeHeight);
    Outcome readSequence(int number, bool rawNumberModel, ticketconversion::ReadBack *read);

    // A barcode placeholder cannot go out before a height was chosen in
    // the sub menu: the line that has one, or 0.
    static int lineNeedingBarcodeHeight(const TicketContent &content, int barcodeHeight);
    static const QString kNoBarcodeHeight; // what the user is told then
    // ContentCheck::messageCode of that refusal (not a catalogue code).
    static constexpr int kBarcodeHeightRefused = -1;

private:
    std::optional<int> chooseNumber(qint16 state, bool rawNumberModel);

    AppContext &ctx_;
    OperationRunner &runner_;
    Hooks hooks_;
};

#pragma once
// Commands typed to a running emulator (zentrix-printer-sim reads them from
// its standard input), one per line, e.g.
//   status E            send the status record "paper end" now
//   fault no-reply      stop answering
//   drop 2000           pull the cable, plug it in again after 2 s
// help lists them all.
#include <QString>

#include <functional>

namespace sim {

class EmulatedPrinter;
class PtyLine;

class Console {
public:
    // line: the pseudo-terminal the printer is on, if any (it has no modem
    // lines to set).
    explicit Console(EmulatedPrinter &printer, PtyLine *line = nullptr) : printer_(printer), line_(line) {}

    // Runs one command; returns what to show (may be several lines).
    QString execute(const QString &command);
    // Called by "quit".
    std::function<void()> quit;

    static QString help();

private:
    EmulatedPrinter &printer_;
    PtyLine *line_;
};

} // namespace sim

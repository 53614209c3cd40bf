#pragma once
// The base of the printers that take DC3 commands: DC3, an upper-case
// letter, an optional number byte, data, NUL, answered with the same
// letter in lower case. It cuts the frames out of the stream, logs each
// with what it means and hands it to the handler of its letter, so that a
// persona is a table of handlers:
//
//   on('A', [this](const Command &c) { ...; answer(frame('a', c.number())); });
//
// Noise outside frames is logged and dropped; a frame begun and not ended
// is forgotten when the program drops DTR or closes the port.
#include "dc3framereader.h"
#include "emulatedprinter.h"

#include <QHash>

#include <functional>

namespace sim {

class Dc3Printer : public EmulatedPrinter {
    Q_OBJECT
public:
    // One frame from the program.
    struct Command {
        QByteArray frame; // DC3 .. NUL
        char letter() const { return frame.size() > 1 ? frame.at(1) : '\0'; }
        // Between the letter and the NUL.
        QByteArray body() const { return frame.mid(2, frame.size() - 3); }
        bool numbered() const { return !body().isEmpty(); }
        int number() const { return numbered() ? quint8(body().at(0)) : 0; }
    };

    // DC3, the letter, the number byte (if >= 0), the data, NUL.
    static QByteArray frame(char letter, int number = -1, const QByteArray &data = {});

protected:
    Dc3Printer(const QString &persona, QObject *parent);

    using Handler = std::function<void(const Command &)>;
    void on(char letter, Handler handler) { handlers_.insert(letter, std::move(handler)); }

    // An answer to a command, logged with what it means.
    int answer(const QByteArray &frame, int workMs = 0) { return reply(frame, describe(frame, false), workMs); }

    // What a frame means, for the log (fromProgram: a command, else an answer).
    virtual QString describe(const QByteArray &frame, bool fromProgram) const;
    // Runs before a frame's handler (after it was logged).
    virtual void beforeCommand(const Command &command) { Q_UNUSED(command) }
    // A frame whose letter has no handler.
    virtual void unhandled(const Command &command);

    // A printer with a framing of its own (the fingerprint unit) replaces it.
    void received(const QByteArray &bytes) override;
    void reset() override { reader_.clear(); }

private:
    void discardPartialFrame() override { reader_.clear(); }

    Dc3FrameReader reader_;
    QHash<char, Handler> handlers_;
};

} // namespace sim

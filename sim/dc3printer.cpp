#include "dc3printer.h"

namespace sim {

Dc3Printer::Dc3Printer(const QString &persona, QObject *parent) : EmulatedPrinter(persona, parent) {}

QByteArray Dc3Printer::frame(char letter, int number, const QByteArray &data)
{
    QByteArray f;
    f.append(char(0x13)).append(letter);
    if (number >= 0)
        f.append(char(quint8(number)));
    f.append(data).append('\0');
    return f;
}

QString Dc3Printer::describe(const QByteArray &frame, bool fromProgram) const
{
    Q_UNUSED(frame)
    return fromProgram ? QStringLiteral("command") : QStringLiteral("answer");
}

void Dc3Printer::unhandled(const Command &command)
{
    Q_UNUSED(command)
    note(QStringLiteral("not answered: unknown command"));
}

void Dc3Printer::received(const QByteArray &bytes)
{
    for (const Dc3FrameReader::Piece &piece : reader_.add(bytes)) {
        if (!piece.frame) {
            logReceived(piece.bytes, QStringLiteral("noise (ignored)"));
            continue;
        }
        const Command command{piece.bytes};
        logReceived(command.frame, describe(command.frame, true));
        beforeCommand(command);
        if (command.frame.size() < 3) {
            note(QStringLiteral("not answered: no command letter"));
            continue;
        }
        const auto it = handlers_.constFind(command.letter());
        if (it == handlers_.cend())
            unhandled(command);
        else
            (*it)(command);
    }
}

} // namespace sim

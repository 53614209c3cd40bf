#include "ticketprinter.h"

namespace sim {

namespace {

// Schedule order: a plausible day of a ticket printer.
const QList<StatusPrinter::Event> kEvents = {
    {'Z', "power on"},
    {'k', "settings switch operated"},
    {'K', "settings switch released"},
    {'X', "paper at the exit sensor"},
    {'S', "issue switch on"},
    {'N', "ticket issue started"},
    {'s', "issue switch off"},
    {'x', "no paper at the exit sensor"},
    {'E', "paper end"},
    {'e', "paper end cleared"},
    {'H', "head up"},
    {'h', "head down"},
    {'n', "issue error"},
    {'T', "thermistor open"},
    {'C', "cutter error"},
    {'F', "framing error"},
    {'O', "overrun error"},
    {'P', "parity error"},
};

constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;
constexpr char kDc3 = 0x13;
constexpr char kFs = 0x1C;
constexpr char kNul = 0x00;
// Sixteen lines of 500 bytes and their headers fit many times over.
constexpr qsizetype kMaxBlockBytes = 64 * 1024;

QByteArray answerFrame(char letter, const QByteArray &data) { return QByteArray(1, kDc3) + letter + data + kNul; }

} // namespace

TicketPrinter::TicketPrinter(QObject *parent) : StatusPrinter(QStringLiteral("ticket"), kEvents, parent)
{
    on('Z', [this](const Command &c) {
        bracketOpen_ = c.body() == "1";
        if (!bracketOpen_ && !heldReply_.isEmpty()) {
            answer(heldReply_);
            heldReply_.clear();
        }
    });
    on('D', [this](const Command &c) { read(c); });
    on('d', [this](const Command &c) {
        // n "0": the number as in the read.
        if (const int n = contentNumber(Command{c.frame.left(3) + kNul}))
            acknowledged_ << n;
    });
    on('A', [this](const Command &c) {
        if (const int n = contentNumber(c)) {
            store().remove(n);
            answer(answerFrame('a', echo(n)));
        }
    });
    // "K-07" puts "0" after the number of these two, "K-2200TQ" does not.
    on('C', [this](const Command &c) {
        if (const int n = contentNumber(c)) {
            issued_ << n;
            answer(answerFrame('c', model_ == Model::K07 ? c.body() + '0' : echo(n)));
        }
    });
    on('I', [this](const Command &c) {
        if (const int n = contentNumber(c)) {
            contentToIssue_ = n;
            answer(answerFrame('i', model_ == Model::K07 ? c.body() + '0' : echo(n)));
        }
    });
    on('F', [this](const Command &c) {
        if (const int n = fourDigits(c)) {
            startNumber_ = n;
            answer(answerFrame('f', c.body()));
        }
    });
    on('G', [this](const Command &c) {
        if (const int n = fourDigits(c)) {
            nextNumber_ = n;
            ticket_ = n - 1;
            answer(answerFrame('g', c.body()));
        }
    });
    on('H', [this](const Command &c) {
        if (c.body() == "0" || c.body() == "1") {
            issueEnabled_ = c.body() == "0";
            answer(answerFrame('h', c.body()));
        }
    });
}

void TicketPrinter::setContent(int number, const QList<QByteArray> &lines)
{
    if (number >= 1 && number <= kMaxContents)
        store().insert(number, lines);
}

void TicketPrinter::received(const QByteArray &bytes)
{
    stream_ += bytes;
    while (!stream_.isEmpty()) {
        if (inBlock_) {
            const qsizetype etx = stream_.indexOf(kEtx);
            if (etx < 0) {
                if (stream_.size() > kMaxBlockBytes) {
                    logReceived(stream_, QStringLiteral("register block without ETX (dropped)"));
                    stream_.clear();
                    inBlock_ = false;
                }
                return;
            }
            const QByteArray block = stream_.left(etx + 1);
            stream_.remove(0, etx + 1);
            inBlock_ = false;
            registerBlock(block);
            continue;
        }
        int number = 0;
        const qsizetype header = registerHeader(&number);
        if (header == 0)
            return;
        if (header > 0) {
            logReceived(stream_.left(header),
                        number ? QStringLiteral("register No.%1, the lines follow up to ETX").arg(number)
                               : QStringLiteral("register, number out of range"));
            blockNumber_ = number;
            inBlock_ = true;
            stream_.remove(0, header);
            continue;
        }
        // Whole frames and noise go on to the base, so that its reader
        // never holds half of one.
        qsizetype end = 0;
        if (stream_.at(0) != kDc3) {
            end = stream_.indexOf(kDc3);
            if (end < 0)
                end = stream_.size();
        } else {
            const qsizetype nul = stream_.indexOf(kNul, 1);
            if (nul >= 0)
                end = nul + 1;
            else if (stream_.size() > Dc3FrameReader::kMaxFrameBytes)
                end = stream_.size();
            else
                return;
        }
        const QByteArray piece = stream_.left(end);
        stream_.remove(0, end);
        Dc3Printer::received(piece);
    }
}

qsizetype TicketPrinter::registerHeader(int *number) const
{
    if (stream_.at(0) != kDc3)
        return -1;
    if (stream_.size() < 2)
        return 0;
    if (stream_.at(1) != 'B')
        return -1;
    if (model_ == Model::K07) {
        if (stream_.size() < 3)
            return 0;
        const int n = quint8(stream_.at(2));
        *number = n >= 1 && n <= kMaxContents ? n : 0;
        return 3;
    }
    qsizetype i = 2;
    while (i < stream_.size() && stream_.at(i) >= '0' && stream_.at(i) <= '9')
        ++i;
    if (i == stream_.size())
        return 0; // more digits may follow
    const int n = i > 2 ? stream_.mid(2, i - 2).toInt() : 0;
    *number = n >= 1 && n <= 4 ? n : 0;
    return i;
}

void TicketPrinter::registerBlock(const QByteArray &block)
{
    const QList<QByteArray> pieces = block.chopped(1).split(kStx);
    if (!pieces.first().isEmpty())
        logReceived(pieces.first(), QStringLiteral("noise before the first line (ignored)"));
    QList<QByteArray> lines;
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        const QByteArray &line = pieces[i];
        QString what = QStringLiteral("line %1").arg(i);
        if (line.size() >= 4 && line.at(0) == kFs && line.at(1) == 'e')
            what += QStringLiteral(", magnification %1x%2 \"%3\"")
                        .arg(QLatin1Char(line.at(2)))
                        .arg(QLatin1Char(line.at(3)))
                        .arg(FrameLog::readable(line.mid(4)));
        else
            what += QStringLiteral(" without FS \"e\" A B");
        logReceived(kStx + line, what);
        lines << line;
    }
    logReceived(QByteArray(1, kEtx), QStringLiteral("end of the lines"));
    if (!blockNumber_) {
        note(QStringLiteral("not answered: content number out of range"));
        return;
    }
    store().insert(blockNumber_, lines);
    const QByteArray confirm = answerFrame('b', echo(blockNumber_) + '0');
    if (model_ == Model::K07 && registerReply_ == RegisterReply::AfterBracket)
        heldReply_ = confirm;
    else
        answer(confirm);
}

void TicketPrinter::read(const Command &c)
{
    const int n = contentNumber(c);
    if (!n)
        return;
    const QList<QByteArray> lines = store().value(n);
    QByteArray block;
    for (const QByteArray &line : lines)
        block += kStx + line;
    if (lines.isEmpty())
        block += kStx; // nothing registered: an empty block
    block += kEtx;
    reply(block, QStringLiteral("content No.%1, %2 lines").arg(n).arg(lines.size()));
}

QString TicketPrinter::describe(const QByteArray &frame, bool fromProgram) const
{
    if (!fromProgram || frame.size() < 3)
        return StatusPrinter::describe(frame, fromProgram);
    const Command c{frame};
    const int n = contentNumber(Command{frame.left(3) + kNul});
    switch (c.letter()) {
    case 'Z':
        return c.body() == "1" ? QStringLiteral("bracket open") : QStringLiteral("bracket close");
    case 'D':
        return QStringLiteral("read No.%1").arg(n);
    case 'd':
        return QStringLiteral("read acknowledged No.%1").arg(n);
    case 'A':
        return QStringLiteral("delete No.%1").arg(n);
    case 'C':
        return QStringLiteral("issue test No.%1").arg(n);
    case 'I':
        return QStringLiteral("content to issue No.%1").arg(n);
    case 'F':
        return QStringLiteral("start number %1").arg(QLatin1String(c.body()));
    case 'G':
        return QStringLiteral("next number %1").arg(QLatin1String(c.body()));
    case 'H':
        return c.body() == "0" ? QStringLiteral("issue enable") : QStringLiteral("issue disable");
    default:
        return StatusPrinter::describe(frame, fromProgram);
    }
}

void TicketPrinter::discardPartialFrame()
{
    stream_.clear();
    inBlock_ = false;
    heldReply_.clear();
}

void TicketPrinter::reset()
{
    StatusPrinter::reset();
    discardPartialFrame();
}

int TicketPrinter::contentNumber(const Command &c) const
{
    const QByteArray body = c.body();
    if (body.size() != 1)
        return 0;
    if (model_ == Model::K07) {
        const int n = quint8(body.at(0));
        return n >= 1 && n <= kMaxContents ? n : 0;
    }
    const int n = body.at(0) - '0';
    return n >= 1 && n <= 4 ? n : 0;
}

QByteArray TicketPrinter::echo(int number) const
{
    return QByteArray(1, model_ == Model::K07 ? char(number) : char('0' + number));
}

int TicketPrinter::fourDigits(const Command &c)
{
    const QByteArray body = c.body();
    bool ok = false;
    const int n = body.size() == 4 ? body.toInt(&ok) : 0;
    return ok && n >= 1 && n <= 9999 ? n : 0;
}

QByteArray TicketPrinter::scheduledData(char code)
{
    if (code != 'N')
        return {};
    ticket_ = ticket_ % 9999 + 1;
    return QByteArray::number(ticket_).rightJustified(4, '0');
}

} // namespace sim

#include "unitprinter.h"

namespace sim {

namespace {

const QList<StatusPrinter::Event> kEvents = {
    {'Z', "power on"},  {'k', "settings switch operated"}, {'K', "settings switch released"}, {'A', "printed data"},
    {'E', "paper end"}, {'e', "paper end cleared"},        {'M', "print mechanism failure"},
};

constexpr char kDc3 = 0x13;

// Item by read letter: its register letter and what it is called.
struct ItemLetters {
    char read;
    char store;
    const char *name;
};
constexpr ItemLetters kItems[] = {
    {'D', 'B', "name"}, {'L', 'G', "decimal point"},    {'K', 'F', "unit"},
    {'M', 'H', "rate"}, {'N', 'I', "comparison value"}, {'O', 'J', "indicator"},
};

const ItemLetters *itemByRead(char letter)
{
    for (const ItemLetters &i : kItems) {
        if (i.read == letter)
            return &i;
    }
    return nullptr;
}

const ItemLetters *itemByStore(char letter)
{
    for (const ItemLetters &i : kItems) {
        if (i.store == letter || i.store + ('a' - 'A') == letter)
            return &i;
    }
    return nullptr;
}

char lower(char c) { return char(c + ('a' - 'A')); }

bool digits(const QByteArray &v, int n)
{
    if (v.size() != n)
        return false;
    for (const char c : v) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

QByteArray frameOf(char letter, char channelDigit, const QByteArray &value)
{
    return QByteArray(1, kDc3) + letter + channelDigit + value + '\0';
}

} // namespace

UnitPrinter::UnitPrinter(QObject *parent) : StatusPrinter(QStringLiteral("unit"), kEvents, parent)
{
    for (const ItemLetters &i : kItems) {
        on(i.read, [this](const Command &c) { readItem(c); });
        on(i.store, [this](const Command &c) { registerItem(c); });
        on(lower(i.store), [this](const Command &c) { acknowledge(c); });
    }
    on('C', [this](const Command &c) { testPrint(c); });
    on('A', [this](const Command &c) { resetTotals(c); });
    ackTimer_.setSingleShot(true);
    connect(&ackTimer_, &QTimer::timeout, this, [this] { abandonRead(QStringLiteral("no acknowledge")); });
}

void UnitPrinter::setModel(Model model)
{
    model_ = model;
    channels_ = {};
    if (model == Model::Ux) {
        channels_[0].decimalPoint = '1'; // 123456789.0
        channels_[1].decimalPoint = '2'; // 12345678.90
    }
}

void UnitPrinter::loadSamples()
{
    if (model_ != Model::Vux)
        return;
    const char *names[] = {"SCALE-1", "SCALE-2", "TANK A ", "TANK B ", "LINE 5 ", "LINE 6 ", "CH7    ", "CH8    "};
    for (int c = 1; c <= 8; ++c) {
        Channel &k = channel(c);
        k.name = names[c - 1];
        k.decimalPoint = char('0' + (c % 4));
        k.unit = c <= 4 ? "kg   " : "t    ";
        k.rate = QByteArray::number(c * 5).rightJustified(2, '0');
    }
    channel(1).compare = "001500";
    channel(2).compare = "000250";
}

bool UnitPrinter::holds(char item, int c) const
{
    if (model_ == Model::Vux) {
        if (c < 1 || c > 8)
            return false;
        switch (item) {
        case 'D':
        case 'L':
        case 'K':
        case 'M':
            return true;
        case 'N':
            return c <= 2;
        default:
            return false;
        }
    }
    switch (item) {
    case 'L':
        return c == 1 || c == 2;
    case 'K':
    case 'O':
        return c == 1;
    default:
        return false;
    }
}

int UnitPrinter::channelOf(const Command &c, char item) const
{
    const QByteArray body = c.body();
    if (body.isEmpty() || body[0] < '1' || body[0] > '8')
        return 0;
    const int ch = body[0] - '0';
    return holds(item, ch) ? ch : 0;
}

QString UnitPrinter::describe(const QByteArray &f, bool fromProgram) const
{
    if (f.size() < 3 || f[0] != kDc3 || !f.endsWith('\0'))
        return StatusPrinter::describe(f, fromProgram);
    const char letter = f[1];
    const QByteArray body = f.mid(2, f.size() - 3);
    const QString ch = body.isEmpty() ? QString() : QStringLiteral(" CH.") + QLatin1Char(body[0]);
    const QString value = QLatin1Char('"') + FrameLog::readable(body.mid(1)) + QLatin1Char('"');
    if (fromProgram) {
        if (const ItemLetters *i = itemByRead(letter))
            return QStringLiteral("read ") + QLatin1String(i->name) + ch;
        if (const ItemLetters *i = itemByStore(letter)) {
            if (letter == i->store)
                return QStringLiteral("register ") + QLatin1String(i->name) + ch + QLatin1Char(' ') + value;
            return QStringLiteral("acknowledge ") + QLatin1String(i->name) + ch;
        }
        if (letter == 'C' && body.isEmpty())
            return QStringLiteral("test print");
        if (letter == 'A' && body.isEmpty())
            return QStringLiteral("reset totals");
        return QStringLiteral("unknown command");
    }
    if (const ItemLetters *i = itemByRead(letter))
        return QLatin1String(i->name) + ch + QLatin1Char(' ') + value;
    if (const ItemLetters *i = itemByStore(letter))
        return (body.endsWith('0') ? QStringLiteral("registered ") : QStringLiteral("refused ")) +
               QLatin1String(i->name) + ch;
    if (letter == 'c')
        return QStringLiteral("printed");
    if (letter == 'a')
        return QStringLiteral("totals reset");
    return StatusPrinter::describe(f, fromProgram);
}

void UnitPrinter::send(const QByteArray &frame, int workMs)
{
    if (answerFilter) {
        const auto filtered = answerFilter(frame);
        if (!filtered) {
            note(QStringLiteral("stays silent"));
            return;
        }
        answer(*filtered, workMs);
        return;
    }
    answer(frame, workMs);
}

void UnitPrinter::beforeCommand(const Command &c)
{
    const bool isAck = itemByStore(c.letter()) && c.letter() != itemByStore(c.letter())->store;
    if (!isAck && awaiting_.channel != 0)
        abandonRead(QStringLiteral("a new command came"));
}

void UnitPrinter::reset()
{
    StatusPrinter::reset();
    if (awaiting_.channel != 0)
        abandonRead(QStringLiteral("the line went down"));
}

void UnitPrinter::abandonRead(const QString &why)
{
    ackTimer_.stop();
    awaiting_ = {};
    note(QStringLiteral("read abandoned: ") + why);
}

void UnitPrinter::readItem(const Command &c)
{
    const char item = c.letter();
    const int ch = channelOf(c, item);
    if (ch == 0 || c.body().size() != 1) {
        note(QStringLiteral("not answered: no such item on this model"));
        return;
    }
    const Channel &k = channel(ch);
    QByteArray value;
    switch (item) {
    case 'D':
        value = k.name;
        break;
    case 'L':
        value = QByteArray(1, k.decimalPoint);
        break;
    case 'K':
        value = k.unit;
        break;
    case 'M':
        value = k.rate;
        break;
    case 'N':
        value = k.compare;
        break;
    case 'O':
        value = QByteArray(1, k.indicator);
        break;
    default:
        return;
    }
    awaiting_ = {lower(itemByRead(item)->store), ch};
    send(frameOf(item, char('0' + ch), value));
    ackTimer_.start(ackWaitMs_);
}

void UnitPrinter::acknowledge(const Command &c)
{
    if (awaiting_.channel == 0) {
        note(QStringLiteral("acknowledge outside a read (ignored)"));
        return;
    }
    if (c.frame != frameOf(awaiting_.ack, char('0' + awaiting_.channel), "0")) {
        abandonRead(QStringLiteral("wrong acknowledge"));
        return;
    }
    ackTimer_.stop();
    awaiting_ = {};
}

void UnitPrinter::registerItem(const Command &c)
{
    const ItemLetters *i = itemByStore(c.letter());
    const int ch = channelOf(c, i->read);
    if (ch == 0) {
        note(QStringLiteral("not answered: no such item on this model"));
        return;
    }
    const QByteArray value = c.body().mid(1);
    Channel &k = channel(ch);
    bool ok = false;
    switch (i->read) {
    case 'D':
        ok = !value.isEmpty() && value.size() <= 40;
        if (ok)
            k.name = value;
        break;
    case 'L': {
        const QByteArray codes = model_ == Model::Vux ? "012345" : "0123456789A";
        ok = value.size() == 1 && codes.contains(value[0]);
        if (ok)
            k.decimalPoint = value[0];
        break;
    }
    case 'K':
        ok = value.size() == 5;
        if (ok)
            k.unit = value;
        break;
    case 'M':
        ok = digits(value, 2) && value != "00";
        if (ok)
            k.rate = value;
        break;
    case 'N':
        ok = digits(value, 6);
        if (ok)
            k.compare = value;
        break;
    case 'O':
        ok = value.size() == 1 && value[0] >= '0' && value[0] <= '3';
        if (ok)
            k.indicator = value[0];
        break;
    default:
        break;
    }
    if (!ok)
        note(QStringLiteral("register refused: a value the item does not take"));
    send(frameOf(lower(i->store), char('0' + ch), ok ? "0" : "1"));
}

void UnitPrinter::testPrint(const Command &c)
{
    if (c.numbered()) {
        note(QStringLiteral("not answered: malformed command"));
        return;
    }
    ++testPrints_;
    note(QStringLiteral("prints the settings of %1 channels").arg(channelCount()));
    send(QByteArray("\x13"
                    "c",
                    2) +
             '\0',
         printMs_);
}

void UnitPrinter::resetTotals(const Command &c)
{
    if (c.numbered()) {
        note(QStringLiteral("not answered: malformed command"));
        return;
    }
    ++resets_;
    round_ = 0;
    send(QByteArray("\x13"
                    "a",
                    2) +
         '\0');
}

QByteArray UnitPrinter::scheduledData(char code)
{
    if (code != 'A')
        return {};
    ++round_;
    const auto value = [](double v) { return QByteArray::number(v, 'f', 1).rightJustified(7, ' ') + " kg"; };
    return "\r" + value(10.0 + round_) + "\r" + value(20.5 + round_) + "\r";
}

} // namespace sim

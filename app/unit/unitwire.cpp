#include "unitwire.h"

#include "base/cp932.h"
#include "comm/notation.h"
#include "message/messagecodes.h"
#include "message/msdfile.h"

namespace unit {

namespace {

char channelDigit(int channel) { return char('0' + channel); }

bool asciiDigits(const QByteArray &bytes)
{
    for (const char b : bytes)
        if (b < '0' || b > '9')
            return false;
    return !bytes.isEmpty();
}

// Whether the model has this item on this channel.
bool exists(const ItemRef &ref)
{
    switch (ref.model) {
    case Model::Vux:
        if (!isVuxChannel(ref.channel))
            return false;
        return ref.item == Item::Compare ? hasCompare(ref.channel) : ref.item != Item::Indicator;
    case Model::Ux:
        if (ref.item == Item::DecimalPoint)
            return ref.channel == 1 || ref.channel == 2;
        return (ref.item == Item::Unit || ref.item == Item::Indicator) && ref.channel == 1;
    case Model::None:
        break;
    }
    return false;
}

QByteArray frameOf(char letter, int channel, const QByteArray &data = {})
{
    QByteArray f;
    f += kDc3;
    f += letter;
    f += channelDigit(channel);
    f += data;
    f += kNul;
    return f;
}

// A unit as the printer sent it: every control byte shown as its code (a
// control byte is never part of a double-byte character), the rest CP932.
QString unitText(const QByteArray &bytes)
{
    QString text;
    for (const QChar c : cp932::decode(bytes)) {
        if (c.unicode() < 0x20)
            text += QStringLiteral("&%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
        else
            text += c;
    }
    while (text.endsWith(u' '))
        text.chop(1);
    return cutToBytes(text, kUnitBytes);
}

std::optional<QString> patternOf(Model model, const QByteArray &code)
{
    if (code.size() != 1)
        return std::nullopt;
    const char c = code[0];
    int index = -1;
    if (c >= '0' && c <= '9')
        index = c - '0';
    else if (c == 'A')
        index = 10;
    const QStringList &list = patternsOf(model);
    if (index < 0 || index >= list.size())
        return std::nullopt;
    return list[index];
}

} // namespace

ItemLetters lettersOf(Item item)
{
    switch (item) {
    case Item::Name:
        return {'D', 'b', 'B'};
    case Item::DecimalPoint:
        return {'L', 'g', 'G'};
    case Item::Unit:
        return {'K', 'f', 'F'};
    case Item::Rate:
        return {'M', 'h', 'H'};
    case Item::Compare:
        return {'N', 'i', 'I'};
    case Item::Indicator:
        return {'O', 'j', 'J'};
    }
    return {'D', 'b', 'B'};
}

QList<ItemRef> itemsOf(Model model, int channel)
{
    QList<ItemRef> items;
    if (model == Model::Vux && isVuxChannel(channel)) {
        for (const Item item : {Item::Name, Item::DecimalPoint, Item::Unit, Item::Rate})
            items << ItemRef{model, item, channel};
        if (hasCompare(channel))
            items << ItemRef{model, Item::Compare, channel};
    } else if (model == Model::Ux) {
        items << ItemRef{model, Item::DecimalPoint, 2} << ItemRef{model, Item::DecimalPoint, 1}
              << ItemRef{model, Item::Unit, 1} << ItemRef{model, Item::Indicator, 1};
    }
    return items;
}

QByteArray nameValue(const QString &name)
{
    if (name.isEmpty())
        return QByteArray(kNameWidth, ' ');
    QString text = name;
    const bool singleByte = cp932::byteCount(text) == text.size();
    if (singleByte && text.size() < kNameWidth)
        text += QString(kNameWidth - text.size(), u' ');
    return notation::convertForPrinter(text);
}

std::optional<QByteArray> decimalPointValue(Model model, const QString &pattern)
{
    const auto code = patternCode(model, pattern);
    if (!code)
        return std::nullopt;
    return QByteArray(1, *code < 10 ? char('0' + *code) : 'A');
}

QByteArray unitValue(const QString &unit)
{
    QByteArray bytes = cp932::encode(cutToBytes(unit, kUnitBytes));
    bytes.append(kUnitBytes - bytes.size(), ' ');
    return bytes;
}

std::optional<QByteArray> rateValue(const QString &rate)
{
    const auto v = rateNumber(rate);
    if (!v)
        return std::nullopt;
    return QByteArray::number(*v).rightJustified(2, '0');
}

std::optional<QByteArray> compareValue(const QString &value)
{
    const QByteArray digits = value.trimmed().toLatin1();
    if (digits.size() > kCompareDigits || (!digits.isEmpty() && !asciiDigits(digits)))
        return std::nullopt;
    return digits.rightJustified(kCompareDigits, '0');
}

std::optional<QByteArray> indicatorValue(const QString &indicator)
{
    if (indicator.isEmpty())
        return QByteArray("0");
    const qsizetype code = indicators().indexOf(indicator);
    if (code < 0)
        return std::nullopt;
    return QByteArray::number(code);
}

std::optional<QByteArray> valueOf(const ItemRef &ref, const UnitSettings &s)
{
    if (!exists(ref))
        return std::nullopt;
    if (ref.model == Model::Ux) {
        switch (ref.item) {
        case Item::DecimalPoint:
            return decimalPointValue(Model::Ux, ref.channel == 1 ? s.ux.decimalPoint1 : s.ux.decimalPoint2);
        case Item::Unit:
            return unitValue(s.ux.unit);
        case Item::Indicator:
            return indicatorValue(s.ux.indicator);
        default:
            return std::nullopt;
        }
    }
    const VuxChannel &ch = s.vux.channel(ref.channel);
    switch (ref.item) {
    case Item::Name:
        return nameValue(ch.name);
    case Item::DecimalPoint:
        return decimalPointValue(Model::Vux, ch.decimalPoint);
    case Item::Unit:
        return unitValue(ch.unit);
    case Item::Rate:
        return rateValue(ch.rate);
    case Item::Compare:
        return compareValue(s.vux.compare[size_t(ref.channel - 1)]);
    case Item::Indicator:
        break;
    }
    return std::nullopt;
}

QByteArray requestFrame(const ItemRef &ref) { return frameOf(lettersOf(ref.item).request, ref.channel); }

QByteArray acknowledgeFrame(const ItemRef &ref)
{
    return frameOf(lettersOf(ref.item).reply, ref.channel, QByteArray(1, kAccepted));
}

QByteArray registerReply(const ItemRef &ref) { return acknowledgeFrame(ref); }

std::optional<QList<RegisterStep>> registerSteps(Model model, int channel, const UnitSettings &s)
{
    const QList<ItemRef> items = itemsOf(model, channel);
    if (items.isEmpty())
        return std::nullopt;
    QList<RegisterStep> steps;
    for (const ItemRef &ref : items) {
        const auto value = valueOf(ref, s);
        if (!value)
            return std::nullopt;
        RegisterStep step;
        step.ref = ref;
        step.head = frameOf(lettersOf(ref.item).store, ref.channel);
        step.head.chop(1); // the NUL goes with the value
        step.tail = *value + kNul;
        step.expectedReply = registerReply(ref);
        steps << step;
    }
    return steps;
}

std::optional<QString> decodeValue(const ItemRef &ref, const QByteArray &frame)
{
    if (!exists(ref))
        return std::nullopt;
    const qsizetype nul = frame.indexOf(kNul);
    const QByteArray f = nul < 0 ? frame : frame.left(nul);
    if (f.size() < 3 || f[2] != channelDigit(ref.channel))
        return std::nullopt;
    QByteArray value = f.mid(3);
    // 0xFF ends a text read back from the printer.
    const qsizetype end = value.indexOf('\xFF');
    if (end >= 0)
        value.truncate(end);

    switch (ref.item) {
    case Item::Name:
        // Bounded so that it still fits its file record.
        return messagecodes::fitToBytes(messagecodes::fromPrinterBytes(value), MsdFile::kTextCapacity);
    case Item::DecimalPoint:
        return patternOf(ref.model, value);
    case Item::Unit:
        return unitText(value);
    case Item::Rate:
        // 0 is no rate: it could not be registered again.
        if (value.size() > 2 || !asciiDigits(value) || value.toInt() < kRateMin)
            return std::nullopt;
        if (value.size() == 2 && value[0] == '0')
            value.remove(0, 1);
        return QString::fromLatin1(value);
    case Item::Compare:
        return compareText(value);
    case Item::Indicator: {
        if (value.size() != 1 || value[0] < '0' || value[0] > '3')
            return std::nullopt;
        return indicators()[value[0] - '0'];
    }
    }
    return std::nullopt;
}

std::optional<QString> compareText(const QByteArray &digits)
{
    if (digits.size() > kCompareDigits || !asciiDigits(digits))
        return std::nullopt;
    qsizetype zeros = 0;
    while (zeros < digits.size() - 1 && digits[zeros] == '0')
        ++zeros;
    return QString::fromLatin1(digits.mid(zeros));
}

bool storeValue(const ItemRef &ref, const QString &value, UnitSettings &s)
{
    if (!exists(ref))
        return false;
    if (ref.model == Model::Ux) {
        switch (ref.item) {
        case Item::DecimalPoint:
            (ref.channel == 1 ? s.ux.decimalPoint1 : s.ux.decimalPoint2) = value;
            return true;
        case Item::Unit:
            s.ux.unit = value;
            return true;
        case Item::Indicator:
            s.ux.indicator = value;
            return true;
        default:
            return false;
        }
    }
    VuxChannel &ch = s.vux.channel(ref.channel);
    switch (ref.item) {
    case Item::Name:
        ch.name = value;
        return true;
    case Item::DecimalPoint:
        ch.decimalPoint = value;
        return true;
    case Item::Unit:
        ch.unit = value;
        return true;
    case Item::Rate:
        ch.rate = value;
        return true;
    case Item::Compare:
        s.vux.compare[size_t(ref.channel - 1)] = value;
        return true;
    case Item::Indicator:
        break;
    }
    return false;
}

bool storeFrame(const ItemRef &ref, const QByteArray &frame, UnitSettings &s)
{
    const auto value = decodeValue(ref, frame);
    return value && storeValue(ref, *value, s);
}

} // namespace unit

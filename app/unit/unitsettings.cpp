#include "unitsettings.h"

#include "base/appstate.h"
#include "base/cp932.h"
#include "comm/notation.h"

namespace unit {

namespace {

bool allAsciiDigits(const QString &text)
{
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

Fault fault(int code, Field field, int channel, int caret = -1) { return Fault{code, field, channel, caret}; }

// Empty becomes the first pattern; anything else must be in the list.
bool checkPattern(Model model, QString &pattern)
{
    if (pattern.isEmpty())
        pattern = patternsOf(model).first();
    return patternCode(model, pattern).has_value();
}

} // namespace

std::optional<int> rateNumber(const QString &text)
{
    const QString t = text.trimmed();
    // More than nine digits cannot be in range and would overflow.
    if (t.isEmpty() || t.size() > 9 || !allAsciiDigits(t))
        return std::nullopt;
    const int v = t.toInt();
    if (v < kRateMin || v > kRateMax)
        return std::nullopt;
    return v;
}

const QStringList &vuxPatterns()
{
    static const QStringList list{
        QStringLiteral(" 123456"), QStringLiteral("12345.6"), QStringLiteral("1234.56"),
        QStringLiteral("123.456"), QStringLiteral("12.3456"), QStringLiteral("1.23456"),
    };
    return list;
}

const QStringList &uxPatterns()
{
    static const QStringList list{
        QStringLiteral(" 1234567890"), QStringLiteral("123456789.0"), QStringLiteral("12345678.90"),
        QStringLiteral("1234567.890"), QStringLiteral("123456.7890"), QStringLiteral("12345.67890"),
        QStringLiteral("1234.567890"), QStringLiteral("123.4567890"), QStringLiteral("12.34567890"),
        QStringLiteral("1.234567890"), QStringLiteral(".1234567890"),
    };
    return list;
}

const QStringList &indicators()
{
    static const QStringList list{
        QStringLiteral("指定なし"),
        QStringLiteral("標準RS-232C"),
        QStringLiteral("HKR-600/730"),
        QStringLiteral("MV-417KT"),
    };
    return list;
}

const QStringList &patternsOf(Model model)
{
    static const QStringList none;
    switch (model) {
    case Model::Vux:
        return vuxPatterns();
    case Model::Ux:
        return uxPatterns();
    case Model::None:
        break;
    }
    return none;
}

std::optional<int> patternCode(Model model, const QString &pattern)
{
    const qsizetype i = patternsOf(model).indexOf(pattern);
    if (i < 0)
        return std::nullopt;
    return int(i);
}

QString cutToBytes(const QString &text, int maxBytes)
{
    int used = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype len = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const int bytes = cp932::byteCount(text.mid(i, len));
        if (used + bytes > maxBytes)
            break;
        used += bytes;
        i += len;
    }
    return text.left(i);
}

Fault checkVuxChannel(VuxSettings &s, int c)
{
    if (!isVuxChannel(c))
        return fault(kBadNumberMessage, Field::None, c);
    VuxChannel &ch = s.channel(c);
    // 1. Control codes of the name, with the general range 00..7F.
    const notation::EscapeCheck codes = notation::validateEscapes(ch.name, ToolStates::Unit);
    if (!codes.valid)
        return fault(kBadCodeMessage, Field::Name, c, codes.errorPosition - 1);
    // 2.
    if (!checkPattern(Model::Vux, ch.decimalPoint))
        return fault(kBadDecimalPointMessage, Field::DecimalPoint, c);
    // 3.
    if (ch.rate.trimmed().isEmpty())
        ch.rate = QStringLiteral("1");
    const auto rate = rateNumber(ch.rate);
    if (!rate)
        return fault(kBadRateMessage, Field::Rate, c);
    ch.rate = QString::number(*rate);
    // 4. Up to six digits; empty is allowed (sent as zeros).
    if (hasCompare(c)) {
        QString &value = s.compare[size_t(c - 1)];
        value = value.trimmed();
        if (value.size() > kCompareDigits || !allAsciiDigits(value))
            return fault(kBadCompareMessage, Field::Compare, c);
    }
    // 5. Not a fault: the unit keeps what fits.
    ch.unit = cutToBytes(ch.unit, kUnitBytes);
    return {};
}

Fault checkVux(VuxSettings &s)
{
    for (int c = 1; c <= kVuxChannels; ++c) {
        const Fault f = checkVuxChannel(s, c);
        if (!f.ok())
            return f;
    }
    return {};
}

Fault checkUx(UxSettings &s)
{
    if (!checkPattern(Model::Ux, s.decimalPoint1))
        return fault(kBadDecimalPointMessage, Field::DecimalPoint, 1);
    if (!checkPattern(Model::Ux, s.decimalPoint2))
        return fault(kBadDecimalPointMessage, Field::DecimalPoint, 2);
    s.unit = cutToBytes(s.unit, kUnitBytes);
    // A typed indicator the printer does not know would go out as no code.
    if (!s.indicator.isEmpty() && !indicators().contains(s.indicator))
        return fault(kBadIndicatorMessage, Field::Indicator, 1);
    return {};
}

Fault checkModel(Model model, UnitSettings &s)
{
    switch (model) {
    case Model::Vux:
        return checkVux(s.vux);
    case Model::Ux:
        return checkUx(s.ux);
    case Model::None:
        break;
    }
    return fault(825, Field::None, 0);
}

bool needsIndicatorQuestion(const UxSettings &s)
{
    return !s.indicator.isEmpty() && s.indicator != indicators().first();
}

} // namespace unit

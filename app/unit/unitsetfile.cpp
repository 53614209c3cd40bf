#include "unitsetfile.h"

#include "base/cp932.h"
#include "unitwire.h"

namespace unit {

namespace {

const QByteArray kEmptyName(kNameWidth, ' ');
constexpr int kVuxFields = 3 * kVuxChannels + kCompareChannels;
constexpr int kUxFields = 4;

MsdRecord recordAt(const QList<MsdRecord> &records, int n)
{
    return n >= 1 && n <= records.size() ? records[n - 1] : MsdRecord{};
}

bool recordDamaged(const MsdRecord &r)
{
    return (r.present && !r.terminated) || (r.occupied() && !cp932::isValid(r.text));
}

// The NUL-ended fields of a settings record. Exactly `count` fields and
// nothing after the last NUL is what a save writes; anything else marks
// the record as damaged, and the fields found are still used.
QList<QByteArray> fieldsOf(const QByteArray &text, int count, bool &damaged)
{
    QList<QByteArray> fields = text.split('\0');
    if (fields.size() != count + 1 || !fields.last().isEmpty())
        damaged = true;
    fields.resize(qMin<qsizetype>(fields.size(), count));
    return fields;
}

// Each take*() leaves the value alone and marks damage when the field is
// missing or not a value of its item.
void takePattern(Model model, const QList<QByteArray> &fields, int i, QString &value, bool &damaged)
{
    if (i >= fields.size())
        return;
    const QString pattern = cp932::decode(fields[i]);
    if (patternCode(model, pattern))
        value = pattern;
    else
        damaged = true;
}

void takeUnit(const QList<QByteArray> &fields, int i, QString &value, bool &damaged)
{
    if (i >= fields.size())
        return;
    if (fields[i].size() > kUnitBytes || !cp932::isValid(fields[i])) {
        damaged = true;
        return;
    }
    QString unit = cp932::decode(fields[i]);
    while (unit.endsWith(u' '))
        unit.chop(1);
    value = unit;
}

void takeRate(const QList<QByteArray> &fields, int i, QString &value, bool &damaged)
{
    if (i >= fields.size())
        return;
    const auto rate = fields[i].size() <= 2 ? rateNumber(QString::fromLatin1(fields[i])) : std::nullopt;
    if (rate)
        value = QString::number(*rate);
    else
        damaged = true;
}

void takeCompare(const QList<QByteArray> &fields, int i, QString &value, bool &damaged)
{
    if (i >= fields.size())
        return;
    const auto v = compareText(fields[i]);
    if (v)
        value = *v;
    else
        damaged = true;
}

void takeIndicator(const QList<QByteArray> &fields, int i, QString &value, bool &damaged)
{
    if (i >= fields.size())
        return;
    const QString text = cp932::decode(fields[i]);
    if (text.isEmpty() || indicators().contains(text))
        value = text;
    else
        damaged = true;
}

void decodeVux(int set, const QList<MsdRecord> &records, VuxSettings &s, SetRead &result)
{
    s = VuxSettings{};
    for (int c = 1; c <= kVuxChannels; ++c) {
        const MsdRecord r = recordAt(records, nameRecord(set, c));
        result.damaged |= recordDamaged(r);
        // Seven spaces are how an empty name is kept.
        if (r.occupied() && r.text != kEmptyName)
            s.channel(c).name = cp932::decode(r.text);
    }
    const MsdRecord r = recordAt(records, vuxSettingsRecord(set));
    result.damaged |= recordDamaged(r);
    if (!r.occupied())
        return;
    bool &damaged = result.damaged;
    const QList<QByteArray> fields = fieldsOf(r.text, kVuxFields, damaged);
    for (int c = 1; c <= kVuxChannels; ++c) {
        VuxChannel &ch = s.channel(c);
        takePattern(Model::Vux, fields, c - 1, ch.decimalPoint, damaged);
        takeUnit(fields, kVuxChannels + c - 1, ch.unit, damaged);
        takeRate(fields, 2 * kVuxChannels + c - 1, ch.rate, damaged);
    }
    for (int k = 0; k < kCompareChannels; ++k)
        takeCompare(fields, 3 * kVuxChannels + k, s.compare[size_t(k)], damaged);
}

void decodeUx(int set, const QList<MsdRecord> &records, UxSettings &s, SetRead &result)
{
    s = UxSettings{};
    const MsdRecord r = recordAt(records, uxSettingsRecord(set));
    result.damaged |= recordDamaged(r);
    if (!r.occupied())
        return;
    bool &damaged = result.damaged;
    const QList<QByteArray> fields = fieldsOf(r.text, kUxFields, damaged);
    takePattern(Model::Ux, fields, 0, s.decimalPoint1, damaged);
    takePattern(Model::Ux, fields, 1, s.decimalPoint2, damaged);
    takeUnit(fields, 2, s.unit, damaged);
    takeIndicator(fields, 3, s.indicator, damaged);
}

// A pattern outside the list is written as the first one: the record
// never holds what a later open would refuse.
QByteArray patternField(Model model, const QString &pattern)
{
    return cp932::encode(patternCode(model, pattern) ? pattern : patternsOf(model).first()) + kNul;
}

} // namespace

QList<int> recordsOf(Model model, int set)
{
    if (!isSetNumber(set))
        return {};
    switch (model) {
    case Model::Vux: {
        QList<int> list;
        for (int c = 1; c <= kVuxChannels; ++c)
            list << nameRecord(set, c);
        list << vuxSettingsRecord(set);
        return list;
    }
    case Model::Ux:
        return {uxSettingsRecord(set)};
    case Model::None:
        break;
    }
    return {};
}

QByteArray encodeName(const QString &name) { return name.isEmpty() ? kEmptyName : cp932::encode(name); }

QByteArray encodeVuxSettings(const VuxSettings &s)
{
    QByteArray text;
    for (const VuxChannel &ch : s.channels)
        text += patternField(Model::Vux, ch.decimalPoint);
    for (const VuxChannel &ch : s.channels)
        text += unitValue(ch.unit) + kNul;
    for (const VuxChannel &ch : s.channels)
        text += rateValue(ch.rate).value_or(QByteArray("01")) + kNul;
    for (const QString &value : s.compare)
        text += compareValue(value).value_or(QByteArray(kCompareDigits, '0')) + kNul;
    return text;
}

QByteArray encodeUxSettings(const UxSettings &s)
{
    QByteArray text;
    text += patternField(Model::Ux, s.decimalPoint1);
    text += patternField(Model::Ux, s.decimalPoint2);
    text += unitValue(s.unit) + kNul;
    text += cp932::encode(s.indicator) + kNul;
    return text;
}

QMap<int, QByteArray> encodeSet(Model model, int set, const UnitSettings &s)
{
    QMap<int, QByteArray> texts;
    if (!isSetNumber(set))
        return texts;
    if (model == Model::Vux) {
        for (int c = 1; c <= kVuxChannels; ++c)
            texts.insert(nameRecord(set, c), encodeName(s.vux.channel(c).name));
        texts.insert(vuxSettingsRecord(set), encodeVuxSettings(s.vux));
    } else if (model == Model::Ux) {
        texts.insert(uxSettingsRecord(set), encodeUxSettings(s.ux));
    }
    return texts;
}

SetRead decodeSet(Model model, int set, const QList<MsdRecord> &records, UnitSettings &s)
{
    SetRead result;
    if (!isSetNumber(set))
        return result;
    result.inUse = setInUse(model, set, records);
    if (model == Model::Vux)
        decodeVux(set, records, s.vux, result);
    else if (model == Model::Ux)
        decodeUx(set, records, s.ux, result);
    return result;
}

bool setInUse(Model model, int set, const QList<MsdRecord> &records)
{
    for (const int n : recordsOf(model, set))
        if (recordAt(records, n).occupied())
            return true;
    return false;
}

} // namespace unit

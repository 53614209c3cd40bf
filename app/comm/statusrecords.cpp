#include "statusrecords.h"

#include "base/cp932.h"

namespace statusrecords {
namespace {

const QString kUnknown = QStringLiteral("未確認動作です。");

struct Entry {
    char code;
    const char16_t *text;
};

constexpr Entry kTicketEvents[] = {
    {'Z', u"電源　ＯＮ"},
    {'K', u"設定スイッチ操作終了"},
    {'k', u"設定スイッチ操作"},
    {'S', u"発券スイッチＯＮ　発生"},
    {'s', u"発券スイッチＯＦＦ発生"},
    {'X', u"出口センサ部用紙　有"},
    {'x', u"出口センサ部用紙　無"},
    {'E', u"ペーパーエンド発生"},
    {'e', u"ペーパーエンド解除"},
    {'H', u"ヘッドアップ発生"},
    {'h', u"ヘッドアップ解除"},
    {'T', u"サーミスタ断線"},
    {'C', u"カッタエラー"},
    {'F', u"フレーミングエラー"},
    {'O', u"オーバーランエラー"},
    {'P', u"パリティエラー"},
    {'N', u"番発券開始"}, // after the ticket number
    {'n', u"発券エラー"},
};

constexpr Entry kUnitEvents[] = {
    {'Z', u"電源　ＯＮ"},       {'M', u"印字メカニズム故障"}, {'K', u"設定スイッチ操作終了"},
    {'k', u"設定スイッチ操作"}, {'E', u"ペーパーエンド発生"}, {'e', u"ペーパーエンド解除"},
};

template <size_t N> QString lookUp(const Entry (&table)[N], char code)
{
    for (const Entry &e : table)
        if (e.code == code)
            return QString::fromUtf16(e.text);
    return kUnknown;
}

// A display line must stay one line whatever the printer sent: control
// characters become their visible pictures (U+2400 block).
QString visible(QString text)
{
    for (QChar &c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20)
            c = QChar(char16_t(0x2400 + u));
        else if (u == 0x7F)
            c = QChar(char16_t(0x2421));
    }
    return text;
}

QString field(const QByteArray &record, int firstByte, int length)
{
    return cp932::decode(record.mid(firstByte - 1, length));
}

} // namespace

Printer printerFor(qint16 toolState) { return toolState < 801 ? Printer::Ticket : Printer::Unit; }

QString eventText(Printer printer, char code)
{
    return printer == Printer::Ticket ? lookUp(kTicketEvents, code) : lookUp(kUnitEvents, code);
}

QString timePrefix(const QByteArray &record)
{
    return field(record, 2, 2) + QStringLiteral("日") + field(record, 4, 2) + QStringLiteral("時") +
           field(record, 6, 2) + QStringLiteral("分") + field(record, 8, 2) + QStringLiteral("秒　");
}

QStringList printedData(const QString &prefix, const QString &data, UnitModel model)
{
    const QString head = model == UnitModel::Vux ? prefix + QStringLiteral("データ印字") : prefix;
    const QStringList parts = data.split(u'\r');
    if (parts.size() == 1)
        return {visible(head + data)};
    // parts.size() - 1 CRs: the values before each of them are shown, what
    // follows the last one is cut off.
    const qsizetype values = parts.size() - 1;
    if (model == UnitModel::Ux)
        return {visible(head + parts.mid(0, values).join(QStringLiteral("DATA ")))};
    QStringList lines{visible(head + parts.first())};
    for (qsizetype i = 1; i < values; ++i)
        lines << visible(QStringLiteral("        CH.%1-").arg(i) + parts.at(i));
    return lines;
}

QStringList decode(const QByteArray &record, Printer printer, UnitModel model)
{
    const qsizetype nul = record.indexOf('\0');
    const QByteArray bytes = nul < 0 ? record : record.left(nul);
    const char code = bytes.isEmpty() ? '\0' : bytes.at(0);
    const QString prefix = visible(timePrefix(bytes));

    if (printer == Printer::Ticket && code == 'N')
        return {prefix + visible(field(bytes, 10, 4)) + eventText(printer, code)};
    if (printer == Printer::Unit && code == 'A')
        return printedData(prefix, cp932::decode(bytes.mid(9)), model);
    return {prefix + eventText(printer, code)};
}

QString fingerLine(const QByteArray &markerAndId)
{
    const QString finger = markerAndId.startsWith('P') ? QStringLiteral("第１指") : QStringLiteral("第２指");
    return QStringLiteral("指紋認識　%1　ID:%2").arg(finger, visible(cp932::decode(markerAndId.mid(1, 7))));
}

} // namespace statusrecords

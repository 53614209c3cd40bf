#include "ticketnumber.h"

#include "message/numberbox.h"
#include "ticketcontent.h"

namespace ticketnumber {

namespace {

struct Row {
    qint16 state;
    const char16_t *caption;
    const char16_t *first; // first label line
    const char16_t *what;  // second line: "…の選択" for a content number, else nullptr
    bool printerRange;     // content range of the printer, else of the file
};

const Row kContentRows[] = {
    {610, u"TQファイルを開く", u"ファイルを開きます。", u"読込番号の選択", false},
    {611, u"TQファイルに保存", u"ファイルに保存します。", u"保存番号の選択", false},
    {612, u"TQファイルから削除", u"ファイルから削除します。", u"削除番号の選択", false},
    {613, u"TQプリンタから読込", u"プリンタから読込ます。", u"読込番号の選択", true},
    {614, u"TQプリンタに登録", u"プリンタに登録します。", u"登録番号の選択", true},
    {615, u"TQプリンタから削除", u"プリンタから削除します。", u"削除番号の選択", true},
    {616, u"TQ発券テスト", u"発券テストを行ないます。", u"発券内容の選択", true},
};

QString rangeText(int first, int last) { return QStringLiteral("%1～%2").arg(first).arg(last); }

} // namespace

std::optional<Variant> variantFor(qint16 toolState, bool raw)
{
    for (const Row &row : kContentRows) {
        if (row.state != toolState)
            continue;
        Variant v;
        v.caption = QString::fromUtf16(row.caption);
        v.maximum = row.printerRange ? ticket::lastPrinterNumber(raw) : ticket::lastFileNumber(raw);
        v.maxLength = v.maximum > 9 ? 2 : 1;
        v.label = QString::fromUtf16(row.first) + u'\n' + QString::fromUtf16(row.what) + u'(' +
                  rangeText(1, v.maximum) + u')';
        return v;
    }
    Variant v;
    switch (toolState) {
    case 621:
    case 622:
        v.caption = QStringLiteral("TQ番号指定");
        v.label =
            (toolState == 621 ? QStringLiteral("開始番号を指定します。") : QStringLiteral("発券番号を指定します。")) +
            QStringLiteral("\n範囲は1～9999です。");
        v.maxLength = 4;
        v.maximum = 9999;
        return v;
    case 623:
        v.caption = QStringLiteral("TQ番号指定");
        v.maximum = ticket::lastPrinterNumber(raw);
        v.maxLength = v.maximum > 9 ? 2 : 1;
        v.label =
            QStringLiteral("発券する内容を指定します。\n範囲は") + rangeText(1, v.maximum) + QStringLiteral("です。");
        return v;
    case kBarcodeState:
        v.caption = QStringLiteral("TQバーコード高さ指定");
        v.label = QStringLiteral("バーコード高さを指定します。\n範囲は5～12mmです。");
        v.minimum = 5;
        v.maximum = 12;
        return v;
    default:
        return std::nullopt;
    }
}

std::optional<Accepted> accept(const QString &text, qint16 toolState, bool raw)
{
    const auto v = variantFor(toolState, raw);
    if (!v || text.isEmpty())
        return std::nullopt;
    const qint64 value = numberbox::numericValue(text);
    if (value < 1 || value < v->minimum || value > v->maximum)
        return std::nullopt;
    Accepted a;
    a.number = int(value);
    if (toolState == kBarcodeState)
        a.barcodeHeight = a.number * kDotsPerMm;
    return a;
}

qint16 stateAfterClose(qint16 toolState)
{
    if (toolState > 620)
        return 620;
    if (toolState > 614)
        return 600;
    return toolState;
}

} // namespace ticketnumber

#include "unitselection.h"

#include "unitsetfile.h"

#include <algorithm>

namespace unit {

std::optional<SelectionTexts> selectionTexts(qint16 toolState)
{
    const QString channelLine = QStringLiteral("VUX選択時はチャンネルを選択。(1～8)");
    switch (toolState) {
    case UnitStates::Open:
        return SelectionTexts{Purpose::File, QStringLiteral("UX/VUXファイルを開く"),
                              QStringLiteral("ファイルを開きます。\r\n読込番号の選択(1～25)"), 2};
    case UnitStates::Save:
        return SelectionTexts{Purpose::File, QStringLiteral("UX/VUXファイルに保存"),
                              QStringLiteral("ファイルに保存します。\r\n保存番号の選択(1～25)"), 2};
    case UnitStates::Delete:
        return SelectionTexts{Purpose::File, QStringLiteral("UX/VUXファイルから削除"),
                              QStringLiteral("ファイルから削除します。\r\n削除番号の選択(1～25)"), 2};
    case UnitStates::Read:
        return SelectionTexts{Purpose::Printer, QStringLiteral("プリンタから読込"),
                              QStringLiteral("プリンタから読込ます。\r\n") + channelLine, 1};
    case UnitStates::Register:
        return SelectionTexts{Purpose::Printer, QStringLiteral("プリンタに登録"),
                              QStringLiteral("プリンタに登録します。\r\n") + channelLine, 1};
    default:
        return std::nullopt;
    }
}

int lastNumber(Purpose purpose) { return purpose == Purpose::File ? kSetCount : kVuxChannels; }

bool asksNumber(Model model, Purpose purpose) { return purpose == Purpose::File || model == Model::Vux; }

Selection checkSelection(Model model, const QString &numberText, Purpose purpose)
{
    if (model == Model::None)
        return {kNoModelMessage, 0};
    if (!asksNumber(model, purpose))
        return {0, 1};
    const QString t = numberText.trimmed();
    bool ok = false;
    // Two digits at most fit the box; a longer text is out of range anyway.
    const int n = t.size() <= 3 ? t.toInt(&ok) : 0;
    const bool digitsOnly = std::all_of(t.begin(), t.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (!ok || !digitsOnly || n < 1 || n > lastNumber(purpose))
        return {kBadNumberMessage, 0};
    return {0, n};
}

} // namespace unit

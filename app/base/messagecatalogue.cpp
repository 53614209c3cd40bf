#include "messagecatalogue.h"

#include <array>

namespace {

// {n} current number, {k} ticket save number, {folder} folder under test.
// Lines are joined with CR LF.
struct Row {
    int code;
    const char *title;
    const char *text;
    MessageStyle style;
    bool centred;
};

constexpr MessageStyle kNotice(Icon::Information);
constexpr MessageStyle kWarn(Icon::Exclamation);
constexpr MessageStyle kAsk(Icon::Question);
constexpr MessageStyle kAskYesNo(Icon::Question, Buttons::YesNo);
constexpr MessageStyle kWarnYesNo(Icon::Exclamation, Buttons::YesNo);
constexpr MessageStyle kPrinterCheck(Icon::Information, Buttons::RetryCancel);
constexpr MessageStyle kAskOkCancelSecond(Icon::Question, Buttons::OkCancel, 1);

constexpr Row kRows[] = {
    {1, "印字の未確認告知", "印字終了の確認ができませんでした。\r\nプリンタを調べて下さい。", kNotice, false},
    {2, "出力の告知", "出力リストによるプリンタ出力を終了しました。", kNotice, false},
    {3, "消去の未確認告知", "消去の確認ができませんでした。\r\nプリンタを調べて下さい。", kNotice, false},
    {4, "登録の未確認告知", "登録の確認ができませんでした。\r\nプリンタを調べて下さい。", kNotice, false},
    {5, "出力の告知", "ファイルのデータを印刷用プリンタへ出力しました。", kNotice, false},
    {6, "登録の告知", "ファイルのデータを全てプリンタに登録しました。", kNotice, false},
    {7, "出力の告知", "ファイルのデータを全てプリンタへ出力しました。", kNotice, false},
    {8, "印字の告知", "プリンタ内の登録データを全て印字しました。", kNotice, false},
    {9, "消去の告知", "プリンタ内の登録データを全て消去しました。", kNotice, false},
    {10, "ファイル化完了の告知", "プリンタ内の登録データをファイルにしました。", kNotice, false},
    {11, "登録の告知", "プリンタにNo.{n} を登録しました。", kNotice, false},
    {12, "消去の告知", "プリンタのNo.{n} を消去しました。", kNotice, false},
    {13, "中止の告知", "プリンタへの出力を中止しました。", kNotice, false},
    {14, "書き込みの告知", "メッセージNo.{n}書き込み終了。", kNotice, false},
    {15, "印字の告知", "メッセージを印字しました。", kNotice, false},
    {16, "印字の告知", "メッセージNo.{n}を印字しました。", kNotice, false},
    {17, "削除の告知", "メッセージNo.{n}を削除しました。", kNotice, false},
    {18, "複写終了", "複写が終了しました", kNotice, false},
    {19, "ファイルの確認", "複写元ファイルが存在しません", kNotice, false},
    {20, "読み込みエラーの告知", "プリンタからの読み込みに失敗しました。\r\nプリンタを調べて再度試みて下さい。",
     kNotice, false},
    {21, "登録エラーの告知", "ファイルからの登録に失敗しました。\r\nプリンタを調べて再度試みて下さい。", kNotice,
     false},
    {50, "ドライブの確認", "ドライブ名が正しくありません。", kAsk, false},
    {51, "ドライブの確認", "ドライブ名に:を付けて下さい。", kAsk, false},
    {52, "ファイルの確認", "ファイルが存在しません", kAsk, false},
    {53, "ファイルの確認", "ファイル名に * ? は使えません。", kAsk, false},
    {54, "ファイル名の確認", "ファイル名を入力して下さい。", kAsk, false},
    {55, "フォルダの確認", "フォルダ名を入力して下さい。", kAsk, false},
    {56, "メッセージNo.の確認", "メッセージNo.を入力して下さい。", kAsk, false},
    {57, "メッセージ内容の確認", "メッセージの内容を入力して下さい。", kAsk, false},
    {58, "ファイルの確認", "メッセージ用ファイルではありません。", kAsk, false},
    {100, "範囲外メッセージ", "1-255の範囲を入力して下さい。", kWarn, false},
    {101, "変更依頼メッセージ", "登録内容が大きすぎます。\r\n変更して小さくして下さい。", kWarn, false},
    {102, "保存依頼メッセージ", "入力データ数が最大になりました。\r\n一度保存し、別のNo.で作業して下さい。", kWarn,
     false},
    {103, "リストエラー", "リストに使用できるのは\r\n0-9とカンマ、(-)のみです。\r\n内容を確認して下さい。", kWarn,
     false},
    {104, "修正依頼メッセージ", "制御コードの入力範囲が不正です。\r\n修正して下さい。", kWarn, false},
    {200, "プリンタの確認", "プリンタがエラー状態です。\r\nエラーを解除して下さい", kPrinterCheck, false},
    {201, "プリンタの確認", "プリンタが接続されていません。", kPrinterCheck, false},
    {202, "プリンタの確認", "プリンタがビジー状態です。", kPrinterCheck, false},
    {203, "プリンタの確認", "プリンタが用紙切れです。\r\n用紙をセットして下さい", kPrinterCheck, false},
    {204, "プリンタの確認", "プリンタの準備ができていません。", kPrinterCheck, false},
    {205, "プリンタの確認", "プリンタをセレクト状態にして下さい。", kPrinterCheck, false},
    {250, "設定不可メッセージ", "当OSではパラレルポートの設定はできません。\r\nWindows98/Meをご使用下さい。", kWarn,
     false},
    {300, "登録の確認", "ファイル内のメッセージを全てプリンタに登録します。\r\nよろしいですか?", kWarnYesNo, false},
    {301, "複写の確認",
     "プリンタ内の登録データをファイルにします。\r\n登録量が多いと終了までに時間を要します。\r\n既に存在するファイル名"
     "を指定した場合上書きされます。\r\nよろしいですか?",
     kWarnYesNo, false},
    {302, "印字の確認",
     "プリンタ内の登録データを全て印字します。\r\n登録量が多いと印字終了までに時間を要します。\r\nよろしいですか?",
     kWarnYesNo, false},
    {303, "消去の確認", "プリンタ内の登録データを全て消去します。\r\nよろしいですか?", kWarnYesNo, false},
    {304, "上書きの確認", "メッセージNo.{n}は既に使用されています。\r\n変更してよろしいですか?", kWarnYesNo, false},
    {305, "削除の確認", "メッセージNo.{n}を削除します。\r\nよろしいですか？", kWarnYesNo, false},
    {306, "未登録メッセージ", "ファイルには登録データはありません。\r\n登録処理を終了します。", kWarn, false},
    {350, "ファイルの確認", "ファイルが存在しません。\r\n新しく作成してよろしいですか?", kAskYesNo, false},
    {351, "フォルダの確認", "フォルダ、{folder}が存在しません。\r\n新しく作成してよろしいですか?", kAskYesNo, false},
    {352, "印字の確認", "メッセージを印字します。\r\nよろしいですか？", kAskYesNo, false},
    {353, "登録の確認", "メッセージNo.{n}を登録します。\r\nよろしいですか？", kAskYesNo, false},
    {354, "印字の確認", "印字に時間がかかるようです。\r\nこのまま監視を続けますか?", kAskYesNo, false},
    {613, "読込完了の告知", "プリンタからの読込が完了しました。\r\n内容を確認して下さい。", kNotice, false},
    {614, "登録完了の告知", "プリンタに登録しました。\r\n発券テストで登録内容を確認して下さい。", kNotice, false},
    {615, "削除完了の告知", "プリンタから削除しました。", kNotice, false},
    {616, "発券完了の告知", "発券動作の完了を確認しました。\r\n発券内容を確認して下さい。", kWarn, false},
    {621, "指定完了の告知", "開始番号を指定しました。", kNotice, false},
    {622, "指定完了の告知", "発券番号を指定しました。", kNotice, false},
    {623, "指定完了の告知", "発券する内容を指定しました。", kNotice, false},
    {624, "指定完了の告知", "許可/禁止を指定しました。", kNotice, false},
    {625, "完了方法の告知", "発券内容を登録して完了となります。", kNotice, false},
    {630, "番号の不正告知", "番号の範囲が不正です。\r\n番号を確認して下さい。", kWarn, false},
    {631, "指定の未確認告知", "指定の確認ができませんでした。\r\nプリンタを調べて下さい。", kNotice, false},
    {632, "倍率の不正告知", "倍率の範囲が不正です。\r\n倍率の項目を確認して下さい。", kWarn, false},
    {633, "保存内容の確認", "保存する内容を入力して下さい。", kAsk, false},
    {634, "保存の告知", "保存しました。", kNotice, false},
    {635, "上書きの確認", "保存番号{k}は既に使用されています。\r\n変更してよろしいですか?", kWarnYesNo, false},
    {636, "削除の確認", "保存番号{k}を削除します。\r\nよろしいですか?", kWarnYesNo, false},
    {637, "削除の告知", "削除しました。", kNotice, false},
    {821, "小数点位置の不正告知", "小数点の位置が不正です。\r\n小数点の位置を確認して下さい。", kWarn, false},
    {822, "レートの不正告知", "レートの範囲が不正です。\r\nレートを確認して下さい。", kWarn, false},
    {823, "レートの不正告知", "比較値の範囲が不正です。\r\n比較値を確認して下さい。", kWarn, false},
    {824, "指示計の不正告知", "未確認の指示計です。\r\n指示計の名前を確認して下さい。", kWarn, false},
    {825, "プリンタの選択指示", "プリンタを選択して下さい。", kWarn, false},
    {826, "登録の告知", "登録しました。", kNotice, false},
    {841, "読込の告知", "読み込みました。", kNotice, false},
    {860, "印字完了の告知", "印字動作の完了を確認しました。\r\n印字内容を確認して下さい。", kWarn, false},
    {871, "リセットの確認", "積算データをゼロにします。\r\nよろしいですか?", kWarnYesNo, false},
    {872, "リセットの告知", "リセットしました。", kNotice, false},
    {873, "リセットの未確認告知", "リセットの確認ができませんでした。\r\nプリンタを調べて下さい。", kNotice, false},
    {910, "読込完了の告知", "ファイルからの読込が完了しました。", kNotice, true},
    {911, "保存完了の告知", "ファイルへの保存が完了しました。", kNotice, true},
    {912, "読込完了の告知", "プリンタからの読込が完了しました。", kNotice, true},
    {913, "読込完了の告知", "プリンタからの読込が完了しました。", kNotice, false},
    {914, "登録完了の告知", "プリンタに登録しました。", kNotice, false},
    {915, "消去完了の告知", "プリンタから消去しました。", kNotice, false},
    {916, "テスト完了の告知", "発券テストを終了しました。", kNotice, true},
    {921, "登録の確認", "指紋が登録されているか確認します。\r\nよろしいですか?", kAskOkCancelSecond, true},
    {923, "登録完了の告知", "プリンタに登録しました。", kNotice, true},
    {930, "番号の不正告知", "IDに使用出来ない文字があるか、文字数が足りません。\r\nIDを確認して下さい。", kWarn, true},
    {931, "指定の未確認告知", "既に登録されているIDです。\r\n別のIDを入力して下さい。", kNotice, true},
    {9151, "消去完了の告知", "プリンタから全て消去しました。", kNotice, true},
    {9211, "確認完了の告知", "指紋は登録されていません。", kNotice, true},
    {9212, "確認完了の告知", "指紋は登録されています。", kNotice, true},
};

} // namespace

std::optional<CatalogueEntry> catalogueEntry(int code, const AppState &state)
{
    for (const Row &row : kRows) {
        if (row.code != code)
            continue;
        CatalogueEntry e;
        e.title = QString::fromUtf8(row.title);
        e.text = QString::fromUtf8(row.text);
        if (code == 912 && state.registrantReadEmpty)
            e.text = QStringLiteral("登録者の記録はありません。");
        e.text.replace(QLatin1String("{n}"), QString::number(state.currentNumber));
        e.text.replace(QLatin1String("{k}"), QString::number(state.ticketSaveNumber));
        e.text.replace(QLatin1String("{folder}"), state.folderUnderTest);
        e.style = row.style;
        e.centred = row.centred;
        return e;
    }
    return std::nullopt;
}

Answer Messenger::showCatalogMessage(int code)
{
    const auto entry = catalogueEntry(code, state_);
    if (!entry) {
        state_.lastAnswer = Answer::None;
        return Answer::None;
    }
    if (code >= 900 && beforeFinger_)
        beforeFinger_();
    PromptRequest req;
    req.code = code;
    req.title = entry->title;
    req.text = entry->text;
    req.style = entry->style;
    req.centred = entry->centred;
    const Answer answer = prompter_.ask(req);
    state_.lastAnswer = answer;
    return answer;
}

Answer Messenger::showMessage(const QString &text, MessageStyle style, const QString &title)
{
    PromptRequest req;
    req.title = title;
    req.text = text;
    req.style = style;
    req.centred = true;
    const Answer answer = prompter_.ask(req);
    state_.lastAnswer = answer;
    return answer;
}

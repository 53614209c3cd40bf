#include "base/messagecatalogue.h"
#include "support/scriptedprompter.h"

#include <gtest/gtest.h>

TEST(Catalogue, PlaceholdersAreFilledFromTheState)
{
    AppState st;
    st.currentNumber = 5;
    st.ticketSaveNumber = 12;
    st.folderUnderTest = QStringLiteral("/home/u/data");
    EXPECT_EQ(catalogueEntry(11, st)->text, QStringLiteral("プリンタにNo.5 を登録しました。"));
    EXPECT_EQ(catalogueEntry(12, st)->text, QStringLiteral("プリンタのNo.5 を消去しました。"));
    EXPECT_EQ(catalogueEntry(14, st)->text, QStringLiteral("メッセージNo.5書き込み終了。"));
    EXPECT_EQ(catalogueEntry(635, st)->text,
              QStringLiteral("保存番号12は既に使用されています。\r\n変更してよろしいですか?"));
    EXPECT_EQ(catalogueEntry(351, st)->text,
              QStringLiteral("フォルダ、/home/u/dataが存在しません。\r\n新しく作成してよろしいですか?"));
}

TEST(Catalogue, KeepsHalfAndFullWidthQuestionMarksApart)
{
    AppState st;
    st.currentNumber = 3;
    EXPECT_TRUE(catalogueEntry(304, st)->text.endsWith(QStringLiteral("よろしいですか?")));
    EXPECT_TRUE(catalogueEntry(305, st)->text.endsWith(QStringLiteral("よろしいですか？")));
    EXPECT_TRUE(catalogueEntry(352, st)->text.endsWith(QStringLiteral("よろしいですか？")));
    EXPECT_TRUE(catalogueEntry(300, st)->text.endsWith(QStringLiteral("よろしいですか?")));
}

TEST(Catalogue, StylesAndCentringFollowTheTable)
{
    AppState st;
    EXPECT_EQ(catalogueEntry(202, st)->style, 69);
    EXPECT_EQ(catalogueEntry(921, st)->style, 289);
    EXPECT_EQ(MessageStyle::fromCode(289).defaultButton, 1);
    EXPECT_EQ(MessageStyle::fromCode(289).buttons, Buttons::OkCancel);
    EXPECT_EQ(catalogueEntry(350, st)->style, 36);
    EXPECT_TRUE(catalogueEntry(910, st)->centred);
    EXPECT_FALSE(catalogueEntry(913, st)->centred);
    EXPECT_TRUE(catalogueEntry(9212, st)->centred);
}

TEST(Catalogue, Code912SwitchesToTheNoRegistrantText)
{
    AppState st;
    EXPECT_EQ(catalogueEntry(912, st)->text, QStringLiteral("プリンタからの読込が完了しました。"));
    st.registrantReadEmpty = true;
    EXPECT_EQ(catalogueEntry(912, st)->text, QStringLiteral("登録者の記録はありません。"));
}

TEST(Messenger, UnknownCodeShowsNothingAndAnswersZero)
{
    AppState st;
    ScriptedPrompter p;
    Messenger m(st, p);
    st.lastAnswer = Answer::Yes;
    for (int code : {0, 22, 99, 105, 206, 999, 9213, -1}) {
        EXPECT_EQ(m.showCatalogMessage(code), Answer::None) << code;
    }
    EXPECT_TRUE(p.requests.isEmpty());
    EXPECT_EQ(st.lastAnswer, Answer::None);
}

TEST(Messenger, PrinterPromptAnswersAreReturnedAndKept)
{
    AppState st;
    ScriptedPrompter p;
    Messenger m(st, p);
    p.script({Answer::Retry, Answer::Cancel});
    EXPECT_EQ(m.showCatalogMessage(202), Answer::Retry);
    EXPECT_EQ(st.lastAnswer, Answer::Retry);
    EXPECT_EQ(m.showCatalogMessage(202), Answer::Cancel);
    EXPECT_EQ(st.lastAnswer, Answer::Cancel);
    ASSERT_EQ(p.requests.size(), 2);
    EXPECT_EQ(p.requests[0].title, QStringLiteral("プリンタの確認"));
    EXPECT_EQ(p.requests[0].text, QStringLiteral("プリンタがビジー状態です。"));
}

TEST(Messenger, FingerprintCodesRunTheStatusHookFirst)
{
    AppState st;
    ScriptedPrompter p;
    Messenger m(st, p);
    QList<int> seenBefore;
    m.setBeforeFingerMessage([&] { seenBefore << int(p.requests.size()); });
    m.showCatalogMessage(637);
    m.showCatalogMessage(910);
    m.showCatalogMessage(9151);
    EXPECT_EQ(seenBefore, (QList<int>{1, 2})); // before the 910 and 9151 boxes only
}

TEST(Messenger, FreeTextIsCentredWithItsTitle)
{
    AppState st;
    ScriptedPrompter p;
    Messenger m(st, p);
    m.showMessage(QStringLiteral("テキスト"), Icon::Exclamation);
    ASSERT_EQ(p.requests.size(), 1);
    EXPECT_TRUE(p.requests[0].centred);
    EXPECT_EQ(p.requests[0].title, kAppTitle);
    EXPECT_EQ(p.requests[0].code, 0);
}

// The delete password: setting it, asking for it before a deletion, and
// keeping it as LoginF.
#include "fingertest.h"

#include "finger/deletepassword.h"

#include <deque>

namespace {

// The Login window's part, scripted: each entry is the box contents at OK,
// or nothing for Cancel. Records every prompt shown.
struct ScriptedLogin {
    std::deque<std::optional<QString>> entries;
    QList<PasswordPrompt> shown;
    PasswordInput input()
    {
        return [this](const PasswordPrompt &p) -> std::optional<QString> {
            shown << p;
            if (entries.empty())
                return std::nullopt;
            auto e = entries.front();
            entries.pop_front();
            return e;
        };
    }
};

const QString kWrongAgain = QStringLiteral("ﾊﾟｽﾜｰﾄﾞが正しくありません。もう一度入力して下さい。");
const QString kWrongStop = QStringLiteral("ﾊﾟｽﾜｰﾄﾞが正しくありません。消去を中止します。");

} // namespace

using DeletePasswordTest = FingerTest;

TEST_F(DeletePasswordTest, CheckBeforeDeletion)
{
    struct Case {
        const char *what;
        QString password;
        std::deque<std::optional<QString>> entries;
        bool proceeds;
        int boxesShown;
        QList<int> messageStyles;
    } cases[] = {
        {"no password asks nothing", "", {}, true, 0, {}},
        {"right at once", "Abc12", {"Abc12"}, true, 1, {}},
        {"wrong, then right", "Abc12", {"abc12", "Abc12"}, true, 2, {48}},
        {"wrong twice", "Abc12", {"x", "Abc1"}, false, 2, {48, 16}},
        {"cancel", "Abc12", {std::nullopt}, false, 1, {}},
        {"wrong, then cancel", "Abc12", {"x", std::nullopt}, false, 2, {48}},
        {"empty entry is wrong", "Abc12", {"", ""}, false, 2, {48, 16}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        prompter.clear();
        ScriptedLogin login{c.entries};
        EXPECT_EQ(DeletePassword(c.password).confirmDeletion(messenger, login.input()), c.proceeds);
        EXPECT_EQ(login.shown.size(), c.boxesShown);
        EXPECT_EQ(styles(), c.messageStyles);
        if (!login.shown.isEmpty()) {
            EXPECT_EQ(login.shown[0].caption, QStringLiteral("ﾊﾟｽﾜｰﾄﾞの設定"));
            EXPECT_EQ(login.shown[0].prompt, QStringLiteral("ﾊﾟｽﾜｰﾄﾞ"));
            EXPECT_TRUE(login.shown[0].text.isEmpty());
        }
    }
    // After a wrong entry the box keeps it, wholly selected; the messages
    // carry the program title.
    prompter.clear();
    ScriptedLogin login{{"bad", "bad"}};
    DeletePassword("good").confirmDeletion(messenger, login.input());
    ASSERT_EQ(login.shown.size(), 2);
    EXPECT_EQ(login.shown[1].text, "bad");
    EXPECT_TRUE(login.shown[1].selectAll);
    ASSERT_EQ(prompter.requests.size(), 2);
    EXPECT_EQ(prompter.requests[0].text, kWrongAgain);
    EXPECT_EQ(prompter.requests[1].text, kWrongStop);
    EXPECT_EQ(prompter.requests[1].title, kAppTitle);
}

TEST_F(DeletePasswordTest, Setting)
{
    struct Case {
        const char *what;
        std::optional<QString> entry;
        QString result;
        bool asks;
    } cases[] = {
        {"cancel keeps the old", std::nullopt, "old", true},
        {"OK with the box unchanged", "old", "old", true},
        {"a new one", "new one", "new one", true},
        {"empty switches the question off", "", "", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        DeletePassword password("old");
        ScriptedLogin login{{c.entry}};
        password.change(messenger, login.input());
        EXPECT_EQ(password.text(), c.result);
        EXPECT_EQ(password.asksBeforeDeletion(), c.asks);
        ASSERT_EQ(login.shown.size(), 1);
        EXPECT_EQ(login.shown[0].caption, kAppTitle);
        EXPECT_EQ(login.shown[0].text, "old");
        EXPECT_TRUE(prompter.requests.isEmpty());
    }
}

TEST_F(DeletePasswordTest, KeptAsLoginFInAPrivateFile)
{
    EXPECT_TRUE(DeletePassword::load().text().isEmpty());
    ASSERT_TRUE(DeletePassword("secret").save(messenger));
    EXPECT_EQ(DeletePassword::load().text(), "secret");
    EXPECT_EQ(QSettings().value("Settings/LoginF").toString(), "secret");
    const QString file = QSettings().fileName();
    EXPECT_EQ(modeOf(file), 0600);

    // A settings file that others could read becomes private on the next save.
    setMode(file, 0644);
    ASSERT_TRUE(DeletePassword("").save(messenger));
    EXPECT_EQ(modeOf(file), 0600);
    EXPECT_FALSE(DeletePassword::load().asksBeforeDeletion());
    EXPECT_TRUE(prompter.requests.isEmpty());
}

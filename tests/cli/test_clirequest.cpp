// The command line's arguments and its answers to the operations' boxes.
#include "cli/cliprompter.h"
#include "cli/clirequest.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

using namespace cli;

TEST(CliArguments, ParseOrTellWhy)
{
    struct Case {
        QStringList args;
        bool ok;
        const char *errorPart; // for a failure
    };
    const Case cases[] = {
        {{"message", "register", "a.msd", "3"}, true, ""},
        {{"--port", "COM2", "--port=sim:message", "message", "clear-all", "--yes"}, true, ""},
        {{"message"}, false, "OPERATION"},
        {{}, false, "TOOL"},
        {{"printer", "x"}, false, "TOOL"},
        {{"message", "delete", "1", "--port"}, false, "--port"},
        {{"message", "delete", "1", "--frobnicate"}, false, "--frobnicate"},
        {{"--speed", "fast", "message", "clear-all"}, false, "--speed"},
        {{"--parity", "mark", "message", "clear-all"}, false, "--parity"},
        {{"--yes=1", "message", "clear-all"}, false, "--yes=1"},
        {{"monitor", "--printer", "ticket"}, true, ""},
        {{"--help"}, true, ""},
        // Every option the help names is taken, with its value.
        {{"ticket", "--model", "K-07", "register", "t.msd", "1", "--barcode-height", "12"}, true, ""},
        {{"finger", "delete-all", "--yes", "--password", "1234"}, true, ""},
        {{"finger", "delete-all", "--password"}, false, "--password"},
    };
    for (const Case &c : cases) {
        const Parsed p = parse(c.args);
        EXPECT_EQ(p.request.has_value(), c.ok) << c.args.join(' ').toStdString();
        if (!c.ok)
            EXPECT_TRUE(p.error.contains(QString::fromUtf8(c.errorPart))) << p.error.toStdString();
    }
    const Request r = *parse({"--port", "COM2", "--port=sim:message", "--speed", "38400", "--parity", "even", "ticket",
                              "--model", "K-07", "read", "t.msd", "5", "--into", "7", "--json"})
                           .request;
    EXPECT_EQ(r.ports, (QStringList{"COM2", "sim:message"}));
    EXPECT_EQ(r.speed, 38400);
    EXPECT_EQ(r.parity, 1);
    EXPECT_TRUE(r.json);
    EXPECT_EQ(r.tool, "ticket");
    EXPECT_EQ(r.operation, "read");
    EXPECT_EQ(r.args, (QStringList{"t.msd", "5"}));
    EXPECT_EQ(r.opt("model"), "K-07");
    EXPECT_EQ(r.opt("into"), "7");
    EXPECT_EQ(parse({"finger", "delete-all", "--password=12 34"}).request->opt("password"), "12 34");
    // Each child gets the arguments without the ports.
    EXPECT_EQ(withoutPorts({"--port", "a", "message", "--port=b", "clear-all"}), (QStringList{"message", "clear-all"}));
}

TEST(CliArguments, NumberListsAndRanges)
{
    struct Case {
        const char *text;
        std::optional<QList<int>> list;
    };
    const Case cases[] = {
        {"1,3,5-7", QList<int>{1, 3, 5, 6, 7}},
        {"255", QList<int>{255}},
        {"0", std::nullopt},
        {"256", std::nullopt},
        {"7-5", std::nullopt},
        {"1,,2", std::nullopt},
        {"1-2-3", std::nullopt},
        {"a", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case &c : cases)
        EXPECT_EQ(numberList(QString::fromUtf8(c.text), 1, 255), c.list) << c.text;
}

TEST(CliPrompter, WarningsNeedYesTheRestIsAnswered)
{
    const MessageStyle warnYesNo(Icon::Exclamation, Buttons::YesNo);
    const MessageStyle askYesNo(Icon::Question, Buttons::YesNo);
    const MessageStyle askOkCancel(Icon::Question, Buttons::OkCancel, 1);
    const MessageStyle notice(Icon::Information);
    struct Case {
        MessageStyle style;
        int code;
        bool yes;
        bool harmless;
        Answer answer;
        bool declined;
    };
    const Case cases[] = {
        {warnYesNo, 303, false, false, Answer::No, true},    // clear all
        {warnYesNo, 303, true, false, Answer::Yes, false},   //
        {warnYesNo, 302, false, true, Answer::Yes, false},   // print all only takes time
        {askYesNo, 353, false, false, Answer::Yes, false},   // the command's own question
        {askOkCancel, 921, false, false, Answer::Ok, false}, //
        {notice, 11, false, false, Answer::Ok, false},
    };
    for (const Case &c : cases) {
        CliPrompter p;
        p.yes = c.yes;
        if (c.harmless)
            p.harmless << c.code;
        PromptRequest r;
        r.code = c.code;
        r.style = c.style;
        EXPECT_EQ(p.ask(r), c.answer) << c.code;
        EXPECT_EQ(p.declined(), c.declined) << c.code;
        EXPECT_EQ(p.shown().size(), 1);
    }
}

TEST(CliPrompter, NotReadyIsRetriedForAWhileThenCancelled)
{
    CliPrompter p;
    p.retryForMs = 150;
    p.retryPauseMs = 40;
    PromptRequest r;
    r.code = 204;
    r.style = MessageStyle(Icon::Information, Buttons::RetryCancel);
    QElapsedTimer t;
    t.start();
    int retries = 0;
    while (p.ask(r) == Answer::Retry)
        ++retries;
    EXPECT_GE(retries, 2);
    EXPECT_LE(retries, 5);
    EXPECT_GE(t.elapsed(), 150);
    // A later wait gets its own time again.
    EXPECT_EQ(p.ask(r), Answer::Retry);
}

// The exact bytes of the register, read and settings frames for both
// models.
#include "ticket/ticketframes.h"
#include "tickettest.h"

using namespace ticketframes;

TEST(TicketFrames, RegisterSendsTheLinesFromSixteenUpAndExpectsTheEcho)
{
    // "K-2200TQ", content 3, only line 1: AB at 2x1.
    RegisterFrames r = registerFrames(contentOf({{1, "AB", "2x1"}}), 3, false, 0);
    EXPECT_EQ(r.start, hex("13 42 33"));
    EXPECT_EQ(r.lines, hex("02 1c 65 32 31 41 42"));
    EXPECT_EQ(r.end, hex("03"));
    EXPECT_TRUE(r.close.isEmpty());
    EXPECT_EQ(r.expectedReply, hex("13 62 33 30 00"));

    // "K-07", content 12: the number as a raw byte inside the bracket.
    r = registerFrames(contentOf({{1, "A"}, {2, "↓", "1X11"}, {16, "B", "4x4"}}), 12, true, 0);
    EXPECT_EQ(r.start, hex("13 5a 31 00 13 42 0c"));
    EXPECT_EQ(r.lines, hex("02 1c 65 34 34 42"
                           "02 1c 65 31 31 0a"
                           "02 1c 65 31 31 41"));
    EXPECT_EQ(r.close, hex("13 5a 30 00"));
    EXPECT_EQ(r.expectedReply, hex("13 62 0c 30 00"));
}

TEST(TicketFrames, AnEscapeLeftOpenAtTheEndOfALineDoesNotReachTheNext)
{
    // Line 2 is sent first; its trailing "&" must not turn line 1's "CD"
    // into the byte CD.
    const RegisterFrames r = registerFrames(contentOf({{1, "CD"}, {2, "AB&"}}), 1, false, 0);
    EXPECT_EQ(r.lines, hex("02 1c 65 31 31 41 42"
                           "02 1c 65 31 31 43 44"));
}

TEST(TicketFrames, ReadRequestAndAcknowledge)
{
    ReadFrames r = readFrames(3, false);
    EXPECT_TRUE(r.open.isEmpty());
    EXPECT_EQ(r.request, hex("13 44 33 00"));
    EXPECT_EQ(r.acknowledge, hex("13 64 33 30 00"));
    EXPECT_TRUE(r.close.isEmpty());

    r = readFrames(25, true);
    EXPECT_EQ(r.open, hex("13 5a 31 00"));
    EXPECT_EQ(r.request, hex("13 44 19 00"));
    EXPECT_EQ(r.acknowledge, hex("13 64 19 30 00"));
    EXPECT_EQ(r.close, hex("13 5a 30 00"));
}

TEST(TicketFrames, SettingsForBothModels)
{
    const struct {
        qint16 state;
        int number;
        bool raw;
        const char *command, *parameter, *reply;
        int compare;
    } cases[] = {
        // The issue test's echo is four bytes on "K-2200TQ": all four are
        // compared, not five.
        {616, 3, false, "13 43", "33", "13 63 33 00", 4},
        {616, 3, true, "13 43", "03", "13 63 03 30 00", 5},
        {615, 4, false, "13 41", "34", "13 61 34 00", kWholeReply},
        {615, 99, true, "13 41", "63", "13 61 63 00", kWholeReply},
        {621, 25, true, "13 46", "30 30 32 35", "13 66 30 30 32 35 00", kWholeReply},
        {622, 9999, false, "13 47", "39 39 39 39", "13 67 39 39 39 39 00", kWholeReply},
        {623, 2, false, "13 49", "32", "13 69 32 00", 4},
        {623, 2, true, "13 49", "02", "13 69 02 30 00", 5},
    };
    for (const auto &c : cases) {
        const auto s = settingFrames(c.state, c.number, c.raw);
        ASSERT_TRUE(s) << c.state;
        EXPECT_EQ(s->command, hex(c.command)) << c.state;
        EXPECT_EQ(s->parameter, hex(c.parameter)) << c.state;
        EXPECT_EQ(s->end, hex("00"));
        EXPECT_EQ(s->expectedReply, hex(c.reply)) << c.state << (c.raw ? " K-07" : " K-2200TQ");
        EXPECT_EQ(s->compareLength, c.compare) << c.state;
        EXPECT_EQ(s->open, c.raw ? hex("13 5a 31 00") : QByteArray());
        EXPECT_EQ(s->close, c.raw ? hex("13 5a 30 00") : QByteArray());
    }
    // The whole "K-07" start number 25 exchange, in order.
    EXPECT_EQ(settingFrames(621, 25, true)->sent(), hex("13 5a 31 00 13 46 30 30 32 35 00 13 5a 30 00"));
    EXPECT_EQ(settingFrames(616, 3, false)->sent(), hex("13 43 33 00"));
    EXPECT_FALSE(settingFrames(614, 1, true));
    EXPECT_FALSE(settingFrames(624, 1, true));
}

TEST(TicketFrames, IssueEnableHasNoBracket)
{
    SettingFrames s = issueEnableFrames(true);
    EXPECT_EQ(s.sent(), hex("13 48 30 00"));
    EXPECT_EQ(s.expectedReply, hex("13 68 30 00"));
    s = issueEnableFrames(false);
    EXPECT_EQ(s.sent(), hex("13 48 31 00"));
    EXPECT_EQ(s.expectedReply, hex("13 68 31 00"));
    EXPECT_EQ(s.compareLength, kWholeReply);
}

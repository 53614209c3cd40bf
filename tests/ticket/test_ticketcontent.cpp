// The content check, the line editing of the ticket window and the number
// dialog's rules: pure functions.
#include "ticket/ticketcontent.h"
#include "ticket/ticketediting.h"
#include "ticket/ticketnumber.h"
#include "tickettest.h"

TEST(TicketMagnification, FirstSecondAndLastCharacterAreChecked)
{
    const struct {
        const char *magnification;
        bool valid;
    } cases[] = {
        {"1x1", true},  {"4X4", true},  {"2x3", true}, {"1x11", true}, // only first, second, last count
        {"5x1", false}, {"1*1", false}, {"1x", false}, {"0x1", false}, {"1x5", false}, {"", false}, {"x11", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ticket::magnificationValid(QString::fromLatin1(c.magnification)), c.valid) << c.magnification;
}

TEST(TicketContentCheck, RefusesInTheOrderEmptyCodesMagnification)
{
    const struct {
        TicketContent content;
        int code, line, caret;
    } cases[] = {
        {TicketContent{}, 633, 0, -1},
        // Even a bad magnification on an empty line does not come first.
        {contentOf({{5, "", "5x1"}}), 633, 0, -1},
        {contentOf({{2, "ok"}, {3, "AB&8F", "9x9"}}), 104, 3, 3},
        {contentOf({{1, "&&&1B"}, {16, "x&2"}}), 104, 16, 2},
        // Checked on empty lines as well.
        {contentOf({{1, "A"}, {7, "", "1*1"}}), 632, 7, -1},
        {contentOf({{1, "A", "1x"}}), 632, 1, -1},
        {contentOf({{1, "A&1B&7F", "1X11"}, {16, "↓"}}), 0, 0, -1},
    };
    for (const auto &c : cases) {
        const ticket::ContentCheck r = ticket::checkContent(c.content);
        EXPECT_EQ(r.messageCode, c.code);
        EXPECT_EQ(r.line, c.line) << c.code;
        EXPECT_EQ(r.caret, c.caret) << c.code;
    }
}

TEST(TicketContent, HeaderShowsTheNumberWithTwoDigitsAndModelsTheirRanges)
{
    EXPECT_EQ(ticket::headerText(), QStringLiteral("***** 発券内容  [No.  ] *****"));
    EXPECT_EQ(ticket::headerText(7), QStringLiteral("***** 発券内容  [No.07] *****"));
    EXPECT_EQ(ticket::headerText(99), QStringLiteral("***** 発券内容  [No.99] *****"));

    EXPECT_TRUE(ticket::rawNumberModelFor(QStringLiteral("K-07")));
    EXPECT_FALSE(ticket::rawNumberModelFor(QStringLiteral("K-2200TQ")));
    EXPECT_EQ(ticket::lastFileNumber(false), 15);
    EXPECT_EQ(ticket::lastPrinterNumber(false), 4);
    EXPECT_EQ(ticket::lastPrinterNumber(true), 99);
}

TEST(TicketLineEditing, EnterEndsTheLineAndMovesOnWrappingAfter16)
{
    const struct {
        QString text;
        int caret, line;
        QString result;
        int next;
    } cases[] = {
        {"ABCD", 2, 1, "AB↓", 2},
        {"ABCD", 4, 15, "ABCD↓", 16},
        {"ABCD", 0, 16, "↓", 1},
        {"", 0, 3, "↓", 4},
        // A line that already ends in "↓" stays as it is.
        {"AB↓", 1, 16, "AB↓", 1},
        {"↓", 0, 8, "↓", 9},
    };
    for (const auto &c : cases) {
        const auto r = ticketediting::pressEnter(c.text, c.caret, c.line);
        EXPECT_EQ(r.text, c.result) << c.text.toStdString() << " @" << c.caret;
        EXPECT_EQ(r.nextLine, c.next);
    }
}

TEST(TicketLineEditing, LineEndCutsTheRestWithoutCrLfAndWarnsAbove500Bytes)
{
    auto e = ticketediting::convertLine(QStringLiteral("AB CD"), QStringLiteral("AB↓ CD"), 3);
    EXPECT_EQ(e.text, QStringLiteral("AB↓"));
    e = ticketediting::convertLine(QStringLiteral("AB"), QStringLiteral("A\r\nB　"), 3);
    EXPECT_EQ(e.text, QStringLiteral("A↓"));
    e = ticketediting::convertLine({}, QStringLiteral("x y　z"), 5);
    EXPECT_EQ(e.text, QStringLiteral("x^y＾z"));

    EXPECT_FALSE(ticketediting::convertLine({}, QString(250, u'漢'), 250).overLimit); // 500 bytes
    EXPECT_TRUE(ticketediting::convertLine({}, QString(250, u'漢') + u'a', 251).overLimit);
    EXPECT_TRUE(ticketediting::pressEnter(QString(500, u'a'), 500, 1).overLimit);

    EXPECT_TRUE(ticketediting::convertsEdits(600));
    EXPECT_FALSE(ticketediting::convertsEdits(610));
    EXPECT_FALSE(ticketediting::convertsEdits(613));
}

TEST(TicketNumberDialog, AcceptsOnlyTheRangeOfStateAndModel)
{
    const struct {
        qint16 state;
        bool raw;
        const char *text;
        int number; // 0: refused with 630
    } cases[] = {
        {610, false, "15", 15},    {610, false, "16", 0},   {610, true, "99", 99},
        {611, true, "100", 0},     {612, false, "1", 1},    {613, false, "4", 4},
        {613, false, "5", 0},      {614, true, "99", 99},   {615, false, "0", 0},
        {616, true, "", 0},        {623, false, "4", 4},    {623, false, "5", 0},
        {621, true, "9999", 9999}, {622, false, "0001", 1}, {621, false, "10000", 0},
        {625, true, "5", 5},       {625, true, "4", 0},     {625, false, "13", 0},
        {625, true, "12", 12},     {600, true, "1", 0}, // no dialog in this state
    };
    for (const auto &c : cases) {
        const auto a = ticketnumber::accept(QString::fromLatin1(c.text), c.state, c.raw);
        EXPECT_EQ(a ? a->number : 0, c.number) << c.state << " '" << c.text << "'";
    }
    // Every variant refuses 0 and an empty box.
    for (qint16 state : {610, 611, 612, 613, 614, 615, 616, 621, 622, 623, 625}) {
        for (bool raw : {true, false}) {
            EXPECT_FALSE(ticketnumber::accept(QStringLiteral("0"), state, raw)) << state;
            EXPECT_FALSE(ticketnumber::accept(QString(), state, raw)) << state;
        }
    }
}

TEST(TicketNumberDialog, BarcodeHeightIsMillimetresTimesEight)
{
    const auto a = ticketnumber::accept(QStringLiteral("7"), 625, true);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->barcodeHeight, 56);
    EXPECT_FALSE(ticketnumber::accept(QStringLiteral("3"), 623, true)->barcodeHeight);
}

TEST(TicketNumberDialog, VariantsFollowTheModelAndClosingReturnsToTheCaller)
{
    auto v = ticketnumber::variantFor(613, false);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->caption, QStringLiteral("TQプリンタから読込"));
    EXPECT_EQ(v->label, QStringLiteral("プリンタから読込ます。\n読込番号の選択(1～4)"));
    EXPECT_EQ(v->maxLength, 1);
    v = ticketnumber::variantFor(610, false);
    EXPECT_EQ(v->label, QStringLiteral("ファイルを開きます。\n読込番号の選択(1～15)"));
    EXPECT_EQ(v->maxLength, 2);
    v = ticketnumber::variantFor(623, true);
    EXPECT_EQ(v->label, QStringLiteral("発券する内容を指定します。\n範囲は1～99です。"));
    v = ticketnumber::variantFor(621, false);
    EXPECT_EQ(v->maxLength, 4);
    EXPECT_EQ(v->maximum, 9999);

    EXPECT_EQ(ticketnumber::stateAfterClose(625), 620);
    EXPECT_EQ(ticketnumber::stateAfterClose(621), 620);
    EXPECT_EQ(ticketnumber::stateAfterClose(616), 600);
    EXPECT_EQ(ticketnumber::stateAfterClose(615), 600);
    EXPECT_EQ(ticketnumber::stateAfterClose(611), 611);
}

// Ticket contents in .msd files: open, save, delete and the listing
// against real files with a scripted prompter and a scripted number dialog.
#include "message/msdfile.h"
#include "ticket/ticketfileoperations.h"
#include "tickettest.h"

#include "base/cp932.h"

#include <QFileInfo>

namespace {

class TicketFileTest : public MessageTest {
protected:
    TicketFileTest()
        : ops(*ctx, [this]() -> std::optional<int> {
              statesAsked << ctx->state.toolState;
              return number;
          })
    {
        ctx->state.toolState = ToolStates::Ticket;
    }

    // A file of `records` empty records with the given record texts.
    QString makeFile(const QString &name, const QMap<int, QByteArray> &texts = {}, int records = 255)
    {
        const QString file = path(name);
        QByteArray all = emptyFile(records);
        for (auto it = texts.begin(); it != texts.end(); ++it)
            all.replace((it.key() - 1) * 512, 512, record(it.value()));
        writeBytes(file, all);
        return file;
    }
    TicketForm form(const QString &file, const TicketContent &content = {}, bool raw = true)
    {
        return TicketForm{file, content, raw, 0};
    }
    static QByteArray recordAt(const QByteArray &all, int n) { return all.mid((n - 1) * 512, 512); }

    std::optional<int> number = 3; // what the number dialog returns
    QList<qint16> statesAsked;
    TicketFileOperations ops;
};

} // namespace

TEST_F(TicketFileTest, SaveWritesRecords33To48ForContent3AndNothingElse)
{
    const QString file = makeFile("t.msd", {{32, "1x1keep"}, {49, "1x1keep"}});
    const QByteArray before = bytesOf(file);
    TicketForm f = form(file, contentOf({{1, "AB^漢", "2x1"}, {16, "#番号の印字#↓", "4X4"}}));
    ASSERT_TRUE(ops.save(f));
    EXPECT_EQ(p->codes(), QList<int>{634});
    EXPECT_EQ(statesAsked, QList<qint16>{611});
    EXPECT_EQ(ctx->state.toolState, ToolStates::Ticket);
    EXPECT_EQ(f.headerNumber, 3);

    const QByteArray after = bytesOf(file);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(recordAt(after, 33), record(cp932::encode(QStringLiteral("2x1AB^漢"))));
    for (int k = 2; k <= 15; ++k)
        EXPECT_EQ(recordAt(after, 32 + k), record("1x1")) << k; // empty lines keep their magnification
    EXPECT_EQ(recordAt(after, 48), record(cp932::encode(QStringLiteral("4X4#番号の印字#↓"))));
    EXPECT_EQ(after.left(32 * 512), before.left(32 * 512));
    EXPECT_EQ(after.mid(48 * 512), before.mid(48 * 512));
}

TEST_F(TicketFileTest, DeleteThenOpenShowsSixteenEmptyLines)
{
    const QString file = makeFile("t.msd");
    TicketForm f = form(file, contentOf({{1, "A", "3x3"}, {9, "B"}}));
    ASSERT_TRUE(ops.save(f));

    p->clear();
    p->script({Answer::Yes});
    ASSERT_TRUE(ops.remove(f));
    EXPECT_EQ(p->codes(), (QList<int>{636, 637}));
    EXPECT_TRUE(p->requests[0].text.contains(QStringLiteral("保存番号3を削除します。")));
    const QByteArray after = bytesOf(file);
    for (int r = 33; r <= 48; ++r)
        EXPECT_EQ(recordAt(after, r), record({})) << r;

    TicketForm opened = form(file, contentOf({{4, "stale", "2x2"}}));
    ASSERT_TRUE(ops.open(opened));
    EXPECT_EQ(opened.content, TicketContent{});
    EXPECT_EQ(opened.headerNumber, 3);
    EXPECT_EQ(statesAsked, (QList<qint16>{611, 612, 610}));
}

TEST_F(TicketFileTest, OpenReadsMagnificationAndTextAndAShortFileAsEmptyLines)
{
    // 20 records: content 2 (records 17..32) is cut after its line 4.
    const QString file = makeFile(
        "short.msd", {{17, "2x1A^B"}, {18, cp932::encode(QStringLiteral("1X4漢字"))}, {19, "3x"}, {20, "4x4"}}, 20);
    number = 2;
    TicketForm f = form(file);
    ASSERT_TRUE(ops.open(f));
    EXPECT_EQ(f.content.line(1), (TicketLine{"A^B", "2x1"}));
    EXPECT_EQ(f.content.line(2), (TicketLine{"漢字", "1X4"}));
    EXPECT_EQ(f.content.line(3), (TicketLine{"", "3x"}));
    EXPECT_EQ(f.content.line(4), (TicketLine{"", "4x4"}));
    for (int k = 5; k <= 16; ++k)
        EXPECT_EQ(f.content.line(k), TicketLine{}) << k;
    EXPECT_TRUE(p->codes().isEmpty());
    EXPECT_EQ(bytesOf(file).size(), 20 * 512); // reading changes nothing
}

TEST_F(TicketFileTest, SavingAContentPastTheEndFillsTheGap)
{
    const QString file = makeFile("t.msd", {}, 255);
    number = 20; // "K-07": records 305..320
    TicketForm f = form(file, contentOf({{1, "X"}}));
    ASSERT_TRUE(ops.save(f));
    const QByteArray after = bytesOf(file);
    ASSERT_EQ(after.size(), 320 * 512);
    EXPECT_EQ(recordAt(after, 300), record({}));
    EXPECT_EQ(recordAt(after, 305), record("1x1X"));
    EXPECT_EQ(MsdFile(file).inspect(320).damaged(), false);
}

TEST_F(TicketFileTest, OverwriteAsksAndNoLeavesTheFileByteIdentical)
{
    // One line of the content in use is enough.
    const QString file = makeFile("t.msd", {{40, "1x1old"}});
    const QByteArray before = bytesOf(file);
    TicketForm f = form(file, contentOf({{1, "new"}}));
    p->script({Answer::No});
    EXPECT_FALSE(ops.save(f));
    EXPECT_EQ(p->codes(), QList<int>{635});
    EXPECT_TRUE(p->requests[0].text.contains(QStringLiteral("保存番号3は既に使用されています。")));
    EXPECT_EQ(bytesOf(file), before);
    EXPECT_EQ(f.headerNumber, 0);

    p->clear();
    p->script({Answer::Yes});
    EXPECT_TRUE(ops.save(f));
    EXPECT_EQ(p->codes(), (QList<int>{635, 634}));
    EXPECT_EQ(recordAt(bytesOf(file), 40), record("1x1"));
}

TEST_F(TicketFileTest, RefusedContentNeverAsksForANumberNorTouchesTheFile)
{
    const QString file = makeFile("t.msd");
    const QByteArray before = bytesOf(file);
    const struct {
        TicketContent content;
        int code, line, caret;
    } cases[] = {
        {TicketContent{}, 633, 0, -1},
        {contentOf({{2, "ab&G0"}}), 104, 2, 3},
        {contentOf({{1, "a"}, {12, "", "5x1"}}), 632, 12, -1},
        // 506 bytes of text fit with the magnification and the 0xFF; 507 do not.
        {contentOf({{1, QString(253, u'漢')}, {3, QString(253, u'漢') + u'x'}}), 101, 3, -1},
    };
    for (const auto &c : cases) {
        p->clear();
        TicketForm f = form(file, c.content);
        ticket::ContentCheck refused;
        EXPECT_FALSE(ops.save(f, &refused));
        EXPECT_EQ(p->codes(), QList<int>{c.code});
        EXPECT_EQ(refused.line, c.line) << c.code;
        EXPECT_EQ(refused.caret, c.caret) << c.code;
    }
    EXPECT_TRUE(statesAsked.isEmpty());
    EXPECT_EQ(bytesOf(file), before);
}

TEST_F(TicketFileTest, CancelledOrOutOfRangeNumberChangesNothing)
{
    const QString file = makeFile("t.msd", {{1, "1x1keep"}});
    const QByteArray before = bytesOf(file);
    const TicketContent content = contentOf({{1, "A"}});
    for (const std::optional<int> n : {std::optional<int>{}, std::optional<int>{16}, std::optional<int>{0}}) {
        number = n;
        p->clear();
        TicketForm f = form(file, content, false); // "K-2200TQ": 1..15
        EXPECT_FALSE(ops.open(f));
        EXPECT_FALSE(ops.save(f));
        EXPECT_FALSE(ops.remove(f));
        EXPECT_TRUE(p->codes().isEmpty());
        EXPECT_EQ(f.content, content);
        EXPECT_EQ(f.headerNumber, 0);
        EXPECT_EQ(ctx->state.toolState, ToolStates::Ticket);
    }
    EXPECT_EQ(bytesOf(file), before);
}

TEST_F(TicketFileTest, ReadOnlyFileIsReportedBeforeAnyQuestion)
{
    const QString file = makeFile("ro.msd", {{33, "1x1keep"}});
    QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup);
    const QByteArray before = bytesOf(file);

    TicketForm f = form(file, contentOf({{1, "new"}}));
    EXPECT_FALSE(ops.save(f));
    ASSERT_EQ(p->requests.size(), 1);
    EXPECT_TRUE(p->requests[0].text.contains(QStringLiteral("書き込めませんでした")));

    p->clear();
    EXPECT_FALSE(ops.remove(f));
    ASSERT_EQ(p->requests.size(), 1);
    EXPECT_EQ(p->requests[0].code, 0);
    EXPECT_EQ(bytesOf(file), before);

    // Opening still works.
    p->clear();
    EXPECT_TRUE(ops.open(f));
    EXPECT_EQ(f.content.line(1).text, QStringLiteral("keep"));
}

TEST_F(TicketFileTest, ListingCoversContents1To15OnlyWithSpacesBack)
{
    const QString file = makeFile("t.msd");
    MsdFile msd(file);
    ASSERT_TRUE(msd.writeRecords({
        {1, cp932::encode(QStringLiteral("2x1A^B＾C"))},
        {2, "1x1"}, // an empty line is not listed
        {16, "1x1last line of 1"},
        {ticketfile::recordOf(15, 16), cp932::encode(QStringLiteral("4x4↓"))},
        {ticketfile::recordOf(16, 1), "1x1sixteen"},
    }));
    TicketForm f = form(file);
    const auto text = ops.printText(f);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, QStringLiteral("ファイル名　") + file + QStringLiteral("\r\n") +
                         QStringLiteral("[No.1-1]  2x1 A B　C\r\n"
                                        "[No.1-16]  1x1 last line of 1\r\n"
                                        "[No.15-16]  4x4 ↓\r\n"));
}

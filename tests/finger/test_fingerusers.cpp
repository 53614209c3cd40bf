// The ID rules for a new user and the registrant list of the unit.
#include "finger/fingerusers.h"
#include "finger/registrantlist.h"

#include <gtest/gtest.h>

namespace {

QByteArray b(const char *s) { return QByteArray(s); }
QByteArray nul() { return QByteArray(1, '\0'); }
QByteArray etx() { return QByteArray(1, '\x03'); }
// A reply as the unit sends it: STX, reply byte, entries, ETX.
QByteArray reply(const QByteArray &entries) { return "\x02l" + entries + etx(); }

std::array<QByteArray, 2> ids(const QByteArray &finger1, const QByteArray &finger2 = {}) { return {finger1, finger2}; }

FingerUsers tableWith(int row, const QByteArray &finger1, const QByteArray &finger2)
{
    FingerUsers users;
    users[row].userId = {finger1, finger2};
    return users;
}

} // namespace

TEST(FingerIds, RulesForANewUser)
{
    // Row 5 holds ABC1234 / XYZ9876.
    const FingerUsers users = tableWith(5, "ABC1234", "XYZ9876");
    struct Case {
        const char *what;
        QString finger1, finger2;
        int notice;
        bool red1, red2;
    } cases[] = {
        {"spaces", "       ", "       ", 0, false, false},
        {"half-width katakana and DEL", QString::fromUtf8("ｱｲｳｴｵﾟ\x7f"), "!~{}|\\_", 0, false, false},
        {"full-width character", QString::fromUtf8("ABC１234"), "QQQ0001", 930, false, false},
        {"full-width in finger 2", "QQQ0001", QString::fromUtf8("ＡＢＣ1234"), 930, false, false},
        {"6 characters", "ABC123", "QQQ0001", 930, false, false},
        {"8 characters", "QQQ0001", "ABC12345", 930, false, false},
        {"control character", "ABC\t123", "QQQ0001", 930, false, false},
        {"outside CP932", QString::fromUtf8("ABC123é"), "QQQ0001", 930, false, false},
        {"empty", "", "QQQ0001", 930, false, false},
        {"finger-2 ID of a row, entered for finger 1", "XYZ9876", "QQQ0001", 931, true, false},
        {"finger-1 ID of a row, entered for finger 2", "QQQ0001", "ABC1234", 931, false, true},
        {"both duplicates", "XYZ9876", "ABC1234", 931, true, true},
        {"the same new ID for both fingers", "QQQ0001", "QQQ0001", 0, false, false},
        {"case differs from a registered ID", "abc1234", "QQQ0001", 0, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const IdCheck check = users.checkNewIds(c.finger1, c.finger2);
        EXPECT_EQ(check.notice, c.notice);
        EXPECT_EQ(check.duplicate[0], c.red1);
        EXPECT_EQ(check.duplicate[1], c.red2);
        if (check.valid()) {
            EXPECT_EQ(check.ids[0].size(), 7);
            EXPECT_EQ(check.ids[1].size(), 7);
        }
    }
    EXPECT_EQ(users.checkNewIds(QString::fromUtf8("ｱｲｳｴｵｶｷ"), "A").notice, 930);
    EXPECT_EQ(*FingerUsers::encodeId(QString::fromUtf8("ｱｲｳｴｵｶｷ")), b("\xB1\xB2\xB3\xB4\xB5\xB6\xB7"));
}

TEST(FingerIds, FindingARecognisedFinger)
{
    FingerUsers users = tableWith(3, "ABC1234", "XYZ9876");
    users[9].userId = {"       ", {}};
    EXPECT_EQ(users.findRow(fingers::fingerOfMarker('P'), "ABC1234"), 3);
    EXPECT_EQ(users.findRow(fingers::fingerOfMarker('\0'), "XYZ9876"), 3);
    EXPECT_EQ(users.findRow(fingers::fingerOfMarker('\0'), "ABC1234"), 0); // wrong finger
    EXPECT_EQ(users.findRow(0, "       "), 0);                             // a blank ID never matches
}

TEST(RegistrantList, Parsing)
{
    using Rows = QList<std::array<QByteArray, 2>>;
    struct Case {
        const char *what;
        QByteArray reply;
        Rows rows;
        int nextFree;
        bool empty;
    } cases[] = {
        {"two registrants, the second with one finger",
         reply("PABC1234" + nul() + "XYZ9876" + "PQQQ0001"),
         {ids("ABC1234", "XYZ9876"), ids("QQQ0001")},
         3,
         false},
        {"nobody: one entry of spaces", reply("P       "), {}, 1, true},
        {"nobody, space as start byte", reply("        "), {}, 1, true},
        {"one registrant with one finger is not nobody", reply("PABC1234"), {ids("ABC1234")}, 2, false},
        {"P inside an ID", reply("PP123456" + nul() + "1234P56"), {ids("P123456", "1234P56")}, 2, false},
        {"space as start byte and inside an ID",
         reply(" AB CD E" + nul() + "  PP  P" + " QQQ0001"),
         {ids("AB CD E", "  PP  P"), ids("QQQ0001")},
         3,
         false},
        {"only finger 2", reply(nul() + "XYZ9876"), {ids({}, "XYZ9876")}, 2, false},
        {"bytes before the first entry belong to no ID", reply("zzPABC1234"), {ids("ABC1234")}, 2, false},
        {"a finger-2 ID cut short keeps its row taken", reply("PABC1234" + nul() + "XY"), {ids("ABC1234")}, 2, false},
        {"a lone finger-2 ID cut short takes no row", reply(nul() + "XY"), {}, 1, false},
        {"everything after the first ETX is ignored",
         reply("PABC1234") + "PXYZ9876" + etx(),
         {ids("ABC1234")},
         2,
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const RegistrantList list = registrantlist::parse(c.reply);
        EXPECT_TRUE(list.complete);
        EXPECT_EQ(list.rows, c.rows);
        EXPECT_EQ(list.nextFreeRow, c.nextFree);
        EXPECT_EQ(list.empty, c.empty);
    }
    // ETX lost: nothing to parse.
    EXPECT_FALSE(registrantlist::parse("\x02lPABC1234").complete);
    EXPECT_FALSE(registrantlist::parse("\x02").complete);
}

TEST(RegistrantList, AHundredRegistrantsLoad)
{
    QByteArray entries;
    for (int n = 1; n <= 101; ++n)
        entries += "P" + QByteArray::number(1000000 + n) + nul() + QByteArray::number(2000000 + n);
    const QByteArray full = reply(entries.left(100 * 16));
    EXPECT_LE(full.size(), registrantlist::kReplyLimit);

    const RegistrantList list = registrantlist::parse(full);
    ASSERT_TRUE(list.complete);
    ASSERT_EQ(list.rows.size(), 100);
    EXPECT_EQ(list.rows[99][0], b("1000100"));
    EXPECT_EQ(list.rows[99][1], b("2000100"));
    EXPECT_EQ(list.nextFreeRow, 101);

    // One more than the table holds: the table stays at 100 rows.
    const RegistrantList over = registrantlist::parse(reply(entries));
    EXPECT_EQ(over.rows.size(), 100);
    EXPECT_EQ(over.nextFreeRow, 101);

    // A reply that never ends is cut at the limit, not parsed on.
    QByteArray endless = "\x02l" + QByteArray(registrantlist::kReplyLimit, 'P') + etx();
    EXPECT_FALSE(registrantlist::parse(endless).complete);
}

TEST(RegistrantList, ReplacesTheTablesIdsAndKeepsTemplates)
{
    FingerUsers users = tableWith(4, "OLD0001", "OLD0002");
    users[1].fingerTemplate[0] = "\x02kept\x03x";

    ASSERT_TRUE(users.applyRegistrantList(registrantlist::parse(reply("PABC1234" + nul() + "XYZ9876"))));
    EXPECT_TRUE(users.registrantsLoaded());
    EXPECT_EQ(users[1].userId[0], b("ABC1234"));
    EXPECT_TRUE(users[4].userId[0].isEmpty());
    EXPECT_EQ(users[1].fingerTemplate[0], b("\x02kept\x03x"));
    EXPECT_EQ(users.nextFreeRow(), 2);
    EXPECT_EQ(users.rowCount(), 1);

    ASSERT_TRUE(users.applyRegistrantList(registrantlist::parse(reply("P       "))));
    EXPECT_FALSE(users.registrantsLoaded());
    EXPECT_TRUE(users[1].userId[0].isEmpty());
    EXPECT_EQ(users.nextFreeRow(), 1);

    // A broken reply leaves the table as it was.
    users[2].userId[0] = "KEEP123";
    EXPECT_FALSE(users.applyRegistrantList(registrantlist::parse("\x02lPABC1234")));
    EXPECT_EQ(users[2].userId[0], b("KEEP123"));
}

TEST(FingerList, SaveTarget)
{
    struct Case {
        int loadedRows, first, last;
        bool dataFile;
    } cases[] = {
        {5, 1, 5, true}, {5, 1, 101, true}, {5, 2, 5, false}, {5, 1, 4, false}, {1, 1, 1, false}, {0, 1, 1, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.loadedRows << " rows, " << c.first << ".." << c.last);
        FingerUsers users;
        users.setNextFreeRow(c.loadedRows + 1);
        EXPECT_EQ(users.savesToDataFile(c.first, c.last), c.dataFile);
    }
}

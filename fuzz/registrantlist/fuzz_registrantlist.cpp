// libFuzzer target: the fingerprint unit's registrant list reply, parsed
// and put into the registrant table.
//
// Input: a mode byte; mode 0 takes the rest as the reply. Mode 1 builds a
// list from it: per registrant a byte (bit 0 a second finger, bit 1 the
// blank start byte instead of "P") and the ID bytes; the list must come
// back row by row.
#include "fuzzsupport.h"

#include "finger/fingerusers.h"
#include "finger/registrantlist.h"

using fuzzsupport::check;

namespace {

void checkList(const QByteArray &reply, const RegistrantList &list)
{
    check(list.complete == reply.mid(2, registrantlist::kReplyLimit - 2).contains(fingers::kEtx),
          "complete exactly when an ETX came within the limit");
    check(list.rows.size() <= fingers::kRows, "at most 100 rows");
    check(list.nextFreeRow >= 1 && list.nextFreeRow <= fingers::kRows + 1, "the next free row is 1..101");
    check(list.rows.size() < list.nextFreeRow, "the next free row follows the rows");
    bool anyId = false;
    for (const auto &row : list.rows)
        for (const QByteArray &id : row) {
            check(id.isEmpty() || id.size() == fingers::kIdSize, "an ID is 7 bytes");
            anyId = anyId || !id.isEmpty();
        }
    check(!anyId || list.idSeen, "an ID seen is an ID seen");
    if (list.empty)
        check(list.rows.isEmpty() && list.nextFreeRow == 1, "an empty list has no rows");
    if (!list.complete)
        check(list.rows.isEmpty() && !list.idSeen, "an incomplete list has nothing");

    FingerUsers users;
    users[5].userId = {QByteArray("OLDID05"), QByteArray()};
    users[5].fingerTemplate[0] = QByteArray("\x02kept\x03!", 7);
    const bool applied = users.applyRegistrantList(list);
    check(applied == list.complete, "only a complete list changes the table");
    check(users[5].fingerTemplate[0].size() == 7, "a list read keeps the templates");
    if (!applied)
        return;
    for (int row = 1; row <= fingers::kRows; ++row) {
        const auto expected = row <= list.rows.size() ? list.rows[row - 1] : std::array<QByteArray, 2>{};
        check(users[row].userId == expected, "the table holds the list's IDs");
    }
    check(users.rowCount() == list.nextFreeRow - 1, "the row count follows the list");
}

// ID bytes that are no frame byte: STX is skipped wherever it comes, ETX
// ends the list, NUL starts finger 2.
char idByte(quint8 b)
{
    const char c = char(0x20 + b % 0x5F);
    return c;
}

void roundTrip(fuzzsupport::Input &in)
{
    QList<std::array<QByteArray, 2>> rows;
    QByteArray reply("\x02l", 2);
    while (in.remaining() > 0 && rows.size() < fingers::kRows) {
        const quint8 shape = in.byte();
        std::array<QByteArray, 2> row;
        for (int f = 0; f < ((shape & 1) ? 2 : 1); ++f) {
            for (int i = 0; i < fingers::kIdSize; ++i)
                row[f] += idByte(in.byte());
            reply += f == 0 ? ((shape & 2) ? ' ' : fingers::kMarkerFinger1) : fingers::kMarkerFinger2;
            reply += row[f];
        }
        rows << row;
    }
    reply += fingers::kEtx;
    const RegistrantList list = registrantlist::parse(reply);
    checkList(reply, list);
    check(list.complete, "a built list is complete");
    // The unit's answer for nobody: one ID of 7 spaces alone.
    if (rows.size() == 1 && rows[0][1].isEmpty() && rows[0][0] == QByteArray(fingers::kIdSize, ' ')) {
        check(list.empty && list.rows.isEmpty() && list.nextFreeRow == 1, "the blank list is empty");
        return;
    }
    if (reply.size() > registrantlist::kReplyLimit)
        return; // collecting stops there: cut, not a list
    check(!list.empty, "a list with registrants is not empty");
    check(list.rows == rows, "every registrant comes back in its row");
    check(list.nextFreeRow == qMin(int(rows.size()) + 1, fingers::kRows + 1), "the next free row follows them");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzsupport::Input in(data, size);
    if (in.byte() % 2 == 0) {
        const QByteArray reply = in.rest();
        checkList(reply, registrantlist::parse(reply));
    } else {
        roundTrip(in);
    }
    return 0;
}

#pragma once
// The fingerprint unit's registrant list ("L" reply) as rows of user IDs.
#include <QByteArray>
#include <QList>

#include <array>

// What a list reply held.
struct RegistrantList {
    // rows[0] is list row 1; an ID not in the reply stays empty. At most
    // 100 rows: IDs beyond the table are dropped.
    QList<std::array<QByteArray, 2>> rows;
    int nextFreeRow = 1;
    bool idSeen = false;   // at least one ID character came
    bool empty = false;    // the unit reports that it holds nobody
    bool complete = false; // an ETX ended the list within the limit
};

namespace registrantlist {

// The longest reply a full table gives: STX, the reply byte, 100 entries of
// two fingers (16 bytes each) and ETX, with room to spare. Collecting
// stops here; a reply without ETX by then is not a list.
constexpr int kReplyLimit = 2048;

// The reply as received, from its STX on. The first two bytes (STX and the
// reply byte) are skipped; the text up to the first ETX is parsed.
RegistrantList parse(const QByteArray &reply);

} // namespace registrantlist

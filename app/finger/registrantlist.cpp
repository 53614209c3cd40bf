#include "registrantlist.h"

#include "fingerusers.h"

namespace registrantlist {

RegistrantList parse(const QByteArray &reply)
{
    RegistrantList out;
    const QByteArray text = reply.mid(2, kReplyLimit - 2);
    const qsizetype end = text.indexOf(fingers::kEtx);
    if (end < 0)
        return out;
    out.complete = true;

    // An entry is a start byte and 7 ID characters for finger 1, then
    // optionally 0x00 and 7 for finger 2. `count` is 1 right after a start
    // byte and 8 once the ID is whole; a start byte or space in between is
    // part of the ID.
    int row = 1;
    int column = 0;
    int count = 0;
    bool afterSecond = true; // the row has already advanced (or none began)
    QByteArray id;
    for (qsizetype i = 0; i < end; ++i) {
        const char c = text[i];
        const bool insideId = count >= 1 && count < 8;
        if (c == fingers::kStx)
            continue;
        if (c == fingers::kMarkerFinger2) {
            column = 1;
            count = 1;
            afterSecond = true;
            id.clear();
            continue;
        }
        if ((c == fingers::kMarkerFinger1 || c == ' ') && !insideId) {
            column = 0;
            if (!afterSecond)
                ++row;
            count = 1;
            afterSecond = false;
            id.clear();
            continue;
        }
        // Bytes outside an entry belong to no ID.
        if (!insideId)
            continue;
        id += c;
        ++count;
        out.idSeen = true;
        if (count == 8) {
            if (row <= fingers::kRows) {
                while (out.rows.size() < row)
                    out.rows.append(std::array<QByteArray, 2>{});
                out.rows[row - 1][column] = id;
            }
            if (column == 1)
                ++row;
        }
    }
    if (!afterSecond)
        ++row;
    // A finger-2 ID cut short by the ETX leaves its row unfinished: the
    // row still holds finger 1, so a new user must not take it.
    row = std::max(row, int(out.rows.size()) + 1);
    out.nextFreeRow = std::min(row, fingers::kRows + 1);

    // The unit's answer when it holds nobody: one entry of 7 spaces, ETX at
    // the 9th byte. A single registrant with one finger has its ETX there
    // too, so the ID decides.
    if (end == 8 && text.mid(1, fingers::kIdSize) == QByteArray(fingers::kIdSize, ' ')) {
        out.rows.clear();
        out.nextFreeRow = 1;
        out.empty = true;
    }
    return out;
}

} // namespace registrantlist

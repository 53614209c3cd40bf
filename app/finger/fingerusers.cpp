#include "fingerusers.h"

#include "base/cp932.h"
#include "registrantlist.h"

namespace fingers {

bool isBlankId(const QByteArray &id)
{
    for (const char c : id)
        if (c != ' ')
            return false;
    return true;
}

} // namespace fingers

namespace {

bool singleByteIdCode(unsigned char b) { return (b >= 0x20 && b <= 0x7F) || (b >= 0xA0 && b <= 0xDF); }

} // namespace

void FingerUsers::clearIds()
{
    for (FingerUser &u : users_)
        u.userId = {};
}

std::optional<QByteArray> FingerUsers::encodeId(const QString &id)
{
    if (id.size() != fingers::kIdSize)
        return std::nullopt;
    QByteArray bytes;
    for (const QChar ch : id) {
        const QString one(ch);
        const QByteArray b = cp932::encode(one);
        // The round trip rules out characters CP932 would store as "?" or
        // as a look-alike.
        if (b.size() != 1 || !singleByteIdCode(static_cast<unsigned char>(b[0])) || cp932::decode(b) != one)
            return std::nullopt;
        bytes += b;
    }
    return bytes;
}

IdCheck FingerUsers::checkNewIds(const QString &finger1, const QString &finger2) const
{
    IdCheck check;
    const std::array<std::optional<QByteArray>, 2> ids{encodeId(finger1), encodeId(finger2)};
    if (!ids[0] || !ids[1]) {
        check.notice = 930;
        return check;
    }
    for (int f = 0; f < 2; ++f) {
        for (int row = 1; row <= fingers::kRows && !check.duplicate[f]; ++row)
            check.duplicate[f] = users_[row].userId[0] == *ids[f] || users_[row].userId[1] == *ids[f];
    }
    if (check.duplicate[0] || check.duplicate[1]) {
        check.notice = 931;
        return check;
    }
    check.ids = {*ids[0], *ids[1]};
    return check;
}

int FingerUsers::findRow(int finger, const QByteArray &id) const
{
    if (finger < 0 || finger > 1 || fingers::isBlankId(id))
        return 0;
    for (int row = 1; row <= fingers::kRows; ++row)
        if (users_[row].userId[finger] == id)
            return row;
    return 0;
}

bool FingerUsers::applyRegistrantList(const RegistrantList &list)
{
    if (!list.complete)
        return false;
    clearIds();
    for (int i = 0; i < list.rows.size() && i < fingers::kRows; ++i)
        users_[i + 1].userId = list.rows[i];
    loaded_ = list.idSeen && !list.empty;
    nextFree_ = list.nextFreeRow;
    return true;
}

bool FingerUsers::savesToDataFile(int selectionFirst, int selectionLast) const
{
    const int last = firstRow() + rowCount() - 1;
    return selectionFirst == firstRow() && selectionLast >= last && rowCount() > 1;
}

void FingerUsers::setSelectedFiles(const QStringList &paths) { selected_ = paths.mid(0, fingers::kRows); }

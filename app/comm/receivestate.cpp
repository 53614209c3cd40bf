#include "receivestate.h"

quint8 ByteTable::at(int column, int row) const
{
    return inRange(column, row) ? data_[size_t(column) * kRows + size_t(row)] : 0;
}

void ByteTable::set(int column, int row, quint8 value)
{
    if (inRange(column, row))
        data_[size_t(column) * kRows + size_t(row)] = value;
}

int ByteTable::store(int column, const QByteArray &bytes)
{
    if (!inRange(column, 0))
        return 0;
    const int n = int(qMin<qsizetype>(bytes.size(), kRows));
    std::copy(bytes.constBegin(), bytes.constBegin() + n,
              reinterpret_cast<char *>(data_.data()) + size_t(column) * kRows);
    return n;
}

QByteArray ByteTable::column(int column) const
{
    if (!inRange(column, 0))
        return {};
    return QByteArray(reinterpret_cast<const char *>(data_.data()) + size_t(column) * kRows, kRows);
}

QByteArray ByteTable::columnUpTo(int column, quint8 mark) const
{
    const QByteArray all = this->column(column);
    const qsizetype end = all.indexOf(char(mark));
    return end < 0 ? all : all.left(end);
}

void ByteTable::clear() { std::fill(data_.begin(), data_.end(), 0); }

void MonitorStore::put(const QByteArray &record)
{
    const QByteArray cut = record.left(ByteTable::kRows);
    slot(writeSlot) = cut;
    writeSlot = writeSlot % 3 + 1;
    queue.push_back(cut);
    while (queue.size() > size_t(kQueueLimit))
        queue.pop_front();
}

void MonitorStore::reset()
{
    for (auto &s : slotData)
        s.clear();
    writeSlot = 1;
    queue.clear();
}

void ReceiveState::setExpectedReply(const QByteArray &reply)
{
    expectedReply = reply.left(kExpectedSize);
    expectedReply.append(QByteArray(kExpectedSize - expectedReply.size(), '\0'));
}

void ReceiveState::clearText()
{
    text.clear();
    bytes.clear();
}

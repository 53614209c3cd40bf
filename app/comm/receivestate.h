#pragma once
// What the receive side collects for the tools: the current reply, the
// stream it is cut from, and the stores the tools read afterwards. Every
// store has a fixed size and every write is bounds-checked: a frame longer
// than a store is cut, never written past it.
#include <QByteArray>
#include <QtGlobal>

#include <array>
#include <deque>
#include <vector>

// 256 columns of 513 bytes: RecordTable (message and unit-setting reads,
// one column per record number) and LineBuffer (ticket reads, one column
// per line slot). Row r of a column holds byte r of what was stored.
class ByteTable {
public:
    static constexpr int kColumns = 256;
    static constexpr int kRows = 513;

    ByteTable() : data_(size_t(kColumns) * kRows, 0) {}

    // Out-of-range reads give 0; out-of-range writes are ignored.
    quint8 at(int column, int row) const;
    void set(int column, int row, quint8 value);
    // Writes the bytes to rows 0.. of the column, cut at 513; rows after
    // them keep their old bytes. Returns how many were written.
    int store(int column, const QByteArray &bytes);
    // The whole column (513 bytes; empty for a bad column).
    QByteArray column(int column) const;
    // The column's bytes before the first occurrence of mark (all 513 when
    // there is none).
    QByteArray columnUpTo(int column, quint8 mark) const;
    void clear();

private:
    static bool inRange(int column, int row) { return column >= 0 && column < kColumns && row >= 0 && row < kRows; }
    std::vector<quint8> data_;
};

// The status monitor's records (record rotation): three rotating slots
// filled 1, 2, 3, 1 ..., and a queue of every record in order of arrival
// for a window that must not miss any.
struct MonitorStore {
    static constexpr int kQueueLimit = 1000; // oldest records go beyond this
    std::array<QByteArray, 3> slotData;      // MonitorSlot1..3
    int writeSlot = 1;                       // MonitorWriteSlot, 1..3
    std::deque<QByteArray> queue;

    QByteArray &slot(int n) { return slotData[size_t(qBound(1, n, 3) - 1)]; }
    // Stores a record (cut at 513 bytes) in the write slot and the queue.
    void put(const QByteArray &record);
    void reset();
};

struct ReceiveState {
    static constexpr int kExpectedSize = 9; // ExpectedReply[0..8]
    static constexpr int kWindowSize = 320; // ReceiveWindow

    // The current reply.
    QByteArray bytes; // ReceiveBytes: the frame a framing delivered
    int count = 0;    // ReceiveCount: compare index, or the window's fill
    bool replyComplete = false;
    QByteArray expectedReply = QByteArray(kExpectedSize, '\0');
    QByteArray window; // ReceiveWindow: newest bytes, print tester

    // The stream and the multi-line framings.
    QByteArray text; // ReceiveText: received, not yet consumed
    bool framesComplete = false;
    bool frameStarted = false;

    ByteTable records;      // RecordTable
    quint8 recordIndex = 0; // RecordIndex
    ByteTable lines;        // LineBuffer
    int lineSlot = 16;      // LineSlot, 16 down to 1 and round again
    MonitorStore monitor;
    QByteArray block; // fingerprint template bytes (ETX block)

    // ExpectedReply from bytes: the first 9, the rest zero.
    void setExpectedReply(const QByteArray &reply);
    // ReceiveText and ReceiveBytes emptied.
    void clearText();
};

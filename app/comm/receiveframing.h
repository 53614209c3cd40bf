#pragma once
// How incoming bytes are cut into frames, by tool state. Pure functions
// over a ReceiveState; the Receiver adds the port reads and the timeout
// timer around them.
//
// Which framing a tool state uses is a column of the tool-state table
// (toolstates.h).
#include "receivestate.h"

namespace framing {

constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;
constexpr char kDc3 = 0x13;
constexpr char kNul = 0x00;
constexpr char kLineEnd = char(0xFF);

// Before new bytes are added, ReceiveText is cut to this many (the newest)
// so that a stream that never completes a frame cannot grow without end.
constexpr int kMaxReceiveText = 8192;
// Fingerprint template buffer limit.
constexpr int kMaxBlock = 64 * 1024;

enum class Kind {
    Default,
    NulRecord,
    Dc3Two,
    Dc3Four,
    Lines,
    Rotation,
    AckCut,
    EtxBlock,
    TesterWindow,
    LeaveAlone,
};

Kind kindFor(qint16 toolState);
// Timed framings stop the timeout timer while they work and restart it
// while their frame is incomplete; bytes after a timeout are kept but
// not framed.
bool isTimed(Kind kind);
// The completion flag of the framing: FramesComplete for lines,
// ReplyComplete for the others.
bool isComplete(const ReceiveState &rx, Kind kind);

// Appends bytes to ReceiveText and makes ReceiveBytes its copy.
void append(ReceiveState &rx, const QByteArray &chunk);
// Runs the framing of the kind over what ReceiveText holds.
void run(ReceiveState &rx, Kind kind, qint16 toolState);
// append() and run() with the framing of the tool state, as one data
// event does when no timeout has passed (for the byte-stream framings).
void feed(ReceiveState &rx, qint16 toolState, const QByteArray &chunk);

// The framings themselves.
// DC3 ... NUL: the DC3 and the n bytes after it go to the front of
// ReceiveBytes.
void dc3Frame(ReceiveState &rx, int dataBytes);
// Header, header, number, data, NUL: ReceiveBytes becomes the record, the
// record is filed in RecordTable under its number, ReceiveCount is the
// NUL's position. Returns true when a record was complete.
bool nulRecord(ReceiveState &rx);
void defaultFraming(ReceiveState &rx, qint16 toolState);
void lineFraming(ReceiveState &rx);
void recordRotation(ReceiveState &rx);
void ackCut(ReceiveState &rx);
// The fingerprint manager's buffer: complete when the byte before the
// last is ETX.
void etxBlock(ReceiveState &rx, const QByteArray &chunk);
// The print tester's window: the newest 320 bytes, ReceiveCount its fill.
void appendWindow(ReceiveState &rx, const QByteArray &chunk);

} // namespace framing

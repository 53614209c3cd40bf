#pragma once
// One table of tool states: for each state or range of states, how the
// receive side frames incoming bytes, how a reply is compared, which help
// page opens and which emulated printer fits. A new tool adds rows here.
//
// Rows are looked up in order and the first that holds the state wins, so
// single operation states stand before the range of their tool.
#include "receiveframing.h"

#include <QString>
#include <QtGlobal>

// The tools the launcher opens.
enum class Tool { Message, Ticket, Unit, Tester, Finger };

namespace toolstates {

// The idle state a tool's window runs in.
qint16 idleState(Tool tool);

// How a reply is compared with ExpectedReply: up to and including the
// frame's end (its NUL), or a fixed number of bytes after the DC3.
enum class Compare {
    FrameEnd,
    Index2,
    Index4,
    // 4, or 3 when the ticket printer takes the number as digits.
    NumberModel,
};

struct Row {
    qint16 first;
    qint16 last;
    framing::Kind framing;
    Compare compare;
    bool longReply; // the reply wait is the long one (10 s)
    const char *helpPage;
    const char *persona;
};

// The row for a state; every state has one.
const Row &find(qint16 toolState);

inline framing::Kind framingFor(qint16 toolState) { return find(toolState).framing; }
inline QString helpPageFor(qint16 toolState) { return QLatin1String(find(toolState).helpPage); }
inline QString personaFor(qint16 toolState) { return QLatin1String(find(toolState).persona); }

} // namespace toolstates

#pragma once
// Helpers shared by the ticket tests: bytes written as hex and printed as
// hex when a comparison fails, and contents built from a few lines.
#include "message/messagetest.h"
#include "ticket/ticketcontent.h"

#include <QByteArray>

#include <initializer_list>
#include <ostream>

inline void PrintTo(const QByteArray &b, std::ostream *os) { *os << '[' << b.toHex(' ').toStdString() << ']'; }

inline void PrintTo(const TicketLine &l, std::ostream *os)
{
    *os << '{' << l.magnification.toStdString() << ' ' << l.text.toStdString() << '}';
}

// "13 42 33" -> the three bytes.
inline QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

inline void PrintTo(const TicketContent &c, std::ostream *os)
{
    for (int k = 1; k <= TicketContent::kLineCount; ++k)
        if (c.line(k) != TicketLine{})
            *os << "\n  " << k << ": " << c.line(k).magnification.toStdString() << ' ' << c.line(k).text.toStdString();
}

struct LineAt {
    int line;
    QString text;
    QString magnification = QStringLiteral("1x1");
};
inline TicketContent contentOf(std::initializer_list<LineAt> lines)
{
    TicketContent c;
    for (const LineAt &l : lines)
        c.line(l.line) = TicketLine{l.text, l.magnification};
    return c;
}

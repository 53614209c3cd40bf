#pragma once
// The ticket printer's command frames as exact bytes: register and read
// of a content, and the printer settings of the sub menu. "K-07"
// (RawNumberModel) takes the content number as one raw byte and wants
// every operation bracketed by DC3 "Z1" NUL ... DC3 "Z0" NUL; "K-2200TQ"
// takes decimal digits and no bracket. Each field is one send, in order.
#include "ticketcontent.h"

#include <QByteArray>
#include <QtGlobal>

#include <optional>

namespace ticketframes {

inline constexpr char kNul = 0x00;
inline constexpr char kStx = 0x02;
inline constexpr char kEtx = 0x03;
inline constexpr char kDc3 = 0x13;
inline constexpr char kFs = 0x1C;

// Waits of the sequences, in milliseconds. The reply waits are the
// channel's: 5 s for a register or setting reply, 10 s of silence for a
// read.
inline constexpr int kReadBracketSettleMs = 500;    // after the bracket, before the read
inline constexpr int kSettingBracketSettleMs = 100; // after the bracket, before a setting

// The content number as sent: one raw byte, or its decimal digits.
QByteArray numberOnWire(int number, bool rawNumberModel);
// The number as the printer echoes it (n'): the raw byte, or 0x30 + n.
char numberEcho(int number, bool rawNumberModel);

QByteArray bracketOpen();  // DC3 "Z1" NUL
QByteArray bracketClose(); // DC3 "Z0" NUL

// One line on the wire: STX FS "e", the first and the last character of
// its magnification, the converted text.
QByteArray lineFrame(const TicketLine &line, int barcodeHeight);

struct RegisterFrames {
    QByteArray start;         // ("K-07": DC3 "Z1" NUL) DC3 "B" n
    QByteArray lines;         // the lines that are not empty, line 16 first
    QByteArray end;           // ETX
    QByteArray close;         // "K-07": DC3 "Z0" NUL
    QByteArray expectedReply; // DC3 "b" n' "0" NUL, compared whole
};
RegisterFrames registerFrames(const TicketContent &content, int number, bool rawNumberModel, int barcodeHeight);

struct ReadFrames {
    QByteArray open;        // "K-07": DC3 "Z1" NUL, then kReadBracketSettleMs
    QByteArray request;     // DC3 "D" n NUL
    QByteArray acknowledge; // DC3 "d" n "0" NUL, once the lines are in
    QByteArray close;       // "K-07": DC3 "Z0" NUL
};
ReadFrames readFrames(int number, bool rawNumberModel);

// compareLength for a reply compared as far as it was received.
inline constexpr int kWholeReply = 0;

struct SettingFrames {
    QByteArray open;      // "K-07": DC3 "Z1" NUL, then kSettingBracketSettleMs
    QByteArray command;   // DC3 + letter
    QByteArray parameter; // after the DSR check: n, dddd, or "0"/"1"
    QByteArray end;       // NUL
    QByteArray close;     // "K-07": DC3 "Z0" NUL, after the reply
    QByteArray expectedReply;
    int compareLength = kWholeReply; // leading bytes of the reply that must match

    QByteArray sent() const { return open + command + parameter + end + close; }
};

// The operation of tool state 615 (delete content), 616 (issue test), 623
// (content to issue) with a content number, 621 (start number) and 622
// (next ticket number) with a number 1..9999 sent as four digits. Nothing
// for another state.
std::optional<SettingFrames> settingFrames(qint16 toolState, int number, bool rawNumberModel);

// Issue enable (true) or disable: DC3 "H" "0"/"1" NUL, for both models
// without the bracket.
SettingFrames issueEnableFrames(bool enable);

} // namespace ticketframes

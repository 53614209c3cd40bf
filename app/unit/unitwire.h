#pragma once
// The unit-setting printer's frames, as exact bytes. One item of one
// channel is read or registered at a time:
//
//   item             read    data / ack   register  reply        value
//   name (VUX)       D       b            B         13 b c 0 00  7 characters
//   decimal point    L       g            G         13 g c 0 00  code 0..5 (VUX), 0..9, A (UX)
//   unit             K       f            F         13 f c 0 00  5 bytes
//   rate (VUX)       M       h            H         13 h c 0 00  2 digits
//   comparison value N       i            I         13 i c 0 00  6 digits (CH.1, CH.2)
//   indicator (UX)   O       j            J         13 j c 0 00  code 0..3
//
// c is the channel as one ASCII digit. A request is 13 letter c 00; the
// printer answers with 13, any letter, c, the value and 00, which the
// PC acknowledges with 13 reply-letter c "0" 00. A register frame is 13
// letter c value 00. Test print is 13 43 00 (reply 13 63 00, first three
// bytes), the reset of the totals 13 41 00 (reply 13 61 00).
//
// Data frames come from outside: decoding checks their shape and bounds
// every value, and never fails harder than refusing the frame.
#include "unitsettings.h"

#include <QByteArray>
#include <QList>

#include <optional>

namespace unit {

enum class Item { Name, DecimalPoint, Unit, Rate, Compare, Indicator };

// One item of one channel of a model.
struct ItemRef {
    Model model = Model::None;
    Item item = Item::Name;
    int channel = 1;
    bool operator==(const ItemRef &) const = default;
};

struct ItemLetters {
    char request; // read request
    char reply;   // acknowledge, and the register reply
    char store;   // register
};
ItemLetters lettersOf(Item item);

// The items of a read or a register, in the order they are exchanged:
// VUX channel 1..8 name, decimal point, unit, rate, and the comparison
// value on CH.1 and CH.2; UX (the channel is not asked) decimal point 2,
// decimal point 1, unit, indicator. Empty for a model of none or a VUX
// channel outside 1..8.
QList<ItemRef> itemsOf(Model model, int channel);

// ---- values on the wire ------------------------------------------------

// Empty: 7 spaces. 1 to 6 single-byte characters: padded with spaces to 7
// characters. Longer, or with a double-byte character: as it is. Then the
// command notation turns it into printer bytes.
QByteArray nameValue(const QString &name);
// The pattern's code as one character; nothing for a pattern not in the
// model's list.
std::optional<QByteArray> decimalPointValue(Model model, const QString &pattern);
// Cut to 5 bytes (never splitting a character) and padded with spaces.
QByteArray unitValue(const QString &unit);
// Two digits ("7" -> "07"); nothing outside 1..99.
std::optional<QByteArray> rateValue(const QString &rate);
// Six digits with leading zeros ("123" -> "000123", empty -> "000000");
// nothing for anything but up to six ASCII digits.
std::optional<QByteArray> compareValue(const QString &value);
// The list code "0".."3"; empty counts as "指定なし". Nothing for a text
// not in the list.
std::optional<QByteArray> indicatorValue(const QString &indicator);

// The item's value of the settings in wire form (nothing when it cannot
// be formed: the settings were not checked).
std::optional<QByteArray> valueOf(const ItemRef &ref, const UnitSettings &s);

// ---- frames ---------------------------------------------------------------

inline constexpr char kDc3 = 0x13;
inline constexpr char kNul = 0x00;
inline constexpr char kAccepted = '0';

// 13 letter c 00.
QByteArray requestFrame(const ItemRef &ref);
// 13 reply-letter c "0" 00: the acknowledge of a data frame, and the
// reply that confirms a register.
QByteArray acknowledgeFrame(const ItemRef &ref);
QByteArray registerReply(const ItemRef &ref);

// A register is sent in two parts: the head, then (once DSR is there) the
// value with its NUL.
struct RegisterStep {
    ItemRef ref;
    QByteArray head;          // 13 letter c
    QByteArray tail;          // value 00
    QByteArray expectedReply; // 13 reply-letter c "0" 00
    QByteArray frame() const { return head + tail; }
};
// The steps of registering the channel (as itemsOf orders them); nothing
// when a value cannot be formed.
std::optional<QList<RegisterStep>> registerSteps(Model model, int channel, const UnitSettings &s);

inline const QByteArray kTestPrintFrame = QByteArray("\x13"
                                                     "C",
                                                     2) +
                                          kNul;
inline const QByteArray kTestPrintReply = QByteArray("\x13"
                                                     "c",
                                                     2) +
                                          kNul;
inline constexpr int kTestPrintCompared = 3; // only the first three bytes count
inline const QByteArray kResetTotalsFrame = QByteArray("\x13"
                                                       "A",
                                                       2) +
                                            kNul;
inline const QByteArray kResetTotalsReply = QByteArray("\x13"
                                                       "a",
                                                       2) +
                                            kNul;

// Waits, in ms.
inline constexpr int kReadWaitMs = 10000; // a data frame; ReplyWait re-arms it when above 0
inline constexpr int kReplyWaitMs = 5000; // register and reset
inline constexpr int kTestPrintWaitMs = 10000;

// ---- data frames from the printer ---------------------------------------

// The RecordTable column a data frame of channel c is filed under: the
// ASCII code of its channel digit.
constexpr int recordColumn(int channel) { return 0x30 + channel; }

// The value of a data frame, as the window shows it. The frame is what
// the receive side delivered (up to its NUL; later bytes are ignored):
// any first byte and letter, the channel digit of ref, then the value.
// Name: control bytes as "&" and two hex digits, then the editing
// conversion; decimal point and indicator: the code's list entry; unit:
// trailing spaces removed, cut to 5 bytes; rate: a leading "0" dropped;
// comparison value: leading zeros dropped. Nothing when the frame is too
// short, belongs to another channel or the value is not one the item
// takes.
std::optional<QString> decodeValue(const ItemRef &ref, const QByteArray &frame);

// Six digits or fewer as the comparison box shows them: leading zeros
// dropped, "0" for all zeros. Nothing for anything but ASCII digits.
std::optional<QString> compareText(const QByteArray &digits);

// Puts a decoded value into its box of the settings. False (and nothing
// changed) for a ref outside the model's channels.
bool storeValue(const ItemRef &ref, const QString &value, UnitSettings &s);

// decodeValue and storeValue: false leaves the settings as they were.
bool storeFrame(const ItemRef &ref, const QByteArray &frame, UnitSettings &s);

} // namespace unit

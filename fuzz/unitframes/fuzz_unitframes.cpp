// libFuzzer target: the unit-setting printer's data frames as a read
// receives them: the stream in chunks through the NUL-record framing of
// the read, the frame filed under the item's channel, its value decoded
// into the window's box.
//
// Input: an item byte (bit 0 the UX-350Q, bits 1-3 the item, bits 4-7 the
// channel 0..15), a chunk-size byte, then the printer's bytes.
//
// Checked: a value that is taken can be registered again as it shows,
// and from the second read on a value goes out and reads back unchanged.
#include "fuzzsupport.h"

#include "base/cp932.h"
#include "comm/receiveframing.h"
#include "unit/unitsettings.h"
#include "unit/unitwire.h"

using fuzzsupport::check;
using namespace unit;

namespace {

constexpr Item kItems[] = {Item::Name, Item::DecimalPoint, Item::Unit, Item::Rate, Item::Compare, Item::Indicator};

// The printer's data frame for a value: DC3, the reply letter, the
// channel digit, the value, NUL.
QByteArray dataFrame(const ItemRef &ref, const QByteArray &value)
{
    return QByteArray(1, kDc3) + lettersOf(ref.item).reply + char('0' + ref.channel) + value + kNul;
}

// What readItem() finds in the record table once the reply is complete;
// nothing when no record came.
std::optional<QByteArray> receive(const ItemRef &ref, const QByteArray &stream, quint8 sizing)
{
    static const ReceiveState fresh;
    static ReceiveState rx;
    rx = fresh;
    const int column = recordColumn(ref.channel);
    rx.records.store(column, QByteArray(1, kNul));
    qsizetype at = 0;
    for (int k = 0; at < stream.size() && !rx.replyComplete; ++k) {
        const qsizetype n = 1 + ((sizing >> (k % 4 * 2)) & 3) * (1 + sizing % 13);
        framing::feed(rx, UnitStates::Reading, stream.mid(at, n));
        at += n;
    }
    std::optional<QByteArray> frame;
    if (rx.replyComplete)
        frame = rx.records.columnUpTo(column, quint8(kNul));
    rx = fresh;
    return frame;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzsupport::Input in(data, size);
    const quint8 pick = in.byte();
    const quint8 sizing = in.byte();
    const ItemRef ref{(pick & 1) ? Model::Ux : Model::Vux, kItems[((pick >> 1) & 7) % 6], pick >> 4};
    const QByteArray stream = in.rest();

    const auto frame = receive(ref, stream, sizing);
    if (!frame)
        return 0;
    check(frame->size() <= ByteTable::kRows && !frame->contains(kNul), "a frame is one column up to its NUL");
    const auto value = decodeValue(ref, *frame);
    UnitSettings s;
    const UnitSettings before = s;
    const bool stored = storeFrame(ref, *frame, s);
    check(stored == value.has_value(), "a decoded value goes into its box");
    if (!stored) {
        check(s == before, "a refused frame changes nothing");
        return 0;
    }
    if (ref.item == Item::Unit)
        check(cp932::byteCount(*value) <= kUnitBytes, "a unit of 5 bytes at most");

    // Shown, registered, read again: from the second read on the value
    // goes out and comes back unchanged.
    QByteArray sent[3];
    QString read[3];
    for (int round = 0; round < 3; ++round) {
        const auto wire = valueOf(ref, s);
        check(wire.has_value(), "a value read from the printer can be registered again");
        sent[round] = *wire;
        const auto back = decodeValue(ref, dataFrame(ref, *wire).left(ByteTable::kRows));
        check(back.has_value(), "a registered value reads back");
        read[round] = *back;
        check(storeValue(ref, *back, s), "a value read back goes into its box");
    }
    // A name read back is in the message tool's display form: line breaks
    // are joined anew on each pass, and a "&" or "^" the printer holds
    // reads as notation.
    if (ref.item == Item::Name &&
        (frame->contains('\r') || frame->contains('\n') || frame->contains('&') || frame->contains('^')))
        return 0;
    check(sent[2] == sent[1], "a value goes out the same from the second read on");
    check(read[2] == read[1], "a value reads back the same from the second read on");
    return 0;
}

#pragma once
// The print tester's status labels: the serial modem lines, the parallel
// status register and the bytes the printer sent last. Pure decoding, and
// one poll that reads them from the context.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

class AppContext;

namespace linestatus {

// A label's background: the system's highlight colour for an active line,
// white otherwise.
enum class Shade { Highlight, White };

struct Label {
    QString text;
    Shade shade = Shade::White;
    bool operator==(const Label &) const = default;
};

Label cts(bool on); // "CTS ON" / "CTS OFF"
Label dsr(bool on); // "DSR ON" / "DSR OFF"

// The status register (base + 1), each line with its level as the
// printer drives it: BUSY is high when bit 0x80 is clear.
struct Parallel {
    Label select;   // 0x10
    Label busy;     // 0x80, inverted
    Label paperEnd; // 0x20
    Label error;    // 0x08
    bool operator==(const Parallel &) const = default;
};
Parallel parallel(quint8 status);

inline const QString kReceivedPrefix = QStringLiteral(" 受信データ : ");
// The prefix, then every byte as two upper-case hex digits and a ",":
// 13 61 00 gives " 受信データ : 13,61,00,".
QString receivedText(const QByteArray &window);

struct Status {
    Label cts;
    Label dsr;
    std::optional<Parallel> parallel; // only when the parallel port is available
    QString received;
};
// One round of the 10 ms status poll.
Status poll(AppContext &ctx);

} // namespace linestatus

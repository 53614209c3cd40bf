#pragma once
// One command and its reply on the shared serial channel, the step every
// tool's printer operation is made of:
//
//   PrinterExchange ex(ctx.channel());
//   ex.arm(PrinterExchange::replyFrame('a', 5));      // 13 61 05 00
//   if (ex.sendFrame('A', 5, {}) == Sent::Ok)
//       if (const auto reply = ex.waitReply())
//           ok = ex.matches(*reply);
//
// arm() readies the line and the receive side, the sends go out byte by
// byte with the channel's drain and DSR checks, and waitReply() runs the
// event loop until the receive framing of the current tool state delivers
// a frame, the timeout passes in silence or the line goes. Nothing here
// tells the user anything; the operation decides.
#include <QByteArray>
#include <QtGlobal>

#include <functional>
#include <optional>

class OutputChannel;

class PrinterExchange {
public:
    enum class Sent { Ok, Cancelled, Failed };
    // Before a raw number byte: wait for the output to drain and DSR, or
    // only for DSR (the acknowledges and the shorter commands).
    enum class NumberWaits { DrainAndDsr, DsrOnly };

    struct Wait {
        int timeoutMs = 0; // 0: as the tool state says (5 s, or 10 s for the long ones)
        // Drop what already waits in the port (the shared reply wait of the
        // ticket and unit-setting tools); otherwise frame it first.
        bool discardWaiting = false;
        // Asked when the timeout passes: true watches for another interval.
        std::function<bool()> extend;
        // A closed port ends the wait at once; otherwise the wait runs to
        // its timeout while the receive side reopens the port.
        bool endOnClosedPort = true;
    };

    explicit PrinterExchange(OutputChannel &channel);

    OutputChannel &channel() { return ch_; }

    // CTS, then DSR after the DTR wait, asking until they come or the user
    // cancels.
    bool linesReady();
    // DTR off, output discarded, DTR on.
    void armLine();
    // armLine, the expected reply set and everything received before
    // emptied: it is not this command's reply.
    void arm(const QByteArray &expected);

    // Bytes with the channel's checks (and the tester's byte interval). A
    // false check is the user's cancel while the port is there, a lost
    // line when it is not.
    Sent send(const QByteArray &bytes);
    // One raw byte (a number above 0x7F is no text) after the waits.
    Sent sendNumber(quint8 number, NumberWaits waits);
    // DC3, the letter, the number byte if any, the data and NUL.
    Sent sendFrame(char letter, std::optional<quint8> number, const QByteArray &data,
                   NumberWaits waits = NumberWaits::DsrOnly);

    // The frame the receive side delivered; nothing on timeout, cancel or
    // a lost line.
    std::optional<QByteArray> waitReply(const Wait &wait);
    std::optional<QByteArray> waitReply() { return waitReply(Wait()); }
    // The frame equals ExpectedReply up to the compare index of the tool
    // state (by default the frame's NUL).
    bool matches(const QByteArray &frame) const;
    bool matchesUpTo(const QByteArray &frame, int index) const;
    // The shared reply wait: waiting input dropped, the state's timeout,
    // compared as the state says. False on timeout or mismatch.
    bool waitReplyMatch();

    // A cancel button: the running wait and send end with a failure.
    void cancel();
    bool cancelled() const { return cancelled_; }
    void clearCancel() { cancelled_ = false; }

    // The ticket printer's RawNumberModel, for the compare of state 623
    // (true when unset).
    void setRawNumberModelSource(std::function<bool()> source) { rawNumberModel_ = std::move(source); }

    // DC3, the letter, the number (if any), the extra byte (if any), NUL.
    static QByteArray replyFrame(char letter, std::optional<quint8> number = std::nullopt,
                                 std::optional<char> extra = std::nullopt);

private:
    // Frames what the port holds or the buffer still has, as a receive
    // event would (bytes that came while no event could frame them).
    void frameWaiting();
    int compareIndex() const;

    OutputChannel &ch_;
    bool cancelled_ = false;
    std::function<bool()> rawNumberModel_;
};

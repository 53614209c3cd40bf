#pragma once
// The printer output channel every tool uses: opening the shared serial
// port with the user's settings, sending a text byte by byte with the
// modem-line and drain checks and Retry/Cancel prompts, the parallel port
// with the Centronics strobe, the timeout timer (Timer1) and number-interval
// timer (Timer2), and the helpers that wait for and compare a printer's
// reply.
//
// Every operation runs on the GUI thread and waits in the event loop
// (eventwait::pumpUntil), so timers, received bytes and cancel buttons
// run while it waits. Booleans: true = success. A wait that the user
// cancels returns false without a further message; the caller decides
// what to say.
//
// A command and its reply: PrinterExchange (printerexchange.h).
#include "notation.h"
#include "receivestate.h"
#include "serialcontrol.h"

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

class Messenger;
class PortIo;
struct AppState;

// Every time the channel waits for. The program uses these values; tests
// shorten them.
struct ChannelTimes {
    int outputDrainMs = 10;  // output queue must empty within this
    int dsrMs = 5000;        // DSR during a send
    int notBusyMs = 5000;    // parallel BUSY
    int replyMs = 5000;      // reply to a command
    int replyLongMs = 10000; // reply in tool state 860, message print all
    // Timer2 counts every tick as 16 ms, so it ticks every 16 ms.
    int numberTickMs = 16;
};

// The send side's shared state.
struct ChannelState {
    QByteArray sendText;         // SendText: what the next send transmits
    bool transferActive = false; // TransferActive: a cancel button clears it
    bool timeoutElapsed = false; // TimeoutElapsed: set by Timer1
    quint8 savedControl = 0;     // parallel control register before output
    qint32 numberTicks = 0;      // Timer2 ticks
};

class OutputChannel {
public:
    OutputChannel(AppState &state, Messenger &messenger, PortIo &portIo, SerialControl &serial);
    ~OutputChannel();

    ChannelState &state() { return st_; }
    ReceiveState &rx() { return rx_; }
    SerialControl &serial() { return serial_; }
    AppState &appState() { return app_; }

    void setTimes(const ChannelTimes &times) { times_ = times; }
    const ChannelTimes &times() const { return times_; }

    // ---- serial port ------------------------------------------------
    // Closes the port if open, sets it up from the output settings (port
    // number, speed, parity, DTR and RTS on, receive threshold 1, input
    // length 1) and opens it. A port number above 9 switches the DSR checks
    // off for good (NoModemLines). A failure is told to the user (critical
    // box: "COMn が使用出来ません。..."); returns whether the port is open.
    bool openSerialPort();
    // Puts back the serial defaults saved at start-up.
    void restoreSerialDefaults();
    // Shut-down: closes the port if open and restores the defaults.
    void closeAndRestore();

    // ---- serial waits -----------------------------------------------
    // Waits DtrWait ms, then for DSR, asking (204) until it comes or the
    // user cancels. True at once when NoModemLines.
    bool waitDsrAfterDtr();
    // Waits for CTS, asking (201) until it comes or the user cancels. A
    // port that a lost line closed is opened again (quietly, before every
    // question), so that the next operation works once the cable is back.
    bool waitCts();
    // Waits until the output queue is empty; after 10 ms asks (202).
    // Skipped for ports above 9. False when the port is closed.
    bool waitOutputDrained();
    // Waits for DSR; after 5 s asks (202). Ends with false when the
    // transfer is cancelled. True at once when NoModemLines.
    bool waitDsrTimed();
    // Pauses ByteInterval ms; ends with false when the transfer is cancelled.
    bool byteIntervalWait();
    // Sends sendText character by character (a double-byte character's
    // two bytes together), each after the drain and DSR checks, with the
    // byte interval in the print tester. False when a check is cancelled
    // or the port fails (closed, unplugged).
    bool sendSerial();
    // The same for the given bytes (sendText is left as it is).
    bool sendSerial(const QByteArray &bytes);
    // For a job nothing answers (a print): sent only once the queue has
    // drained on a line that is still there, since a cable pulled under
    // the last byte shows only as the port closing.
    bool sendSerialDrained(const QByteArray &bytes);
    // 0 while Timer1 runs; after a timeout asks (202): 1 Retry, 2 anything else.
    int askRetryOnTimeout();

    // ---- Timer1 (one-shot timeout) ----------------------------------
    // Clears TimeoutElapsed and starts the timer with a fresh interval.
    void armTimeout(int ms);
    void stopTimeout();
    // The state an arm and an immediate stop leave: flag cleared, interval
    // kept, timer not running.
    void settleTimeout(int ms);
    // Starts the timer again with its last interval (none before the first arm).
    void resumeTimeout();
    bool timeoutRunning() const { return timer1_.isActive(); }
    int timeoutInterval() const { return timer1Interval_; }

    // ---- parallel port (through the port library) -------------------
    void lptPrepare();
    void lptRestore();
    bool lptWaitSelect();  // 205 until on line
    bool lptWaitNoError(); // 200 until no error
    bool lptWaitPaper();   // 203 until paper
    bool lptWaitReady();   // 202 until not busy (with the two above)
    bool lptWaitNotBusy(); // after 5 s asks 202; false when cancelled
    void lptStrobe();
    // Sends sendText byte by byte with the strobe and the byte interval.
    bool sendParallel();

    // ---- Timer2 (number interval of the print tester) ---------------
    void startNumberInterval();
    bool numberIntervalRunning() const { return timer2_.isActive(); }
    // Starts the interval and waits for it; false when the transfer is
    // cancelled meanwhile.
    bool waitNumberInterval();

    // ---- notation with the tool's rules -----------------------------
    // The escape check of the current tool state.
    notation::EscapeCheck validateEscapes(const QString &text) const;
    // Conversion with the print tester's model and line-end choice, which
    // the tester supplies through setConvertOptionsSource().
    QByteArray convertForPrinter(const QString &text) const;
    void setConvertOptionsSource(std::function<notation::ConvertOptions()> source)
    {
        convertOptions_ = std::move(source);
    }

    // ---- receive helpers --------------------------------------------
    // Waits ms milliseconds with events running.
    void waitMs(int ms);
    // Takes every waiting byte into the 320-byte window (print tester).
    void appendReceived();

    // ---- reply waits --------------------------------------------------
    // Told when the first of nested reply waits begins and the last ends
    // (the window shows a busy cursor meanwhile).
    std::function<void(bool waiting)> replyWaitChanged;
    // Every frame a reply wait delivers (progress of a series of reads).
    std::function<void(const QByteArray &frame)> replyArrived;
    class ReplyWait {
    public:
        explicit ReplyWait(OutputChannel &ch) : ch_(ch)
        {
            if (ch_.replyWaits_++ == 0 && ch_.replyWaitChanged)
                ch_.replyWaitChanged(true);
        }
        ~ReplyWait()
        {
            if (--ch_.replyWaits_ == 0 && ch_.replyWaitChanged)
                ch_.replyWaitChanged(false);
        }
        ReplyWait(const ReplyWait &) = delete;
        ReplyWait &operator=(const ReplyWait &) = delete;

    private:
        OutputChannel &ch_;
    };

private:
    // openSerialPort() without the box, and the box.
    OpenResult openQuietly();
    void tellOpenFailure(OpenResult result);
    bool promptUntil(int code, const std::function<bool()> &ready);
    quint16 lptBase() const;
    quint8 lptStatus();
    static void shortDelay();

    AppState &app_;
    Messenger &messenger_;
    PortIo &portIo_;
    SerialControl &serial_;
    ChannelTimes times_;
    ChannelState st_;
    ReceiveState rx_;
    QTimer timer1_;
    int timer1Interval_ = 0;
    QTimer timer2_;
    // When the last byte was written and how many: the queue can be empty
    // once they had time to leave the line.
    QElapsedTimer sendClock_;
    qint64 lastWriteUs_ = 0;
    int lastWriteBytes_ = 0;
    qint64 wakeLateUs_ = 0; // how much later than asked a short sleep ends, smoothed
    std::function<notation::ConvertOptions()> convertOptions_;
    int replyWaits_ = 0;
};

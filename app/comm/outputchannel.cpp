#include "outputchannel.h"

#include "base/catalogcodes.h"

#include "base/appstate.h"
#include "base/messagecatalogue.h"
#include "eventwait.h"
#include "portio.h"
#include "receiveframing.h"

namespace {

// Catalogue codes of the printer prompts.
constexpr int kMsgLptError = msg::LptError;
constexpr int kMsgNoCts = msg::NoCts;
constexpr int kMsgBusy = msg::PrinterBusy;
constexpr int kMsgPaperEnd = msg::PaperEnd;
constexpr int kMsgNoDsr = msg::NoDsr;
constexpr int kMsgNotSelected = msg::NotSelected;

// Parallel status and control bits.
constexpr quint8 kNotBusy = 0x80;
constexpr quint8 kPaperEnd = 0x20;
constexpr quint8 kSelect = 0x10;
constexpr quint8 kNotError = 0x08;
constexpr quint8 kStrobe = 0x01;
constexpr quint8 kNotInit = 0x04;

QString speedPart(const QString &baudText)
{
    static const char *const speeds[] = {"1200", "2400", "4800", "9600", "19200", "38400"};
    const QString t = baudText.trimmed();
    for (const char *s : speeds) {
        if (t == QLatin1String(s) + QLatin1String("bps"))
            return QLatin1String(s) + QLatin1Char(',');
    }
    return QStringLiteral("9600,");
}

QString parityPart(int parity)
{
    switch (parity) {
    case 1:
        return QStringLiteral("E,8,1");
    case 2:
        return QStringLiteral("O,8,1");
    default:
        return QStringLiteral("N,8,1");
    }
}

// A Shift-JIS lead byte and its trail byte go out together, as the one
// character they are.
qsizetype characterLength(const QByteArray &text, qsizetype i)
{
    const quint8 b = quint8(text.at(i));
    const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    return lead && i + 1 < text.size() ? 2 : 1;
}

} // namespace

OutputChannel::OutputChannel(AppState &state, Messenger &messenger, PortIo &portIo, SerialControl &serial)
    : app_(state), messenger_(messenger), portIo_(portIo), serial_(serial)
{
    sendClock_.start();
    timer1_.setSingleShot(true);
    timer1_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer1_, &QTimer::timeout, &timer1_, [this] { st_.timeoutElapsed = true; });

    timer2_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer2_, &QTimer::timeout, &timer2_, [this] {
        ++st_.numberTicks;
        // Each tick counts as 16 ms.
        if (qint64(st_.numberTicks) * 16 >= app_.output.numberInterval) {
            timer2_.stop();
            st_.numberTicks = 0;
        }
    });
}

OutputChannel::~OutputChannel() = default;

// ---- serial port ---------------------------------------------------------

bool OutputChannel::openSerialPort()
{
    const OpenResult result = openQuietly();
    if (result == OpenResult::Ok)
        return true;
    tellOpenFailure(result);
    return false;
}

OpenResult OutputChannel::openQuietly()
{
    const OutputSettings &out = app_.output;
    if (serial_.isOpen())
        serial_.close();
    serial_.setCommPort(out.comPort);
    if (out.comPort > 9)
        app_.noModemLines = true;
    serial_.setDtrEnable(true);
    serial_.setRtsEnable(true);
    serial_.setRThreshold(1);
    serial_.setInputLen(1);
    serial_.setSettings(speedPart(out.baudText) + parityPart(out.parity));

    return serial_.open();
}

void OutputChannel::tellOpenFailure(OpenResult result)
{
    const QString com = QStringLiteral("COM%1").arg(app_.output.comPort);
    PromptRequest box;
    box.style = MessageStyle(Icon::Critical);
    switch (result) {
    case OpenResult::Busy:
    case OpenResult::PermissionDenied:
        box.title = QStringLiteral("ポートは既に開かれています");
        box.text = com + QStringLiteral("が使用出来ません。");
        break;
    case OpenResult::NotFound:
        box.title = QStringLiteral("ポート番号が無効です");
        box.text = com + QStringLiteral("が使用出来ません。COMポートを設定し直して下さい。");
        break;
    default:
        box.title = QStringLiteral("デバイスが開かれていません");
        box.text = com + QStringLiteral("が使用出来ません。COMポートを設定し直して下さい。");
        break;
    }
    // Which device the number stands for on this machine.
    box.title += QStringLiteral(" (%1)").arg(serial_.device());
    if (result == OpenResult::PermissionDenied) {
        box.text += QStringLiteral("\r\n\r\n%1 を開く権限がありません。ユーザーを dialout グループに追加し\r\n"
                                   "(sudo usermod -aG dialout ユーザー名)、ログインし直して下さい。")
                        .arg(serial_.device());
    }
    messenger_.prompter().ask(box);
}

void OutputChannel::restoreSerialDefaults()
{
    const SerialDefaults &d = app_.serialDefaults;
    serial_.setSettings(d.settings);
    serial_.setRtsEnable(d.rtsEnable);
    serial_.setDtrEnable(d.dtrEnable);
    serial_.setRThreshold(d.rThreshold);
    serial_.setInputLen(d.inputLen);
}

void OutputChannel::closeAndRestore()
{
    if (serial_.isOpen())
        serial_.close();
    restoreSerialDefaults();
}

// ---- serial waits --------------------------------------------------------

bool OutputChannel::promptUntil(int code, const std::function<bool()> &ready)
{
    while (!ready()) {
        if (messenger_.showCatalogMessage(code) == Answer::Cancel)
            return false;
        eventwait::processPending();
    }
    return true;
}

bool OutputChannel::waitDsrAfterDtr()
{
    if (app_.noModemLines)
        return true;
    waitMs(app_.output.dtrWait);
    return promptUntil(kMsgNoDsr, [this] { return serial_.dsrHolding(); });
}

bool OutputChannel::waitCts()
{
    // A closed port has no CTS; one that a lost line closed opens again
    // once the cable is back.
    return promptUntil(kMsgNoCts, [this] {
        if (!serial_.isOpen() && openQuietly() != OpenResult::Ok)
            return false;
        return serial_.ctsHolding();
    });
}

bool OutputChannel::waitOutputDrained()
{
    if (!serial_.isOpen()) {
        settleTimeout(times_.outputDrainMs);
        return false;
    }
    if (app_.output.comPort >= 10 || serial_.outBufferCount() == 0) {
        settleTimeout(times_.outputDrainMs);
        return true;
    }
    // The 10 ms limit is kept as a deadline on the send clock: arming a
    // timer for every byte would cost more than the byte's wait.
    settleTimeout(times_.outputDrainMs);
    const auto nowUs = [this] { return sendClock_.nsecsElapsed() / 1000; };
    qint64 deadlineUs = nowUs() + qint64(times_.outputDrainMs) * 1000;
    for (;;) {
        // The queue empties at the line's pace: sleep until the bytes in it
        // can have left, then look again.
        qint64 queued = serial_.outBufferCount();
        while (queued > 0 && !st_.timeoutElapsed && serial_.isOpen()) {
            const qint64 startUs = nowUs();
            if (startUs >= deadlineUs) {
                st_.timeoutElapsed = true;
                break;
            }
            const qint64 byteUs = serial_.byteTimeUs();
            // The bytes of the last write leave by this time; more than
            // those take their own byte times from now.
            const qint64 leftUs =
                queued <= lastWriteBytes_ ? lastWriteUs_ + lastWriteBytes_ * byteUs - startUs : queued * byteUs;
            // A sleep ends later than asked (the wake-up of an idle core);
            // aim three quarters of that early: the line stays busy, and
            // seldom a second sleep is needed for the same byte.
            const qint64 askUs =
                qBound(qint64(5), qMin(leftUs, deadlineUs - startUs) - wakeLateUs_ * 3 / 4, qint64(1000));
            eventwait::sleepUs(askUs);
            const qint64 lateUs = nowUs() - startUs - askUs;
            wakeLateUs_ = qBound(qint64(0), (wakeLateUs_ * 7 + lateUs) / 8, qint64(200));
            queued = serial_.outBufferCount();
        }
        if (!serial_.isOpen()) {
            stopTimeout();
            return false;
        }
        // Emptied just as the time ran out: no question needed.
        if (queued == 0)
            break;
        const int answer = askRetryOnTimeout();
        if (answer == 2)
            return false;
        st_.timeoutElapsed = false;
        deadlineUs = nowUs() + qint64(times_.outputDrainMs) * 1000;
    }
    stopTimeout();
    return true;
}

bool OutputChannel::waitDsrTimed()
{
    if (app_.noModemLines)
        return true;
    const auto dsr = [this] { return serial_.dsrHolding(); };
    if (dsr()) {
        // As armed and stopped at once, without starting the timer for
        // every byte.
        settleTimeout(times_.dsrMs);
        return true;
    }
    armTimeout(times_.dsrMs);
    for (;;) {
        if (dsr()) {
            stopTimeout();
            return true;
        }
        eventwait::pumpUntil([&] { return dsr() || !st_.transferActive || st_.timeoutElapsed; });
        if (dsr())
            continue;
        if (!st_.transferActive)
            return false;
        const int answer = askRetryOnTimeout();
        if (answer == 1)
            armTimeout(times_.dsrMs);
        else if (answer == 2)
            return false;
    }
}

bool OutputChannel::byteIntervalWait()
{
    const int ms = app_.output.byteInterval;
    if (ms <= 0)
        return true;
    armTimeout(ms);
    eventwait::pumpUntil([this] { return st_.timeoutElapsed || !st_.transferActive; }, eventwait::kNoPoll);
    if (!st_.transferActive)
        return false;
    stopTimeout();
    return true;
}

bool OutputChannel::sendSerial() { return sendSerial(st_.sendText); }

bool OutputChannel::sendSerial(const QByteArray &bytes)
{
    // A copy: the events that run inside the waits may change SendText.
    const QByteArray text = bytes;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype len = characterLength(text, i);
        if (!waitOutputDrained() || !waitDsrTimed())
            return false;
        lastWriteUs_ = sendClock_.nsecsElapsed() / 1000;
        lastWriteBytes_ = int(len);
        if (!serial_.output(text.mid(i, len)))
            return false;
        if (app_.toolState == ToolStates::Tester && !byteIntervalWait())
            return false;
        i += len;
    }
    return true;
}

bool OutputChannel::sendSerialDrained(const QByteArray &bytes) { return sendSerial(bytes) && waitOutputDrained(); }

int OutputChannel::askRetryOnTimeout()
{
    if (!st_.timeoutElapsed)
        return 0;
    return messenger_.showCatalogMessage(kMsgBusy) == Answer::Retry ? 1 : 2;
}

// ---- Timer1 --------------------------------------------------------------

void OutputChannel::armTimeout(int ms)
{
    st_.timeoutElapsed = false;
    timer1Interval_ = qMax(0, ms);
    timer1_.start(timer1Interval_);
}

void OutputChannel::stopTimeout() { timer1_.stop(); }

void OutputChannel::settleTimeout(int ms)
{
    timer1_.stop();
    st_.timeoutElapsed = false;
    timer1Interval_ = qMax(0, ms);
}

void OutputChannel::resumeTimeout()
{
    if (timer1Interval_ > 0)
        timer1_.start(timer1Interval_);
}

// ---- parallel port -------------------------------------------------------

quint16 OutputChannel::lptBase() const { return quint16(app_.output.lptBase); }

quint8 OutputChannel::lptStatus() { return portIo_.inpB(quint16(lptBase() + 1)); }

void OutputChannel::shortDelay()
{
    // A fixed count of empty passes, not a timed pause.
    volatile int passes = 0;
    for (int i = 0; i < 10; ++i)
        passes = passes + 1;
}

void OutputChannel::lptPrepare()
{
    if (!app_.parallelAvailable)
        return;
    const quint16 control = quint16(lptBase() + 2);
    st_.savedControl = portIo_.inpB(control);
    portIo_.outB(control, st_.savedControl | kNotInit);
}

void OutputChannel::lptRestore()
{
    if (!app_.parallelAvailable)
        return;
    portIo_.outB(quint16(lptBase() + 2), st_.savedControl);
}

bool OutputChannel::lptWaitSelect()
{
    return promptUntil(kMsgNotSelected, [this] { return (lptStatus() & kSelect) != 0; });
}

bool OutputChannel::lptWaitNoError()
{
    return promptUntil(kMsgLptError, [this] { return (lptStatus() & kNotError) != 0; });
}

bool OutputChannel::lptWaitPaper()
{
    return promptUntil(kMsgPaperEnd, [this] { return (lptStatus() & kPaperEnd) == 0; });
}

bool OutputChannel::lptWaitReady()
{
    while ((lptStatus() & kNotBusy) == 0) {
        if (!lptWaitNoError() || !lptWaitPaper())
            return false;
        if (messenger_.showCatalogMessage(kMsgBusy) == Answer::Cancel)
            return false;
    }
    return true;
}

bool OutputChannel::lptWaitNotBusy()
{
    const auto ready = [this] { return (lptStatus() & kNotBusy) != 0; };
    if (ready()) {
        settleTimeout(times_.notBusyMs);
        return true;
    }
    armTimeout(times_.notBusyMs);
    for (;;) {
        if (ready()) {
            stopTimeout();
            return true;
        }
        // Status lines raise no event: re-read soon after a strobe, whose
        // BUSY lasts well under a millisecond, then less often (a printer
        // busy for seconds is not polled at full speed).
        for (qint64 us = 50; !ready() && st_.transferActive && !st_.timeoutElapsed; us = qMin<qint64>(us * 2, 1000))
            eventwait::sleepUs(us);
        if (ready())
            continue;
        if (!st_.transferActive)
            return false;
        const int answer = askRetryOnTimeout();
        if (answer == 1)
            armTimeout(times_.notBusyMs);
        else if (answer == 2)
            return false;
    }
}

void OutputChannel::lptStrobe()
{
    const quint16 control = quint16(lptBase() + 2);
    portIo_.outB(control, portIo_.inpB(control) | kStrobe);
    shortDelay();
    portIo_.outB(control, portIo_.inpB(control) & quint8(~kStrobe));
}

bool OutputChannel::sendParallel()
{
    const QByteArray bytes = st_.sendText;
    for (char b : bytes) {
        if (!lptWaitNotBusy())
            return false;
        shortDelay();
        portIo_.outB(lptBase(), quint8(b));
        shortDelay();
        lptStrobe();
        if (!byteIntervalWait())
            return false;
    }
    return true;
}

// ---- Timer2 --------------------------------------------------------------

void OutputChannel::startNumberInterval()
{
    st_.numberTicks = 0;
    timer2_.start(times_.numberTickMs);
}

bool OutputChannel::waitNumberInterval()
{
    startNumberInterval();
    eventwait::pumpUntil([this] { return !timer2_.isActive() || !st_.transferActive; }, eventwait::kNoPoll);
    if (!st_.transferActive) {
        timer2_.stop();
        st_.numberTicks = 0;
        return false;
    }
    return true;
}

// ---- notation ------------------------------------------------------------

notation::EscapeCheck OutputChannel::validateEscapes(const QString &text) const
{
    return notation::validateEscapes(text, app_.toolState);
}

QByteArray OutputChannel::convertForPrinter(const QString &text) const
{
    return notation::convertForPrinter(text, convertOptions_ ? convertOptions_() : notation::ConvertOptions{});
}

// ---- receive helpers -----------------------------------------------------

void OutputChannel::waitMs(int ms) { eventwait::waitMs(ms); }

void OutputChannel::appendReceived()
{
    const int n = serial_.inBufferCount();
    serial_.setInputLen(n);
    if (n != 0)
        framing::appendWindow(rx_, serial_.input());
}

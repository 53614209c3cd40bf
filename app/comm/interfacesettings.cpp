#include "interfacesettings.h"

#include "base/settingsfile.h"
#include "comm/appcontext.h"
#include "outputchannel.h"

#include <QDir>

#include <algorithm>
#include <limits>

namespace interfacesettings {

namespace {

struct LptName {
    qint32 base;
    const char *text;
};
constexpr LptName kLptNames[] = {{0x278, "0278"}, {0x378, "0378"}, {0x3BC, "03BC"}};

QString intervalText(bool set, qint32 ms)
{
    return set ? QString::number(ms) + QStringLiteral("msec") : QStringLiteral("指定無し");
}

} // namespace

Summary summary(const AppState &state)
{
    const OutputSettings &out = state.output;
    const bool parallel = out.interfaceName == kInterfaceParallel;
    Summary s;
    s.label1 = QStringLiteral("出力I/F　　:　") + out.interfaceName;
    // Parallel output has no protocol or speed: the labels keep their prefixes.
    QString parity;
    QString speed;
    if (!parallel) {
        parity = out.parity >= 0 && out.parity < kParityCaptions.size() ? kParityCaptions[out.parity] : QString();
        speed = out.baudText;
        s.label6 = QStringLiteral("(COM%1)").arg(out.comPort);
    } else {
        s.label6 = QLatin1Char('(') + lptText(out.lptBase) + QLatin1Char(')');
    }
    s.label2 = QStringLiteral("プロトコル　:　") + parity;
    s.label3 = QStringLiteral("転送速度　:　") + speed;
    if (state.toolState == ToolStates::Unit) {
        s.label4 = QStringLiteral("DTR待ち時間　 :　%1msec").arg(out.dtrWait);
        s.label5 = QStringLiteral("返答待ち時間　:　%1msec").arg(out.replyWait);
    } else {
        s.label4 = QStringLiteral("転送間隔　 :　") + intervalText(state.byteIntervalSet, out.byteInterval);
        s.label5 = QStringLiteral("No.間間隔　:　") + intervalText(state.numberIntervalSet, out.numberInterval);
    }
    return s;
}

QString lptText(qint32 base)
{
    for (const LptName &n : kLptNames) {
        if (n.base == base)
            return QString::fromLatin1(n.text);
    }
    // The file holds an int32; a negative one shows as its 32-bit pattern.
    return QString::number(quint32(base), 16).toUpper();
}

std::optional<qint32> parseLptText(const QString &text)
{
    const QString t = text.trimmed();
    for (const LptName &n : kLptNames) {
        if (t.compare(QLatin1String(n.text), Qt::CaseInsensitive) == 0)
            return n.base;
    }
    if (t.isEmpty() || t.size() > 8)
        return std::nullopt;
    bool ok = false;
    const quint32 v = t.toUInt(&ok, 16);
    // Port 0 is no parallel port; writing its registers would touch others.
    if (!ok || v == 0)
        return std::nullopt;
    return qint32(v);
}

PortList portList(const OutputSettings &settings)
{
    PortList list;
    if (settings.interfaceName == kInterfaceParallel) {
        for (const LptName &n : kLptNames)
            list.items << QString::fromLatin1(n.text);
        // Address 0 was never set; offer the usual LPT1 address instead.
        list.current = settings.lptBase == 0 ? QStringLiteral("0378") : lptText(settings.lptBase);
    } else {
        for (int n = 1; n <= 30; ++n)
            list.items << QStringLiteral("COM%1").arg(n);
        list.current = QStringLiteral("COM%1").arg(settings.comPort);
    }
    return list;
}

qint32 numericValue(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+'))) {
        negative = t[i] == QLatin1Char('-');
        ++i;
    }
    qint64 v = 0;
    constexpr qint64 kCap = qint64(std::numeric_limits<qint32>::max()) + 1;
    for (; i < t.size() && t[i] >= QLatin1Char('0') && t[i] <= QLatin1Char('9'); ++i)
        v = qMin(kCap, v * 10 + (t[i].unicode() - '0'));
    v = negative ? -v : v;
    return qint32(std::clamp<qint64>(v, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

QString zeroPadded(qint32 value, int digits)
{
    const QString magnitude = QString::number(qAbs(qint64(value))).rightJustified(digits, QLatin1Char('0'));
    return value < 0 ? QLatin1Char('-') + magnitude : magnitude;
}

IntervalEdit intervalEdit(const QString &text, int limit)
{
    IntervalEdit edit;
    if (text.isEmpty())
        return edit;
    edit.value = numericValue(text);
    if (edit.value > limit) {
        edit.value = limit;
        edit.replaceWith = QString::number(limit);
    }
    return edit;
}

ApplyResult apply(AppContext &ctx, const ConfirmInput &input)
{
    AppState &st = ctx.state;
    OutputSettings &out = st.output;
    if (out.interfaceName != kInterfaceParallel) {
        // "COM12" -> 12. The list offers only COM1..COM30.
        const qint32 port = numericValue(input.portText.mid(3));
        if (!input.portText.startsWith(QLatin1String("COM")) || port < 1 || port > 30) {
            ctx.messenger().showMessage(QStringLiteral("ポートNo.はCOM1～COM30から選んで下さい。"), Icon::Exclamation);
            return ApplyResult::BadPort;
        }
        out.dtrWait = numericValue(input.dtrWaitText);
        out.replyWait = numericValue(input.replyWaitText);
        out.comPort = qint16(port);
        // A failure to open is told by the channel; the choice is saved anyway.
        ctx.channel().openSerialPort();
    } else {
        if (!st.parallelAvailable) {
            ctx.messenger().showMessage(kNoParallelSetting, Icon::Exclamation);
            return ApplyResult::ParallelRefused;
        }
        const std::optional<qint32> base = parseLptText(input.portText);
        if (!base) {
            ctx.messenger().showMessage(
                QStringLiteral("ポートNo.には 0278、0378、03BC か、16進数のアドレスを入力して下さい。"),
                Icon::Exclamation);
            return ApplyResult::BadPort;
        }
        out.lptBase = *base;
        ctx.channel().lptPrepare();
    }

    const QString path = ctx.settingsPath();
    QString error;
    if (!settingsfile::save(out, path, &error)) {
        ctx.messenger().showMessage(QStringLiteral("設定ファイルに書き込めませんでした。\r\n%1\r\n(%2)\r\n\r\n"
                                                   "変更した設定は、プログラムを終了するまで有効です。")
                                        .arg(QDir::toNativeSeparators(path), error),
                                    Icon::Critical);
        return ApplyResult::SaveFailed;
    }
    return ApplyResult::Saved;
}

} // namespace interfacesettings

#include "listslip.h"

#include "base/catalogcodes.h"
#include "base/cp932.h"
#include "base/messagecatalogue.h"
#include "comm/outputchannel.h"
#include "finger/fingerusers.h"

namespace listslip {

namespace {

constexpr char ESC = 0x1B;
constexpr char CR = 0x0D;
constexpr int kListPrintState = 922;

QByteArray sj(const char *text) { return cp932::encode(QString::fromUtf8(text)); }

QByteArray esc(std::initializer_list<char> rest) { return ESC + QByteArray(rest.begin(), qsizetype(rest.size())); }

} // namespace

QByteArray build(const FingerUsers &users)
{
    QByteArray s;
    s += '\x07';
    s += esc({'I', '1'});
    if (fingers::isBlankId(users[1].userId[0])) {
        s += esc({'h', '1'}) + sj(" 　□□□ 登録者の記録無し □□□") + CR;
    } else {
        s += esc({'J', '\x18'});
        s += esc({'\x03'});
        s += esc({'h', '1'}) + "-----------------------------" + CR;
        s += esc({'\x02'});
        for (int row = fingers::kRows; row >= 1; --row) {
            const FingerUser &u = users[row];
            if (fingers::isBlankId(u.userId[0]))
                continue;
            s += sj("　 ") + QByteArray::number(row).rightJustified(3, '0') + "   " + u.userId[0] + "      " +
                 u.userId[1] + CR;
        }
        s += esc({'J', '\x08'});
        s += esc({'\x01'});
        s += sj("　 No.  第1指UserID   第2指UserID") + CR;
        s += esc({'J', '\x18'});
        s += esc({'h', '1'}) + sj(" 　　□□□ 登録者の記録 □□□") + CR;
    }
    s += esc({'J', '\xC8'});
    s += esc({'G'});
    s += esc({'J', '\xC8'});
    s += esc({'J', '\xC8'});
    return s;
}

bool print(OutputChannel &channel, Messenger &messenger, const FingerUsers &users)
{
    if (!channel.waitCts() || !channel.waitDsrAfterDtr())
        return false;
    channel.appState().toolState = kListPrintState;
    SerialControl &serial = channel.serial();
    if (!serial.isOpen() && !channel.openSerialPort())
        return false;
    serial.setDtrEnable(true);
    channel.state().sendText = build(users);
    const bool sent = channel.sendSerialDrained(channel.state().sendText);
    serial.clearInput();
    if (!sent)
        messenger.showCatalogMessage(msg::OutputStopped);
    return sent;
}

} // namespace listslip

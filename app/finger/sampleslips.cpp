#include "sampleslips.h"

#include "base/cp932.h"
#include "comm/outputchannel.h"
#include "finger/fingerusers.h"

namespace sampleslips {

namespace {

constexpr char BEL = 0x07;
constexpr char ESC = 0x1B;
constexpr char GS = 0x1D;
constexpr char FS = 0x1C;
constexpr char SO = 0x0E;
constexpr char DC4 = 0x14;
constexpr char CR = 0x0D;
constexpr char ETX = 0x03;
constexpr char NUL = 0x00;

// A job as the printer takes it: control bytes, texts in the printer's
// code page (written here in UTF-8) and fields already in bytes.
class Job {
public:
    Job &operator<<(char c)
    {
        bytes_ += c;
        return *this;
    }
    Job &operator<<(const char *text)
    {
        bytes_ += cp932::encode(QString::fromUtf8(text));
        return *this;
    }
    Job &operator<<(const QByteArray &field)
    {
        bytes_ += field;
        return *this;
    }
    // ESC "J" n: feed.
    Job &feed(char n) { return *this << ESC << 'J' << n; }
    // Every slip begins so.
    Job &start() { return *this << BEL << ESC << "I1" << ESC << 'J' << '\x18'; }
    QByteArray bytes() const { return bytes_; }

private:
    QByteArray bytes_;
};

QByteArray two(int n) { return QByteArray::number(n).rightJustified(2, '0'); }

QByteArray dateField(const QDateTime &now)
{
    const QDate d = now.date();
    const QTime t = now.time();
    return QByteArray::number(d.year()).rightJustified(4, '0') + cp932::encode(QStringLiteral("年")) + two(d.month()) +
           cp932::encode(QStringLiteral("月")) + two(d.day()) + cp932::encode(QStringLiteral("日 ")) + two(t.hour()) +
           cp932::encode(QStringLiteral("時")) + two(t.minute()) + cp932::encode(QStringLiteral("分")) +
           two(t.second()) + cp932::encode(QStringLiteral("秒"));
}

// A placeholder weight: the minutes and seconds of now.
QByteArray weightField(const QDateTime &now) { return two(now.time().minute()) + two(now.time().second()); }

QByteArray reception(int number, const QByteArray &id, const QDateTime &now)
{
    Job j;
    j.start();
    j << ESC << 'l' << '\x10' << GS << 'h' << '\x28' << GS << "k5081231" << count4(number) << NUL;
    j << ESC << 'l' << '\x04' << SO << "ケルノソルバタルネ病院" << DC4 << CR;
    j.feed('\x18') << "　　　　医療法人　ケルノソルバ会" << CR;
    j.feed('\x20') << "　　　　しばらくお待ちください" << CR << "　　　　番号をお呼びしますので" << CR;
    j.feed('\x18') << ESC << "h1"
                   << "　　" << dateField(now) << CR;
    j.feed('\x20') << ESC << "L1  " << countPad(number) << ESC << "L0" << CR;
    j.feed('\x18') << ESC << "h1 ID No." << id << CR;
    j.feed('\x18') << FS << "W1　　　受付票" << FS << "W0" << CR;
    j.feed('\x78') << ESC << 'G' << ETX;
    return j.bytes();
}

// A confirmation stub, then the slip, in one job.
QByteArray weighing(const QByteArray &id, const QDateTime &now)
{
    const QByteArray weight = weightField(now);
    Job j;
    j.start() << "　計量課確認印" << CR;
    j.feed('\x18') << ESC << "N1計量値" << ESC << "L1 " << weight << ESC << "L0 " << SO << "kg" << DC4 << ESC << "N0"
                   << CR;
    j << ESC << "h1";
    j.feed('\x18') << "----------　計量票確認　----------" << CR;
    j << BEL << ESC << "I1";
    j.feed('\x40');
    j << ESC << 'l' << '\x04' << SO << "エルモ　ソルバ計量所" << DC4 << CR;
    j << ESC << 'g' << "　　　　社団法人　計量工業会" << CR;
    j.feed('\x18') << "　　確認印のない計量票は無効です。" << CR << "　　計量課での確認が必要です。" << CR;
    j.feed('\x18') << ESC << "h1　　" << dateField(now) << CR;
    j.feed('\x20') << ESC << "N1 計量値" << ESC << "L1 " << weight << ESC << "L0 " << SO << "kg" << DC4 << ESC << "N0"
                   << CR;
    j.feed('\x18') << ESC << "h1 ID No." << id << CR;
    j.feed('\x18') << FS << "W1　　　計量票" << FS << "W0" << CR;
    j.feed('\x78') << ESC << 'G' << ETX;
    return j.bytes();
}

QByteArray roomEntry(int number, const QByteArray &id, const QDateTime &now)
{
    Job j;
    j.start();
    j << ESC << "w1　　　ソルバタルネ薬品工業株式会社" << ESC << "w0" << CR;
    j.feed('\x18') << ESC << 'l' << '\x11' << "特殊薬品管理室" << CR;
    j.feed('\x20') << " 薬品管理課へ提出してください。" << CR << " 退室時認証を受け退室管理票とともに" << CR;
    j.feed('\x18') << ESC << "h1"
                   << "　　" << dateField(now) << CR;
    j.feed('\x20') << ESC << "h1 NO." << count4(number) << " USER_ID " << id << CR;
    j.feed('\x18') << FS << "W1　　入室管理票" << FS << "W0" << CR;
    j.feed('\x20') << ESC << 'G' << ETX;
    return j.bytes();
}

QByteArray radiation(int number, const QByteArray &id, const QDateTime &now)
{
    Job j;
    j.start();
    j << ESC << 'l' << '\x0B' << ESC << "w1ソルバ放射線センター" << ESC << "w0" << CR;
    j.feed('\x18') << ESC << 'l' << '\x0B' << "放射線課放射線管理室" << CR;
    j.feed('\x20') << ESC << "h1"
                   << "　　" << dateField(now) << CR;
    j.feed('\x20') << " 退室の手続きを行ってください。" << CR << " 退室時認証を受け、放射線管理室で" << CR
                   << " 管理バッチの確認をしてください。" << CR << " この先から放射線管理地域です。" << CR;
    j.feed('\x18') << " NO." << count4(number) << " USER_ID " << id << CR;
    j.feed('\x18') << ESC << 'l' << '\x09' << FS << "W1放射線管理票" << FS << "W0" << CR;
    j.feed('\x20') << ESC << 'G' << ETX;
    return j.bytes();
}

} // namespace

Kind kindOf(int choice)
{
    switch (choice) {
    case 2:
        return Kind::Weighing;
    case 3:
        return Kind::RoomEntry;
    case 4:
        return Kind::Radiation;
    default:
        return Kind::Reception;
    }
}

int choiceFromText(const QString &boxText)
{
    bool ok = false;
    const int n = boxText.trimmed().toInt(&ok);
    return ok ? n : 1;
}

QByteArray count4(int number) { return QByteArray::number(number).rightJustified(4, '0'); }

QByteArray countPad(int number)
{
    const QByteArray digits = QByteArray::number(number);
    return digits + QByteArray(digits.size() <= 2 ? 2 : 1, ' ');
}

QByteArray build(Kind kind, int number, const QByteArray &id, const QDateTime &now)
{
    switch (kind) {
    case Kind::Weighing:
        return weighing(id, now);
    case Kind::RoomEntry:
        return roomEntry(number, id, now);
    case Kind::Radiation:
        return radiation(number, id, now);
    case Kind::Reception:
        break;
    }
    return reception(number, id, now);
}

} // namespace sampleslips

QByteArray SampleSlips::next(int choice, const QByteArray &markerAndId, const QDateTime &now)
{
    counter_ = counter_ >= kLastNumber || counter_ < 0 ? 1 : counter_ + 1;
    // The message's marker comes first; the slips print the ID after it.
    const QByteArray id = markerAndId.mid(1, fingers::kIdSize);
    return sampleslips::build(sampleslips::kindOf(choice), counter_, id, now);
}

bool SampleSlips::print(OutputChannel &channel, int choice, const QByteArray &markerAndId)
{
    const QByteArray slip = next(choice, markerAndId, QDateTime::currentDateTime());
    SerialControl &serial = channel.serial();
    if (!serial.isOpen() && !channel.openSerialPort())
        return false;
    serial.clearInput();
    serial.clearOutput();
    serial.setDtrEnable(true);
    channel.state().sendText = slip;
    return channel.sendSerialDrained(slip);
}

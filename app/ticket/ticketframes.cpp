#include "ticketframes.h"

#include "ticketconversion.h"

namespace ticketframes {

namespace {

QByteArray frame(char letter, const QByteArray &parameter = {})
{
    QByteArray f;
    f += kDc3;
    f += letter;
    f += parameter;
    return f;
}

QByteArray withNul(QByteArray bytes)
{
    bytes += kNul;
    return bytes;
}

QByteArray fourDigits(int number) { return QByteArray::number(number).rightJustified(4, '0'); }

} // namespace

QByteArray numberOnWire(int number, bool rawNumberModel)
{
    return rawNumberModel ? QByteArray(1, char(quint8(number))) : QByteArray::number(number);
}

char numberEcho(int number, bool rawNumberModel) { return char(quint8(rawNumberModel ? number : 0x30 + number)); }

QByteArray bracketOpen() { return withNul(frame('Z', "1")); }
QByteArray bracketClose() { return withNul(frame('Z', "0")); }

QByteArray lineFrame(const TicketLine &line, int barcodeHeight)
{
    QByteArray f;
    f += kStx;
    f += kFs;
    f += 'e';
    // Magnifications are checked before registering: both are "1".."4".
    f += char(line.magnification.isEmpty() ? '1' : line.magnification.front().toLatin1());
    f += char(line.magnification.isEmpty() ? '1' : line.magnification.back().toLatin1());
    f += ticketconversion::lineForPrinter(line.text, barcodeHeight);
    return f;
}

RegisterFrames registerFrames(const TicketContent &content, int number, bool rawNumberModel, int barcodeHeight)
{
    RegisterFrames r;
    if (rawNumberModel)
        r.start = bracketOpen();
    r.start += frame('B', numberOnWire(number, rawNumberModel));
    for (int k = TicketContent::kLineCount; k >= 1; --k)
        if (!content.line(k).text.isEmpty())
            r.lines += lineFrame(content.line(k), barcodeHeight);
    r.end = QByteArray(1, kEtx);
    if (rawNumberModel)
        r.close = bracketClose();
    r.expectedReply = withNul(frame('b', QByteArray(1, numberEcho(number, rawNumberModel)) + '0'));
    return r;
}

ReadFrames readFrames(int number, bool rawNumberModel)
{
    ReadFrames r;
    const QByteArray n = numberOnWire(number, rawNumberModel);
    if (rawNumberModel) {
        r.open = bracketOpen();
        r.close = bracketClose();
    }
    r.request = withNul(frame('D', n));
    r.acknowledge = withNul(frame('d', n + '0'));
    return r;
}

std::optional<SettingFrames> settingFrames(qint16 toolState, int number, bool rawNumberModel)
{
    SettingFrames s;
    const QByteArray echo(1, numberEcho(number, rawNumberModel));
    // The issue test and the content choice answer with "0" after the
    // number on "K-07" (five bytes) and without it on "K-2200TQ" (four).
    const QByteArray contentReply = rawNumberModel ? echo + '0' : echo;
    const int contentCompare = rawNumberModel ? 5 : 4;
    switch (toolState) {
    case 615:
        s.command = frame('A');
        s.parameter = numberOnWire(number, rawNumberModel);
        s.expectedReply = withNul(frame('a', echo));
        break;
    case 616:
        s.command = frame('C');
        s.parameter = numberOnWire(number, rawNumberModel);
        s.expectedReply = withNul(frame('c', contentReply));
        s.compareLength = contentCompare;
        break;
    case 621:
    case 622: {
        const char letter = toolState == 621 ? 'F' : 'G';
        s.command = frame(letter);
        s.parameter = fourDigits(number);
        s.expectedReply = withNul(frame(char(letter + ('a' - 'A')), s.parameter));
        break;
    }
    case 623:
        s.command = frame('I');
        s.parameter = numberOnWire(number, rawNumberModel);
        s.expectedReply = withNul(frame('i', contentReply));
        s.compareLength = contentCompare;
        break;
    default:
        return std::nullopt;
    }
    s.end = QByteArray(1, kNul);
    if (rawNumberModel) {
        s.open = bracketOpen();
        s.close = bracketClose();
    }
    return s;
}

SettingFrames issueEnableFrames(bool enable)
{
    SettingFrames s;
    s.command = frame('H');
    s.parameter = enable ? "0" : "1";
    s.end = QByteArray(1, kNul);
    s.expectedReply = withNul(frame('h', s.parameter));
    return s;
}

} // namespace ticketframes

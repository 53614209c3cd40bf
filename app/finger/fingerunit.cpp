#include "fingerunit.h"

#include "base/catalogcodes.h"
#include "base/cp932.h"
#include "base/messagecatalogue.h"
#include "comm/outputchannel.h"
#include "finger/registrantlist.h"

#include <QTimer>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString fullWidth(int finger) { return finger == 0 ? QStringLiteral("１") : QStringLiteral("２"); }

QString timeoutText() { return QStringLiteral("通信タイムアウトが発生しました。"); }

QString registrationStopped() { return timeoutText() + kCrLf + QStringLiteral("登録を中止します。"); }

// Counts the seconds down on the window while it lives.
class Countdown {
public:
    Countdown(const std::function<void(int)> &show, int seconds) : show_(show), left_(seconds)
    {
        tell(left_);
        timer_.setInterval(1000);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tell(qMax(0, --left_)); });
        timer_.start();
    }
    ~Countdown() { tell(-1); }

private:
    void tell(int s)
    {
        if (show_)
            show_(s);
    }
    std::function<void(int)> show_;
    int left_;
    QTimer timer_;
};

} // namespace

FingerUnit::FingerUnit(OutputChannel &channel, Messenger &messenger, FingerUsers &users, FingerFiles &files)
    : ch_(channel), messenger_(messenger), users_(users), files_(files), ex_(channel)
{
}

void FingerUnit::setState(int code) { ch_.appState().toolState = qint16(code); }

void FingerUnit::tellStatus(const QString &text)
{
    if (status)
        status(text);
}

void FingerUnit::showProgress(int value, int maximum)
{
    if (progress)
        progress(value, maximum);
}

void FingerUnit::settle(int maximum)
{
    showProgress(maximum, maximum);
    ch_.waitMs(times_.settleMs);
}

void FingerUnit::timeoutNotice() { messenger_.showCatalogMessage(msg::ReadFailed); }

bool FingerUnit::cdrErrChk(const QByteArray &reply)
{
    const char code = reply.size() > 1 ? reply.at(1) : '\0';
    switch (code) {
    case 'D':
        messenger_.showMessage(QStringLiteral("センサ部に汚れを検出しました。"), Icon::Information);
        return false;
    case 'E':
    case 'I':
        messenger_.showMessage(QStringLiteral("指紋認証部エラー"), Icon::Information);
        return false;
    case 's':
        return false;
    default:
        return true;
    }
}

void FingerUnit::tellNoReply(const QByteArray &received, const QString &text, Icon icon, const QString &caption)
{
    if (ex_.cancelled() || !cdrErrChk(received))
        return;
    messenger_.showMessage(text, MessageStyle(icon), caption);
}

bool FingerUnit::sendCommand(char letter, int finger, const QByteArray &id)
{
    const fingerunit::Command *c = fingerunit::command(letter);
    return c && ex_.prepare(*c) && ex_.send(fingerunit::frame(letter, finger, id));
}

FingerUnit::Outcome FingerUnit::exactCommand(char letter, int finger, const QByteArray &id)
{
    const fingerunit::Command &c = *fingerunit::command(letter);
    lastReply_.clear();
    if (!sendCommand(letter, finger, id))
        return Outcome::Cancelled;
    const FingerExchange::Received r = ex_.receiveCount(c.replyBytes, times_.*c.wait);
    if (ex_.cancelled())
        return Outcome::Cancelled;
    if (!r.complete) {
        lastReply_ = r.bytes;
        return Outcome::Timeout;
    }
    lastReply_ = r.bytes;
    return r.bytes == fingerunit::expectedReply(letter, finger, id) ? Outcome::Ok : Outcome::Wrong;
}

bool FingerUnit::enableRead()
{
    ex_.clearCancel();
    return exactCommand('O') == Outcome::Ok;
}

bool FingerUnit::disableRead() { return exactCommand('C') == Outcome::Ok; }

bool FingerUnit::openReading(const QString &caption)
{
    if (enableRead())
        return true;
    tellNoReply(lastReply_, QStringLiteral("読み取り許可応答がありません。"), Icon::Exclamation, caption);
    return false;
}

bool FingerUnit::readRegistrants(bool silent)
{
    ex_.clearCancel();
    const fingerunit::Command &c = *fingerunit::command('L');
    showProgress(0, 100);
    bool ok = ex_.prepare(c) && ex_.send(fingerunit::frame('L')) && ex_.dsrCheck();
    FingerExchange::Received r;
    if (ok) {
        tellStatus(QStringLiteral("登録ユーザーIDの読込中です..."));
        r = ex_.receiveToEtx(times_.listSilenceMs, registrantlist::kReplyLimit,
                             [this](int n) { showProgress(qMin(100, n / 8), 100); });
        ok = r.complete && cdrErrChk(r.bytes);
        if (ok)
            settle(100);
    }
    showProgress(0, 0);
    tellStatus({});
    SerialControl &serial = ch_.serial();
    ch_.stopTimeout();
    serial.clearInput();
    serial.clearOutput();
    serial.setDtrEnable(true);
    if (ex_.cancelled())
        return false;
    RegistrantList list;
    if (ok) {
        list = registrantlist::parse(r.bytes);
        ok = users_.applyRegistrantList(list);
    }
    if (!ok) {
        timeoutNotice();
        return false;
    }
    if (showFile)
        showFile(files_.dataFilePath());
    if (!silent)
        messenger_.showCatalogMessage(msg::RegistrantsRead);
    return true;
}

std::optional<QByteArray> FingerUnit::readTemplate(int row, int finger, const QByteArray &id)
{
    const int capacity = fingers::kTemplateCapacity;
    showProgress(0, capacity);
    if (selectRow)
        selectRow(row);
    if (!sendCommand('U', finger, id) || !ex_.dsrCheck()) {
        ex_.restoreState();
        showProgress(0, 0);
        return std::nullopt;
    }
    tellStatus(QStringLiteral("No.%1の第%2指の指紋データを読込中です...").arg(row).arg(fullWidth(finger)));
    const FingerExchange::Received r = ex_.receiveTemplate(
        times_.templateMs, capacity, [&](int n) { showProgress(qBound(0, n, capacity), capacity); });
    if (r.complete) {
        settle(capacity);
        showProgress(0, 0);
        return r.bytes;
    }
    showProgress(0, 0);
    if (ex_.cancelled())
        return std::nullopt;
    if (r.overLimit) {
        messenger_.showMessage(QStringLiteral("No.%1の第%2指の指紋データが%3バイトを超えたため、受け付けません。")
                                   .arg(row)
                                   .arg(fullWidth(finger))
                                   .arg(capacity),
                               Icon::Exclamation);
    } else if (r.bytes.endsWith(QByteArray("I\x03", 2))) {
        messenger_.showMessage(QStringLiteral("指紋認証部リセット実施") + kCrLf +
                                   QStringLiteral("プリンタの電源を入れ直し、指紋を削除して再登録してください。"),
                               Icon::Critical);
    } else if (r.bytes.size() == 3 && r.bytes.endsWith(fingers::kEtx)) {
        // A short error frame in place of the template says why.
        cdrErrChk(r.bytes);
    }
    timeoutNotice();
    return std::nullopt;
}

bool FingerUnit::readTemplates(int first, int last, bool forSaving)
{
    ex_.clearCancel();
    const int total = templatesIn(first, last);
    int done = 0;
    for (int row = qMax(1, first); row <= qMin(last, fingers::kRows); ++row) {
        for (int finger = 0; finger < 2; ++finger) {
            const QByteArray id = users_[row].userId[finger];
            // A finger without ID has no template on the unit.
            if (fingers::isBlankId(id))
                continue;
            const auto t = readTemplate(row, finger, id);
            if (!t) {
                tellStatus({});
                showItems(0, 0);
                return false;
            }
            users_[row].fingerTemplate[finger] = *t;
            showItems(++done, total);
        }
    }
    showItems(0, 0);
    tellStatus({});
    if (selectRow)
        selectRow(fingers::kRows + 1);
    if (!forSaving)
        messenger_.showCatalogMessage(msg::TemplatesRead);
    return true;
}

bool FingerUnit::registerUser(const std::array<QByteArray, 2> &ids)
{
    ex_.clearCancel();
    const int row = users_.nextFreeRow();
    if (!FingerUsers::isRow(row)) {
        messenger_.showMessage(QStringLiteral("登録できるユーザーは%1人までです。").arg(fingers::kRows),
                               Icon::Exclamation);
        return false;
    }
    if (messenger_.showMessage(QStringLiteral("第１指を３回、第２指を３回の計６回読み取ります。") + kCrLf +
                                   QStringLiteral("読み取りOKの指示が出たら開始して下さい。"),
                               MessageStyle(Icon::Question, Buttons::OkCancel),
                               QStringLiteral("指紋の登録")) != Answer::Ok)
        return false;

    bool ok = openReading();
    for (int finger = 0; ok && finger < 2; ++finger) {
        const QByteArray &id = ids[finger];
        tellStatus(QStringLiteral("登録開始応答の確認中..."));
        const Outcome start = exactCommand('S', finger, id);
        if (start != Outcome::Ok) {
            if (start == Outcome::Timeout)
                tellNoReply(lastReply_, timeoutText());
            else if (start == Outcome::Wrong)
                tellNoReply(lastReply_, registrationStopped());
            ok = false;
            break;
        }
        tellStatus(QStringLiteral("OK。第%1指の指紋を３回読み取って下さい。").arg(fullWidth(finger)));
        FingerExchange::Received result;
        {
            Countdown left(countdown, times_.registerReadMs / 1000);
            result = ex_.receiveToEtx(times_.registerReadMs, registrantlist::kReplyLimit,
                                      [this](int n) { showProgress(qMin(11, n), 11); });
        }
        if (!result.complete) {
            messenger_.showMessage(registrationStopped(), Icon::Information);
            ok = false;
            break;
        }
        if (result.bytes == fingerunit::expectedReply('S', finger, id)) {
            messenger_.showMessage(QStringLiteral("すでに登録されている指紋です。") + kCrLf +
                                       QStringLiteral("登録を中止します。"),
                                   Icon::Information);
            ok = false;
            break;
        }
        if (result.bytes != fingerunit::expectedReply('S')) {
            if (cdrErrChk(result.bytes))
                messenger_.showMessage(registrationStopped(), Icon::Information);
            ok = false;
            break;
        }
        tellStatus(QStringLiteral("第%1指のユーザーID登録完了。").arg(fullWidth(finger)));
        settle(11);
        // The template follows on its own; what already came waits in the port.
        const int capacity = fingers::kTemplateCapacity;
        showProgress(0, capacity);
        const FingerExchange::Received t = ex_.receiveTemplate(
            times_.templateMs, capacity, [&](int n) { showProgress(qBound(0, n, capacity), capacity); });
        showProgress(0, 0);
        if (!t.complete) {
            if (t.overLimit)
                messenger_.showMessage(
                    QStringLiteral("指紋データが%1バイトを超えたため、受け付けません。").arg(capacity),
                    Icon::Exclamation);
            timeoutNotice();
            ok = false;
            break;
        }
        users_[row].userId[finger] = id;
        users_[row].fingerTemplate[finger] = t.bytes;
        tellStatus(QStringLiteral("第%1指の指紋データ登録完了。").arg(fullWidth(finger)));
    }
    if (ok)
        ok = files_.writeFinger(users_, row, FingerFiles::Target::DataFile);
    setState(msg::RegistrantsRead);
    if (ok)
        readRegistrants(true);
    tellStatus({});
    showProgress(0, 0);
    return ok;
}

bool FingerUnit::deleteUsers(int first, int last, const DeletePassword &password, const PasswordInput &input)
{
    ex_.clearCancel();
    if (!users_.registrantsLoaded() || !linesReady())
        return false;
    setState(msg::FingerDeleted);
    if (messenger_.showMessage(QStringLiteral("選択されているユーザーの指紋データを消去します。") + kCrLf +
                                   QStringLiteral("よろしいですか？"),
                               MessageStyle(Icon::Question, Buttons::OkCancel, 1),
                               QStringLiteral("指紋の消去")) != Answer::Ok)
        return false;
    if (!FingerUsers::isRow(first) || !users_[first].hasIds()) {
        messenger_.showMessage(QStringLiteral("ユーザーが選択されていません。"), Icon::Exclamation);
        return false;
    }
    if (!password.confirmDeletion(messenger_, input))
        return false;

    const bool all = first <= 1 && last >= fingers::kRows;
    Outcome outcome = Outcome::Ok;
    if (all) {
        tellStatus(QStringLiteral("全ての指紋データを消去中です..."));
        setState(999);
        outcome = exactCommand('A');
        if (outcome == Outcome::Ok)
            setState(msg::FingerDeletedAll);
    } else {
        for (int row = first; outcome == Outcome::Ok && row <= qMin(last, fingers::kRows); ++row) {
            for (int finger = 0; finger < 2; ++finger) {
                const QByteArray id = users_[row].userId[finger];
                if (fingers::isBlankId(id))
                    continue;
                tellStatus(QStringLiteral("No.%1の第%2指の指紋データを消去中です...").arg(row).arg(fullWidth(finger)));
                showProgress(0, 11);
                outcome = exactCommand('K', finger, id);
                showProgress(int(lastReply_.size()), 11);
                if (outcome != Outcome::Ok)
                    break;
            }
        }
    }
    showProgress(0, 0);
    switch (outcome) {
    case Outcome::Ok:
        files_.cutRows(all ? 1 : first, all ? fingers::kRows : last);
        messenger_.showCatalogMessage(ch_.appState().toolState);
        break;
    case Outcome::Timeout:
        tellNoReply(lastReply_, timeoutText());
        break;
    case Outcome::Wrong:
        // Nothing was cut from the file: the unit may still hold the user.
        if (cdrErrChk(lastReply_))
            messenger_.showMessage(QStringLiteral("プリンタから消去できませんでした。"), Icon::Exclamation);
        break;
    case Outcome::Cancelled:
        break;
    }
    setState(msg::RegistrantsRead);
    readRegistrants(true);
    tellStatus({});
    return outcome == Outcome::Ok;
}

int FingerUnit::templatesIn(int first, int last) const
{
    int n = 0;
    for (int row = qMax(1, first); row <= qMin(last, fingers::kRows); ++row) {
        for (int finger = 0; finger < 2; ++finger)
            n += fingers::isBlankId(users_[row].userId[finger]) ? 0 : 1;
    }
    return n;
}

void FingerUnit::showItems(int done, int total)
{
    if (items)
        items(done, total);
}

bool FingerUnit::writeTemplates(int first, int last, bool appendToDataFile)
{
    ex_.clearCancel();
    bool ok = true;
    const int total = templatesIn(first, last);
    int done = 0;
    for (int row = qMax(1, first); ok && row <= qMin(last, fingers::kRows); ++row) {
        if (!users_[row].hasIds())
            break;
        for (int finger = 0; ok && finger < 2; ++finger) {
            const QByteArray id = users_[row].userId[finger];
            if (fingers::isBlankId(id))
                continue;
            const QByteArray &t = users_[row].fingerTemplate[finger];
            if (!users_[row].hasTemplate(finger) || t.size() > fingers::kTemplateCapacity) {
                messenger_.showMessage(QStringLiteral("No.%1の第%2指の指紋データが正しくないため、登録できません。")
                                           .arg(row)
                                           .arg(fullWidth(finger)),
                                       Icon::Exclamation);
                ok = false;
                break;
            }
            ok = sendCommand('W', finger, id) && ex_.dsrCheck();
            if (!ok)
                break;
            if (selectRow)
                selectRow(row);
            tellStatus(QStringLiteral("No.%1の第%2指の指紋データを登録中です...").arg(row).arg(fullWidth(finger)));
            const int lastIndex = int(t.size()) - 1;
            showProgress(0, lastIndex);
            ok = ex_.writeBytes(t, [this, lastIndex](int i) { showProgress(i, lastIndex); });
            if (!ok)
                break;
            const FingerExchange::Received r = ex_.receiveCount(3, times_.writeReplyMs);
            if (r.complete && r.bytes == fingerunit::expectedReply('W')) {
                settle(lastIndex);
                showProgress(0, 0);
                ch_.serial().clearInput();
                showItems(++done, total);
            } else {
                showProgress(0, 0);
                if (!r.bytes.isEmpty())
                    cdrErrChk(r.bytes);
                ok = false;
            }
        }
        if (ok && appendToDataFile)
            ok = files_.writeFinger(users_, row, FingerFiles::Target::DataFile);
    }
    tellStatus({});
    showProgress(0, 0);
    showItems(0, 0);
    if (!ex_.cancelled())
        messenger_.showCatalogMessage(ok ? msg::TemplatesRegistered : msg::RegisterFromFileFailed);
    return ok;
}

FoundFinger FingerUnit::serchFinger(const QByteArray &markerAndId)
{
    FoundFinger f;
    if (markerAndId.size() < 1 + fingers::kIdSize)
        return f;
    f.finger = fingers::fingerOfMarker(markerAndId.at(0));
    f.row = users_.findRow(f.finger, markerAndId.mid(1, fingers::kIdSize));
    if (f.found()) {
        setState(msg::FingerIsRegistered);
        if (highlight)
            highlight(f);
    }
    return f;
}

std::optional<FoundFinger> FingerUnit::readingPeriod(int seconds)
{
    if (!openReading())
        return std::nullopt;
    setState(msg::FingerNotRegistered);
    std::optional<FoundFinger> found;
    {
        Countdown left(countdown, seconds);
        const FingerExchange::Received r = ex_.receiveToEtx(seconds * 1000, registrantlist::kReplyLimit);
        // STX, the reply byte, marker and ID, ETX.
        if (r.complete && cdrErrChk(r.bytes) && r.bytes.size() == 11)
            found = serchFinger(r.bytes.mid(2, 1 + fingers::kIdSize));
    }
    const bool cancelled = ex_.cancelled();
    ex_.clearCancel();
    disableRead();
    if (cancelled)
        return std::nullopt;
    return found;
}

bool FingerUnit::printVersion()
{
    ex_.clearCancel();
    setState(924);
    if (!sendCommand('V'))
        return false;
    const FingerExchange::Received r = ex_.receiveToEtx(times_.versionMs, registrantlist::kReplyLimit);
    if (!r.complete) {
        tellNoReply(r.bytes, timeoutText());
        return false;
    }
    // A dirty sensor or a unit error answers in place of the version; it
    // is no version to print.
    if (!cdrErrChk(r.bytes))
        return false;
    // The version text, the reply byte first, without the closing ETX.
    const QByteArray version = r.bytes.mid(1).chopped(1);
    QByteArray job;
    job += fingerunit::kPrintLead;
    job += "\x1bI1";
    job += "\x1bJ\x18";
    job += "\x1bh1";
    job += cp932::encode(QStringLiteral(" --- 指紋認証部： "));
    job += version;
    job += " ---";
    job += '\r';
    job += "\x1bJ\x18";
    QByteArray end;
    end += fingerunit::kPrintLead;
    end += '\x13';
    end += 'P';
    end += '\0';
    return ex_.send(job) && ex_.channel().sendSerialDrained(end);
}

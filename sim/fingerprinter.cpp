#include "fingerprinter.h"

namespace sim {

namespace {

constexpr char kLead = 0x08;
constexpr char kPrint = 0x07;
constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;
constexpr int kIdSize = 7;

// The letters whose frame carries the finger marker and an ID.
bool withUser(char letter) { return letter == 'U' || letter == 'K' || letter == 'S' || letter == 'W'; }

int fingerOf(char marker) { return marker == 'P' ? 0 : 1; }

QByteArray bytes(std::initializer_list<char> list) { return QByteArray(list.begin(), qsizetype(list.size())); }

// The amount after a feed or spacing command is a byte of the job, even
// one that would otherwise begin a frame (the list print feeds 08 dots).
bool isParameter(const QByteArray &job)
{
    const qsizetype n = job.size();
    if (n < 2)
        return false;
    const char lead = job.at(n - 2);
    const char code = job.at(n - 1);
    return (lead == 0x1B && (code == 'J' || code == 'l')) || (lead == 0x1D && code == 'h');
}

} // namespace

// The unit's own framing replaces the DC3 commands; the general status
// records go out as before.
FingerPrinter::FingerPrinter(QObject *parent)
    : StatusPrinter(QStringLiteral("finger"),
                    {{'Z', "power on"},
                     {'k', "settings switch operated"},
                     {'K', "settings switch released"},
                     {'E', "paper end"},
                     {'e', "paper end cleared"}},
                    parent)
{
    jobGap_.setSingleShot(true);
    jobGap_.setInterval(kJobGapMs);
    connect(&jobGap_, &QTimer::timeout, this, [this] { finishJob(); });
}

QByteArray FingerPrinter::templateFor(const QByteArray &id)
{
    quint32 seed = 2166136261u;
    for (char c : id)
        seed = (seed ^ quint8(c)) * 16777619u;
    const int body = 200 + int(seed % 400);
    QByteArray t;
    t += kStx;
    quint8 check = 0;
    for (int i = 0; i < body; ++i) {
        seed = seed * 1103515245u + 12345u;
        // No STX or ETX inside: the template ends at its only ETX.
        const auto b = quint8(0x10 + (seed >> 16) % 0xF0);
        t += char(b);
        check ^= b;
    }
    t += kEtx;
    t += char(check);
    return t;
}

void FingerPrinter::addRegistrant(const QByteArray &id1, const QByteArray &id2)
{
    Registrant r;
    r.id = {id1, id2};
    for (int f = 0; f < 2; ++f) {
        if (!r.id[f].isEmpty())
            r.templ[f] = templateFor(r.id[f]);
    }
    registrants_.append(r);
}

void FingerPrinter::fill(int n)
{
    registrants_.clear();
    for (int i = 1; i <= qMin(n, kMaxRegistrants); ++i)
        addRegistrant(QByteArray("A") + QByteArray::number(i).rightJustified(6, '0'),
                      QByteArray("B") + QByteArray::number(i).rightJustified(6, '0'));
}

int FingerPrinter::find(int finger, const QByteArray &id) const
{
    for (int i = 0; i < registrants_.size(); ++i) {
        if (registrants_[i].id[finger] == id)
            return i;
    }
    return -1;
}

bool FingerPrinter::placeFinger(int finger, const QByteArray &id)
{
    if (!reading_ || find(finger, id) < 0)
        return false;
    sendOwn(kStx + QByteArray("r") + (finger == 0 ? 'P' : '\0') + id + kEtx, QStringLiteral("finger recognised"));
    return true;
}

void FingerPrinter::reportDirtySensor() { sendOwn(bytes({kStx, 'D', kEtx}), QStringLiteral("sensor dirty")); }

void FingerPrinter::reset()
{
    mode_ = Mode::Idle;
    buf_.clear();
    finishJob();
}

void FingerPrinter::discardPartialFrame()
{
    // A template being written is a frame too.
    if (mode_ == Mode::Command || mode_ == Mode::Template) {
        mode_ = Mode::Idle;
        buf_.clear();
        writeAnswer_.reset();
    }
}

void FingerPrinter::received(const QByteArray &in)
{
    for (char c : in)
        take(c);
}

void FingerPrinter::take(char c)
{
    switch (mode_) {
    case Mode::Job:
        if ((c != kLead && c != kPrint) || isParameter(job_.bytes)) {
            job_.bytes += c;
            jobGap_.start();
            return;
        }
        finishJob();
        break;
    case Mode::Template: {
        buf_ += c;
        const qsizetype n = buf_.size();
        if (n > kMaxTemplate) {
            note(QStringLiteral("template over %1 bytes refused").arg(kMaxTemplate));
            mode_ = Mode::Idle;
            buf_.clear();
            answer(bytes({kStx, 'E', kEtx}), QStringLiteral("unit error"));
        } else if (n >= 2 && buf_.at(n - 2) == kEtx) {
            logReceived(buf_, QStringLiteral("template for %1").arg(QString::fromLatin1(writeTarget_.mid(1))));
            const QByteArray target = writeTarget_;
            const QByteArray t = buf_;
            mode_ = Mode::Idle;
            buf_.clear();
            if (writeAnswer_) {
                if (*writeAnswer_)
                    answer(**writeAnswer_, QStringLiteral("answer as told"));
                return;
            }
            registerFinger(fingerOf(target.at(0)), target.mid(1), t);
            answer(bytes({kStx, 'w', kEtx}), QStringLiteral("template written"));
        }
        return;
    }
    case Mode::Command: {
        buf_ += c;
        const qsizetype n = buf_.size();
        if (n == 2 && c != kStx) {
            note(QStringLiteral("08 without STX dropped"));
            mode_ = Mode::Idle;
            buf_.clear();
            return;
        }
        if (n < 3)
            return;
        const int end = 3 + (withUser(buf_.at(2)) ? 1 + kIdSize : 0);
        if (n == end + 1) {
            mode_ = Mode::Idle;
            const QByteArray frame = buf_;
            buf_.clear();
            if (c == kEtx)
                command(frame);
            else
                note(QStringLiteral("frame without ETX dropped"));
        }
        return;
    }
    case Mode::Idle:
        break;
    }
    if (c == kLead) {
        mode_ = Mode::Command;
        buf_ = QByteArray(1, c);
    } else if (c == kPrint) {
        mode_ = Mode::Job;
        job_ = PrintJob();
        job_.started = QDateTime::currentDateTime();
        job_.bytes = QByteArray(1, c);
        jobGap_.start();
    } else {
        note(QStringLiteral("noise byte %1 dropped").arg(quint8(c), 2, 16, QLatin1Char('0')));
    }
}

void FingerPrinter::finishJob()
{
    jobGap_.stop();
    if (mode_ != Mode::Job && job_.bytes.isEmpty())
        return;
    if (!job_.bytes.isEmpty()) {
        logReceived(job_.bytes, QStringLiteral("print job"));
        jobs_.append(job_);
        if (jobs_.size() > PrintSink::kMaxJobs)
            jobs_.removeFirst();
    }
    job_ = PrintJob();
    if (mode_ == Mode::Job)
        mode_ = Mode::Idle;
}

void FingerPrinter::answer(const QByteArray &frame, const QString &what) { reply(frame, what); }

void FingerPrinter::registerFinger(int finger, const QByteArray &id, const QByteArray &templ)
{
    // Finger 2 joins the registrant whose finger 1 came just before it.
    if (finger == 1 && !registrants_.isEmpty() && registrants_.last().id[1].isEmpty()) {
        registrants_.last().id[1] = id;
        registrants_.last().templ[1] = templ;
        return;
    }
    if (registrants_.size() >= kMaxRegistrants)
        return;
    Registrant r;
    r.id[finger] = id;
    r.templ[finger] = templ;
    registrants_.append(r);
}

QByteArray FingerPrinter::listReply() const
{
    QByteArray r = bytes({kStx, 'l'});
    if (registrants_.isEmpty())
        r += QByteArray("P") + QByteArray(kIdSize, ' ');
    for (const Registrant &g : registrants_) {
        r += 'P';
        r += g.id[0].isEmpty() ? QByteArray(kIdSize, ' ') : g.id[0];
        if (!g.id[1].isEmpty()) {
            r += '\0';
            r += g.id[1];
        }
    }
    r += kEtx;
    return r;
}

QByteArray FingerPrinter::outgoingTemplate(const QByteArray &templ)
{
    if (resetAfter_ < 0)
        return templ;
    const int cut = resetAfter_;
    resetAfter_ = -1;
    note(QStringLiteral("unit reset after %1 template bytes").arg(cut));
    return templ.left(cut) + bytes({kStx, 'I', kEtx});
}

void FingerPrinter::command(const QByteArray &frame)
{
    const char letter = frame.at(2);
    const QByteArray params = frame.mid(3, frame.size() - 4);
    commands_.append(frame.mid(2, frame.size() - 3));
    logReceived(frame, QStringLiteral("command %1").arg(QLatin1Char(letter)));
    const int finger = params.isEmpty() ? 0 : fingerOf(params.at(0));
    const QByteArray id = params.mid(1);
    const QByteArray echo = kStx + QByteArray(1, char(letter | 0x20)) + params + kEtx;

    // The answer in place of the right one, if any; nothing: silence.
    std::optional<std::optional<QByteArray>> instead;
    if (overrideNext_) {
        overrideNext_ = false;
        instead = nextReply_;
    } else if (dirty_ || unitError_) {
        instead = bytes({kStx, dirty_ ? 'D' : 'E', kEtx});
    }
    if (letter == 'W') {
        // The template follows whatever the answer will be; it comes after it.
        writeTarget_ = params;
        writeAnswer_ = instead;
        mode_ = Mode::Template;
        buf_.clear();
        return;
    }
    if (instead) {
        if (*instead)
            answer(**instead, QStringLiteral("answer as told"));
        return;
    }
    const QByteArray error = bytes({kStx, 'E', kEtx});
    switch (letter) {
    case 'O':
        reading_ = true;
        answer(bytes({kStx, 'o', kEtx}), QStringLiteral("reading open"));
        break;
    case 'C':
        reading_ = false;
        answer(bytes({kStx, 'c', kEtx}), QStringLiteral("reading closed"));
        break;
    case 'L':
        answer(listReply(), QStringLiteral("%1 registrants").arg(registrants_.size()));
        break;
    case 'U': {
        if (resetOnTemplate_) {
            resetOnTemplate_ = false;
            answer(bytes({kStx, 'I', kEtx}), QStringLiteral("unit reset"));
            break;
        }
        const int i = find(finger, id);
        answer(i < 0 ? error : outgoingTemplate(registrants_[i].templ[finger]), QStringLiteral("template"));
        break;
    }
    case 'K': {
        const int i = find(finger, id);
        if (i < 0) {
            answer(error, QStringLiteral("no such user"));
            break;
        }
        registrants_[i].id[finger].clear();
        registrants_[i].templ[finger].clear();
        if (registrants_[i].id[0].isEmpty() && registrants_[i].id[1].isEmpty())
            registrants_.removeAt(i);
        answer(echo, QStringLiteral("finger deleted"));
        break;
    }
    case 'A':
        registrants_.clear();
        answer(bytes({kStx, 'a', kEtx}), QStringLiteral("all deleted"));
        break;
    case 'S': {
        answer(echo, QStringLiteral("registration started"));
        const Placed placed = placed_;
        QTimer::singleShot(registerDelayMs_, this, [this, placed, finger, id, echo] {
            switch (placed) {
            case Placed::NewFinger: {
                const QByteArray t = templateFor(id);
                registerFinger(finger, id, t);
                sendOwn(bytes({kStx, 's', kEtx}), QStringLiteral("finger read three times"));
                sendOwn(outgoingTemplate(t), QStringLiteral("template of the new finger"));
                break;
            }
            case Placed::KnownFinger:
                sendOwn(echo, QStringLiteral("finger already registered"));
                break;
            case Placed::Nothing:
                break;
            }
        });
        break;
    }
    case 'V':
        answer(bytes({kStx, 'v'}) + version() + kEtx, QStringLiteral("version"));
        break;
    default:
        answer(error, QStringLiteral("unknown command"));
        break;
    }
}

} // namespace sim

#pragma once
// A message printer written from the frames alone, as a SerialPeer: it
// answers each command with its success reply unless a test scripts
// another, plays read all acknowledge by acknowledge, and can pace its
// output at a line speed (10 bits a byte).
#include "comm/serialpeer.h"

#include <QElapsedTimer>
#include <QMap>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

class FakeMessagePrinter : public SerialPeer {
public:
    static QByteArray frame(char letter, std::optional<int> number = std::nullopt, const QByteArray &data = {})
    {
        QByteArray f("\x13");
        f += letter;
        if (number)
            f += char(quint8(*number));
        return f + data + '\0';
    }

    QMap<int, QByteArray> messages; // what the printer holds
    QList<QByteArray> frames;       // every frame the program sent
    QStringList log;                // frames (hex) and "DTR0"/"DTR1"
    // Replies to the next commands, one each (nullopt: silence); when
    // empty the printer answers as it should.
    std::deque<std::optional<QByteArray>> scripted;
    // Read all: the i-th frame sent (the end frame included) goes through
    // this; an empty result is silence.
    std::function<QByteArray(int index, const QByteArray &frame)> readFrame;
    std::function<void(const QByteArray &frame)> onFrame; // before answering
    int baud = 0;                                         // 0: no pacing
    qint64 bytesSent = 0;
    qint64 bytesReceived = 0;

    PeerPort &line() { return *port(); }

    void hostOpened() override { dtr_ = port()->hostDtr(); }
    void hostLinesChanged() override
    {
        if (port()->hostDtr() != dtr_)
            log << ((dtr_ = port()->hostDtr()) ? QStringLiteral("DTR1") : QStringLiteral("DTR0"));
    }
    void bytesFromHost(const QByteArray &bytes) override
    {
        bytesReceived += bytes.size();
        pending_ += bytes;
        for (qsizetype nul; (nul = pending_.indexOf('\0')) >= 0;) {
            const QByteArray f = pending_.left(nul + 1);
            pending_.remove(0, nul + 1);
            frames << f;
            log << QString::fromLatin1(f.toHex(' '));
            if (onFrame)
                onFrame(f);
            answer(f);
        }
    }

    // Paced: after what is already on its way, in pieces of 64 bytes, and
    // not before the command's last byte has crossed the line.
    void send(const QByteArray &bytes)
    {
        bytesSent += bytes.size();
        if (baud <= 0 || bytes.isEmpty()) {
            if (!bytes.isEmpty())
                line().sendToHost(bytes);
            return;
        }
        if (!clock_.isValid())
            clock_.start();
        const double byteUs = 1e7 / baud;
        const auto nowUs = [this] { return double(clock_.nsecsElapsed()) / 1000.0; };
        double at = qMax(nowUs() + byteUs, freeAtUs_);
        for (qsizetype i = 0; i < bytes.size(); i += 64) {
            const QByteArray piece = bytes.mid(i, 64);
            at += byteUs * double(piece.size());
            line().sendToHost(piece, int(qMax(0.0, at - nowUs()) / 1000.0 + 0.5));
        }
        freeAtUs_ = at;
    }

private:
    void answer(const QByteArray &f)
    {
        const char letter = f.size() >= 3 ? f.at(1) : 0;
        const bool numbered = f.size() >= 4;
        const int n = numbered ? quint8(f.at(2)) : 0;
        if (letter == 'b') { // only the acknowledge awaited goes on
            if (reading_ && f == frame('b', awaited_, "0"))
                sendNext();
            else
                reading_ = false;
            return;
        }
        reading_ = false;
        if (!scripted.empty()) {
            const std::optional<QByteArray> reply = scripted.front();
            scripted.pop_front();
            send(reply.value_or(QByteArray()));
            return;
        }
        switch (letter) {
        case 'B':
            messages[n] = f.mid(3, f.size() - 4);
            return send(frame('b', n, "0"));
        case 'A':
            numbered ? void(messages.remove(n)) : messages.clear();
            return send(numbered ? frame('a', n) : frame('a'));
        case 'C':
            return send(numbered ? frame('c', n) : frame('c'));
        case 'D':
            queue_ = messages.keys();
            sent_ = 0;
            reading_ = true;
            return sendNext();
        }
    }
    void sendNext()
    {
        reading_ = !queue_.isEmpty();
        if (reading_)
            awaited_ = queue_.takeFirst();
        const QByteArray out = reading_ ? frame('d', awaited_, messages.value(awaited_)) : frame('d');
        const int index = sent_++;
        send(readFrame ? readFrame(index, out) : out);
    }

    QByteArray pending_;
    QList<int> queue_;
    int awaited_ = 0;
    int sent_ = 0;
    bool reading_ = false;
    bool dtr_ = false;
    QElapsedTimer clock_;
    double freeAtUs_ = 0;
};

#pragma once
// The faults a printer's reply can have, made from the good reply, so that
// every tool's protocol tests run the same table against their commands:
//
//   for (const ReplyFault &f : replyFaults(expectedReply)) { ... f.reply ... f.ok ... }
//
// The number byte is taken to stand at index 2 (DC3, letter, number).
#include "comm/simseriallink.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

struct ReplyFault {
    QString label;
    std::optional<QByteArray> reply; // nothing: the printer stays silent
    bool ok = false;                 // the operation must succeed
    bool inPieces = false;           // sent in two pieces, pausing under the timeout
    bool dropLine = false;           // the cable is pulled instead of replying
};

inline QList<ReplyFault> replyFaults(const QByteArray &good, int numberIndex = 2)
{
    QList<ReplyFault> cases{{"as sent", good, true}, {"in two pieces, pauses under the timeout", good, true, true}};
    // Any byte before the NUL.
    for (int i = 0; i + 1 < good.size(); ++i) {
        QByteArray r = good;
        r[i] = char(r[i] ^ 0x01);
        cases.append({QStringLiteral("byte %1 differs").arg(i), r});
    }
    if (good.size() > numberIndex + 1) {
        QByteArray r = good;
        r[numberIndex] = char(quint8(r[numberIndex]) == 6 ? 7 : 6);
        cases.append({QStringLiteral("another number"), r});
    }
    cases.append({QStringLiteral("a byte more"), good.left(good.size() - 1) + "0" + '\0'});
    cases.append({QStringLiteral("garbage first"), QByteArray::fromHex("aa55") + good});
    cases.append({QStringLiteral("cut short (no NUL)"), good.chopped(1)});
    cases.append({QStringLiteral("silence"), std::nullopt});
    return cases;
}

// The line dropped in place of the reply; for tests whose printer side can
// pull the cable.
inline ReplyFault lineDropFault() { return {QStringLiteral("line dropped"), std::nullopt, false, false, true}; }

// A reply filter for SimSerialLink::setReplyFilter that answers with the
// fault's reply in place of the printer's: nothing for silence, the whole
// reply, or (inPieces) the first splitAt bytes 2/3 of waitMs later and the
// rest at 4/3, so that only a wait that restarts with every byte holds.
inline std::function<QByteArray(const QByteArray &)> replyInPlace(SimSerialLink &line, const ReplyFault &fault,
                                                                  int splitAt, int waitMs)
{
    auto passing = std::make_shared<bool>(false);
    return [&line, fault, splitAt, waitMs, passing](const QByteArray &b) -> QByteArray {
        if (*passing)
            return b;
        if (!fault.reply)
            return {};
        if (!fault.inPieces)
            return *fault.reply;
        *passing = true;
        line.sendToHost(fault.reply->left(splitAt), waitMs * 2 / 3);
        line.sendToHost(fault.reply->mid(splitAt), waitMs * 4 / 3);
        *passing = false;
        return {};
    };
}

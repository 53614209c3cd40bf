#pragma once
// Faults an emulated printer puts on its replies, on demand: a reply that
// never comes, a wrong one, a late one, noise in front of it, or a line
// that drops halfway through it. They hit the replies to commands, not
// what a printer sends on its own (status records).
#include <QByteArray>
#include <QString>

namespace sim {

struct FaultPlan {
    bool noReply = false;
    // The byte before the closing NUL is changed (13 62 05 30 00 becomes
    // 13 62 05 31 00, 13 61 00 becomes 13 62 00): always a wrong reply.
    bool wrongReply = false;
    int slowMs = 0;
    bool garbage = false;
    // The first half of the reply goes out, then the line drops; it comes
    // back after reconnectMs (negative: only when told).
    bool dropMidFrame = false;
    int reconnectMs = 0;
    // How many replies the faults hit; negative: every reply until cleared.
    int times = -1;

    bool active() const { return times != 0 && (noReply || wrongReply || slowMs > 0 || garbage || dropMidFrame); }
    QString describe() const;

    // Noise put in front of a reply (no NUL in it, so it never makes a
    // frame of its own; a DC3 in it, so framings that look for one are
    // tested too).
    static QByteArray noise();
    static QByteArray corrupted(const QByteArray &frame);

    // Adds one fault named in the command-line form: "no-reply",
    // "wrong-reply", "slow-reply:MS", "garbage", "drop-mid-frame[:MS]"
    // (reconnect after MS), "times:N", or "none" (clears everything).
    // False, with the plan unchanged, for anything else.
    bool apply(const QString &fault);
};

} // namespace sim

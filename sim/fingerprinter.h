#pragma once
// The printer with the fingerprint authentication unit. The unit and the
// print engine share the line: a command for the unit begins 08 and is
// framed 02 <letter> [marker ID] 03; a print job begins 07 and is recorded
// as the print sink records its jobs.
//
// The unit holds up to 100 registrants with two fingers each. Every
// finger's template is STX, a body made from its ID, ETX and a check byte,
// fixed per ID (templateFor) so that tests can compare what they read.
#include "printsink.h"
#include "statusprinter.h"

#include <QList>
#include <QTimer>
#include <array>
#include <optional>

namespace sim {

class FingerPrinter : public StatusPrinter {
    Q_OBJECT
public:
    explicit FingerPrinter(QObject *parent = nullptr);

    static constexpr int kMaxRegistrants = 100;
    static constexpr int kMaxTemplate = 800;

    struct Registrant {
        std::array<QByteArray, 2> id;    // 7 bytes, or empty: no such finger
        std::array<QByteArray, 2> templ; // as stored on the unit
    };
    const QList<Registrant> &registrants() const { return registrants_; }
    // n registrants, IDs "A000001"/"B000001" onwards, with their templates.
    void fill(int n);
    void addRegistrant(const QByteArray &id1, const QByteArray &id2);
    void clearRegistrants() { registrants_.clear(); }
    // The template the unit keeps for an ID.
    static QByteArray templateFor(const QByteArray &id);

    // ---- on demand -------------------------------------------------------
    // Every command is answered 02 44 03 (dirty sensor) / 02 45 03 (unit error).
    void setDirtySensor(bool on) { dirty_ = on; }
    void setUnitError(bool on) { unitError_ = on; }
    // The unit resets in place of the next template: 02 49 03.
    void setResetOnTemplate(bool on) { resetOnTemplate_ = on; }
    // The unit resets in the middle of the next template, read or
    // registered: its first `bytes` bytes go out, then 02 49 03.
    void setResetInTemplate(int bytes) { resetAfter_ = bytes; }
    // The next command's answer (nothing: silence), in place of the right one.
    void setNextReply(std::optional<QByteArray> reply)
    {
        nextReply_ = std::move(reply);
        overrideNext_ = true;
    }
    // Registration: how long reading the finger three times takes, and
    // what is placed on the sensor (by default a new finger).
    void setRegisterDelayMs(int ms) { registerDelayMs_ = ms; }
    enum class Placed { NewFinger, KnownFinger, Nothing };
    void setPlaced(Placed placed) { placed_ = placed; }
    // A finger on the sensor while reading is open: 02 72 m ID 03.
    bool placeFinger(int finger, const QByteArray &id);
    // The unit finds its sensor dirty and says so on its own: 02 44 03.
    void reportDirtySensor();
    bool readingOpen() const { return reading_; }
    static QByteArray version() { return QByteArrayLiteral("FPU-1.20"); }

    // ---- the print engine ----------------------------------------------
    QList<PrintJob> jobs() const { return jobs_; }
    static constexpr int kJobGapMs = 100;
    // The commands the unit took, letter and parameters, in order.
    QList<QByteArray> commands() const { return commands_; }

protected:
    void received(const QByteArray &bytes) override;
    void reset() override;
    void discardPartialFrame() override;

private:
    enum class Mode { Idle, Command, Template, Job };
    void take(char c);
    void command(const QByteArray &frame);
    void answer(const QByteArray &frame, const QString &what);
    void finishJob();
    void registerFinger(int finger, const QByteArray &id, const QByteArray &templ);
    int find(int finger, const QByteArray &id) const;
    QByteArray listReply() const;
    // The template as it goes out: cut by a reset when one is due.
    QByteArray outgoingTemplate(const QByteArray &templ);

    QList<Registrant> registrants_;
    Mode mode_ = Mode::Idle;
    QByteArray buf_;
    QByteArray writeTarget_; // marker and ID of the template being written
    std::optional<std::optional<QByteArray>> writeAnswer_;
    PrintJob job_;
    QTimer jobGap_;
    QList<PrintJob> jobs_;
    QList<QByteArray> commands_;
    bool reading_ = false;
    bool dirty_ = false;
    bool unitError_ = false;
    bool resetOnTemplate_ = false;
    int resetAfter_ = -1;
    bool overrideNext_ = false;
    std::optional<QByteArray> nextReply_;
    int registerDelayMs_ = 50;
    Placed placed_ = Placed::NewFinger;
};

} // namespace sim

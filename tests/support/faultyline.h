#pragma once
// A line that spoils itself on cue, between the program and any emulated
// printer. It counts the bytes in both directions (also when no fault is
// armed, so that a clean run measures an operation) and notes where each
// burst ended, which are the frame boundaries of the exchange:
//
//   FaultyLine &line = FaultyLine::install(*pc.line, sim::createPrinter("unit"));
//   line.arm(FaultyLine::Fault::DropAtPrinterByte, 7);
//   ... run the operation ...
//   line.heal();
//
// or, table-driven, every fault at every (sampled) position of an
// operation measured on a clean run:
//
//   line.arm(FaultyLine::Fault::None);
//   ... run the operation ...
//   for (const FaultyLine::Case &c : FaultyLine::cases(line.measured())) { line.arm(c); ... }
//
// Positions count from 1, over everything since arm(). A "reply" is what
// the printer puts on the line in one go (one frame, unpaced).
#include "comm/serialpeer.h"
#include "comm/simseriallink.h"

#include "emulatedprinter.h"
#include "faultplan.h"

#include <QList>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>

class FaultyLine : public SerialPeer, public PeerPort {
public:
    enum class Fault {
        None,
        DropAtHostByte,    // the cable pulled as the program sends byte `at`
        DropAtPrinterByte, // the cable pulled before the printer's byte `at`
        DsrOffAtHostByte,  // DSR lost as the program sends byte `at`
        CutReplies,        // every reply loses its last byte
        DoubleReplies,     // every reply comes twice
        WrongPrinterByte,  // the printer's byte `at` has a bit flipped
        GarbageFirst,      // noise before every reply
        TooSlow,           // every reply `at` ms later
    };

    struct Case {
        Fault fault = Fault::None;
        int at = 0;
        QString label() const
        {
            static const char *const names[] = {"none",
                                                "line dropped at host byte",
                                                "line dropped at printer byte",
                                                "DSR lost at host byte",
                                                "replies cut short",
                                                "replies doubled",
                                                "wrong printer byte",
                                                "garbage first",
                                                "replies late by ms"};
            return QStringLiteral("%1 %2").arg(QLatin1String(names[int(fault)])).arg(at);
        }
    };
    // What a clean run of an operation put on the line.
    struct Measure {
        int hostBytes = 0;
        QList<int> hostEnds;
        QByteArray hostPassed; // what reached the printer
        int printerBytes = 0;
        QList<int> printerEnds;
        QByteArray printerSent; // as it left the printer
        // The printer's byte at a position (1-based), 0 past the end.
        char printerByte(int at) const { return at >= 1 && at <= printerSent.size() ? printerSent.at(at - 1) : '\0'; }
        // Where a printer byte stands in its burst: 0 for the first, and
        // whether it is the last.
        int offsetInBurst(int at) const
        {
            int start = 1;
            for (int e : printerEnds) {
                if (at <= e)
                    return at - start;
                start = e + 1;
            }
            return -1;
        }
        bool lastOfBurst(int at) const { return printerEnds.contains(at); }
    };
    Measure measured() const { return {hostBytes_, hostEnds_, hostPassed_, printerBytes_, printerEnds_, printerSent_}; }

    // Every fault for an operation: the per-byte faults at the positions
    // worth one (every step-th byte, the first and last few and both
    // sides of every burst end), then the faults of whole replies; the
    // late replies come lateMs after the printer sent them.
    static QList<Case> cases(const Measure &m, int step = 1, int lateMs = 400)
    {
        QList<Case> out;
        for (int at : positions(m.hostBytes, m.hostEnds, step)) {
            out.append({Fault::DropAtHostByte, at});
            out.append({Fault::DsrOffAtHostByte, at});
        }
        for (int at : positions(m.printerBytes, m.printerEnds, step)) {
            out.append({Fault::DropAtPrinterByte, at});
            out.append({Fault::WrongPrinterByte, at});
        }
        if (m.printerBytes > 0) {
            out.append({Fault::CutReplies, 0});
            out.append({Fault::DoubleReplies, 0});
            out.append({Fault::GarbageFirst, 0});
            out.append({Fault::TooSlow, lateMs});
        }
        // ZENTRIX_FAULT_COUNT=1 tells how many cases each table ran.
        if (qEnvironmentVariableIsSet("ZENTRIX_FAULT_COUNT"))
            fprintf(stderr, "fault cases: %d\n", int(out.size()));
        return out;
    }

    explicit FaultyLine(std::unique_ptr<sim::EmulatedPrinter> printer) : printer_(std::move(printer)) {}

    // Puts a faulty line with this printer on the program's in-process line.
    static FaultyLine &install(SimSerialLink &link, std::unique_ptr<sim::EmulatedPrinter> printer)
    {
        auto line = std::make_unique<FaultyLine>(std::move(printer));
        FaultyLine &ref = *line;
        link.setPeer(std::move(line));
        return ref;
    }

    sim::EmulatedPrinter &printer() { return *printer_; }
    template <class T> T &printer() { return *qobject_cast<T *>(printer_.get()); }

    void arm(Fault fault, int at = 0)
    {
        fault_ = fault;
        at_ = at;
        hostBytes_ = 0;
        printerBytes_ = 0;
        hostEnds_.clear();
        printerEnds_.clear();
        printerSent_.clear();
        hostPassed_.clear();
        fired_ = false;
    }
    void arm(const Case &c) { arm(c.fault, c.at); }
    bool fired() const { return fired_; }
    // Bytes counted since arm().
    int hostBytes() const { return hostBytes_; }
    int printerBytes() const { return printerBytes_; }
    // The last position of every burst each side sent since arm().
    const QList<int> &hostEnds() const { return hostEnds_; }
    const QList<int> &printerEnds() const { return printerEnds_; }

    // No fault any more, DSR on, the cable back in.
    void heal()
    {
        fault_ = Fault::None;
        port()->setDsr(true);
        port()->reconnect();
    }

    // The positions worth a fault out of 1..total: the first and last few,
    // both sides of every burst end, and every step-th in between.
    static QList<int> positions(int total, const QList<int> &ends, int step = 1)
    {
        std::set<int> at;
        for (int i = 1; i <= total; i += qMax(1, step))
            at.insert(i);
        for (int i = 1; i <= 3; ++i) {
            at.insert(i);
            at.insert(total + 1 - i);
        }
        // A run of one-byte bursts (a byte-by-byte send) counts as one
        // burst: its first and last byte.
        for (qsizetype i = 0; i < ends.size(); ++i) {
            const auto size = [&](qsizetype k) {
                return k < 0 || k >= ends.size() ? 0 : ends[k] - (k ? ends[k - 1] : 0);
            };
            if (size(i) > 1 || size(i - 1) != 1 || size(i + 1) != 1) {
                at.insert(ends[i]);
                at.insert(ends[i] + 1);
            }
        }
        QList<int> out;
        for (int i : at) {
            if (i >= 1 && i <= total)
                out.append(i);
        }
        return out;
    }

    // ---- SerialPeer: what the program sends --------------------------------
    void attached(PeerPort &port) override
    {
        SerialPeer::attached(port);
        printer_->attached(*this);
    }
    void bytesFromHost(const QByteArray &bytes) override
    {
        if (fired_ && fault_ == Fault::DropAtHostByte)
            return;
        QByteArray pass;
        for (char b : bytes) {
            ++hostBytes_;
            if (!fired_ && hostBytes_ == at_) {
                if (fault_ == Fault::DropAtHostByte) {
                    fired_ = true;
                    port()->dropLine();
                    break;
                }
                if (fault_ == Fault::DsrOffAtHostByte) {
                    fired_ = true;
                    port()->setDsr(false);
                }
            }
            pass.append(b);
        }
        hostEnds_.append(hostBytes_);
        hostPassed_ += pass;
        if (!pass.isEmpty())
            printer_->bytesFromHost(pass);
    }
    void hostOpened() override { printer_->hostOpened(); }
    void hostClosed() override { printer_->hostClosed(); }
    void hostLinesChanged() override { printer_->hostLinesChanged(); }

    // ---- PeerPort: what the printer sends ----------------------------------
    void sendToHost(const QByteArray &bytes, int delayMs) override
    {
        const int first = printerBytes_ + 1;
        printerBytes_ += int(bytes.size());
        printerEnds_.append(printerBytes_);
        printerSent_ += bytes;
        QByteArray out = bytes;
        switch (fault_) {
        case Fault::DropAtPrinterByte:
            if (fired_)
                return;
            if (printerBytes_ >= at_) {
                fired_ = true;
                port()->sendToHost(bytes.left(at_ - first), delayMs);
                port()->dropLine();
                return;
            }
            break;
        case Fault::CutReplies:
            fired_ = true;
            out.chop(1);
            break;
        case Fault::DoubleReplies:
            fired_ = true;
            out += bytes;
            break;
        case Fault::WrongPrinterByte:
            if (!fired_ && printerBytes_ >= at_) {
                fired_ = true;
                out[at_ - first] = char(out[at_ - first] ^ 0x01);
            }
            break;
        case Fault::GarbageFirst:
            fired_ = true;
            out.prepend(sim::FaultPlan::noise());
            break;
        case Fault::TooSlow:
            fired_ = true;
            delayMs += at_;
            break;
        default:
            break;
        }
        if (!out.isEmpty())
            port()->sendToHost(out, delayMs);
    }
    void setDsr(bool on) override { port()->setDsr(on); }
    void setCts(bool on) override { port()->setCts(on); }
    void dropLine() override { port()->dropLine(); }
    void reconnect() override { port()->reconnect(); }
    bool hostOpen() const override { return port()->hostOpen(); }
    bool hostDtr() const override { return port()->hostDtr(); }
    bool hostRts() const override { return port()->hostRts(); }
    qint32 hostBaud() const override { return port()->hostBaud(); }
    Parity hostParity() const override { return port()->hostParity(); }

private:
    std::unique_ptr<sim::EmulatedPrinter> printer_;
    Fault fault_ = Fault::None;
    int at_ = 0;
    int hostBytes_ = 0;
    int printerBytes_ = 0;
    QList<int> hostEnds_;
    QList<int> printerEnds_;
    QByteArray printerSent_;
    QByteArray hostPassed_;
    bool fired_ = false;
};

#pragma once
// An emulated printer on an in-process line, driven with raw bytes: the
// tests write what the program would send and look at what comes back,
// byte for byte, without any of the program's own frame builders.
#include "comm/eventwait.h"
#include "comm/simseriallink.h"

#include "emulatedprinter.h"

#include <QElapsedTimer>

#include <memory>

inline QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

template <class Printer> struct Bench {
    explicit Bench(qint32 baud = 9600, Parity parity = Parity::None)
    {
        auto p = std::make_unique<Printer>();
        printer = p.get();
        link.setPeer(std::move(p));
        link.open(QStringLiteral("sim:"), baud, parity);
    }

    // Everything that arrives until `frames` NULs have come (or timeoutMs).
    QByteArray collect(int frames = 1, int timeoutMs = 1000)
    {
        QElapsedTimer t;
        t.start();
        eventwait::pumpUntil([&] {
            got += link.read(1 << 20);
            return got.count('\0') >= frames || t.elapsed() >= timeoutMs;
        });
        return take();
    }
    // Everything that arrives within ms.
    QByteArray within(int ms)
    {
        eventwait::waitMs(ms);
        got += link.read(1 << 20);
        return take();
    }
    QByteArray exchange(const QByteArray &bytes, int frames = 1, int timeoutMs = 1000)
    {
        link.write(bytes);
        return collect(frames, timeoutMs);
    }
    QByteArray take()
    {
        const QByteArray out = got;
        got.clear();
        return out;
    }

    SimSerialLink link;
    Printer *printer = nullptr;
    QByteArray got;
};

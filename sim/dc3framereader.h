#pragma once
// Cuts the printer commands out of the byte stream from the program: a
// frame runs from a DC3 (0x13) to the next NUL (0x00). A DC3 inside a frame
// is message text (control codes may be stored), not a new frame. Bytes
// before a DC3 are noise.
#include <QByteArray>
#include <QList>

namespace sim {

class Dc3FrameReader {
public:
    struct Piece {
        QByteArray bytes;
        bool frame = false; // false: noise
    };

    // A frame still without its NUL after this many bytes is given up as
    // noise, so a stream without NULs cannot grow without bound.
    static constexpr int kMaxFrameBytes = 4096;

    // The complete frames and the noise that the bytes finish, in order.
    QList<Piece> add(const QByteArray &bytes);
    void clear() { buffer_.clear(); }
    // A frame begun and not yet ended.
    QByteArray pending() const { return buffer_; }

private:
    QByteArray buffer_;
};

} // namespace sim

#include "dc3framereader.h"

namespace sim {

namespace {
constexpr char kDc3 = 0x13;
}

QList<Dc3FrameReader::Piece> Dc3FrameReader::add(const QByteArray &bytes)
{
    QList<Piece> out;
    buffer_ += bytes;
    while (!buffer_.isEmpty()) {
        if (buffer_[0] != kDc3) {
            qsizetype next = buffer_.indexOf(kDc3);
            if (next < 0)
                next = buffer_.size();
            out.append({buffer_.left(next), false});
            buffer_.remove(0, next);
            continue;
        }
        const qsizetype end = buffer_.indexOf('\0', 1);
        if (end < 0) {
            if (buffer_.size() > kMaxFrameBytes) {
                out.append({buffer_, false});
                buffer_.clear();
            }
            break;
        }
        out.append({buffer_.left(end + 1), true});
        buffer_.remove(0, end + 1);
    }
    return out;
}

} // namespace sim

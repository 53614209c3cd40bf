#include "symbolfiles.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kzbarqr {

namespace {

struct ByteReverse {
    uint8_t v[256];
};

constexpr ByteReverse makeByteReverse()
{
    ByteReverse t{};
    for (int i = 0; i < 256; ++i) {
        int r = 0;
        for (int b = 0; b < 8; ++b)
            r |= ((i >> b) & 1) << (7 - b);
        t.v[i] = static_cast<uint8_t>(r);
    }
    return t;
}

constexpr ByteReverse kReverse = makeByteReverse();

void put16(uint8_t *p, unsigned v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t *p, uint32_t v)
{
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

// Matrix row y as file bytes: most significant bit first, spare bits 0.
void rowBytes(const BitMatrix &m, int y, int bytesPerRow, uint8_t *out)
{
    for (int b = 0; b < bytesPerRow; ++b)
        out[b] = kReverse.v[(m.row[y][b >> 3] >> ((b & 7) * 8)) & 0xFF];
}

} // namespace

int matrixFileImage(const BitMatrix &m, uint8_t *out)
{
    const int d = m.size;
    const int bytesPerRow = (d + 7) / 8;
    put16(out, static_cast<unsigned>(bytesPerRow));
    put16(out + 2, static_cast<unsigned>(d));
    put16(out + 4, static_cast<unsigned>(d));
    uint8_t *p = out + 6;
    for (int y = 0; y < d; ++y, p += bytesPerRow)
        rowBytes(m, y, bytesPerRow, p);
    return 6 + d * bytesPerRow;
}

int bmpFileImage(const BitMatrix &m, uint8_t *out)
{
    const int d = m.size;
    const int bytesPerRow = (d + 7) / 8;
    const int stride = (bytesPerRow + 3) / 4 * 4;
    const int pixelBytes = stride * d;
    std::memset(out, 0, 62);
    out[0] = 'B';
    out[1] = 'M';
    put32(out + 2, static_cast<uint32_t>(62 + pixelBytes));
    put32(out + 10, 62);
    put32(out + 14, 40);
    put32(out + 18, static_cast<uint32_t>(bytesPerRow * 8));
    put32(out + 22, static_cast<uint32_t>(d));
    put16(out + 26, 1);
    put16(out + 28, 1);
    put32(out + 34, static_cast<uint32_t>(pixelBytes));
    put32(out + 38, 3790);
    put32(out + 42, 3780);
    // Palette: 0 black, 1 white.
    out[58] = out[59] = out[60] = 0xFF;
    uint8_t *p = out + 62;
    for (int y = d - 1; y >= 0; --y, p += stride) {
        rowBytes(m, y, bytesPerRow, p);
        for (int b = 0; b < bytesPerRow; ++b)
            p[b] = static_cast<uint8_t>(~p[b]); // dark is black (0), spare bits white
        for (int b = bytesPerRow; b < stride; ++b)
            p[b] = 0;
    }
    return 62 + pixelBytes;
}

void toBmpPath(char *path)
{
    char *dot = std::strchr(path, '.');
    std::memcpy(dot ? dot : path + std::strlen(path), ".bmp", 5);
}

bool writeWholeFile(const char *path, const uint8_t *bytes, size_t length)
{
    // Rewriting a file in place and cutting off only what is left over
    // beyond the new end costs far less than O_TRUNC (which frees the
    // file's pages only for the write to take them again); the file ends up
    // the same.
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return false;
    }
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(fd, bytes + done, length - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    bool ok = done == length;
    if (ok && st.st_size > static_cast<off_t>(length))
        ok = ::ftruncate(fd, static_cast<off_t>(length)) == 0;
    const bool closed = ::close(fd) == 0;
    return ok && closed;
}

} // namespace kzbarqr

#include "cp932.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>

namespace {

// One conversion descriptor per direction, opened on first use. The GUI
// is single-threaded, but tests and tools may call from elsewhere: guard it.
struct Converter {
    iconv_t cd = reinterpret_cast<iconv_t>(-1);
    std::mutex lock;
    Converter(const char *to, const char *from) { cd = iconv_open(to, from); }
    ~Converter()
    {
        if (cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd);
    }
    bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
};

Converter &toUtf8()
{
    static Converter c("UTF-8", "CP932");
    return c;
}

Converter &fromUtf8()
{
    static Converter c("CP932", "UTF-8");
    return c;
}

// Converts one whole input; on an invalid sequence calls onBad(), which
// appends a replacement, and skips `skip` input bytes.
template <typename OnBad> QByteArray run(Converter &conv, const QByteArray &in, int skipOnBad, OnBad onBad, bool *valid)
{
    QByteArray out;
    if (valid)
        *valid = true;
    if (in.isEmpty())
        return out;
    std::lock_guard<std::mutex> guard(conv.lock);
    if (!conv.ok()) {
        if (valid)
            *valid = false;
        return in;
    }
    iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
    char *src = const_cast<char *>(in.constData());
    size_t srcLeft = static_cast<size_t>(in.size());
    char buf[1024];
    while (srcLeft > 0) {
        char *dst = buf;
        size_t dstLeft = sizeof buf;
        size_t r = iconv(conv.cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf, static_cast<qsizetype>(dst - buf));
        if (r != static_cast<size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL (truncated sequence at the end): replace and skip.
        if (valid)
            *valid = false;
        onBad(out, src, srcLeft);
        size_t step = std::min<size_t>(srcLeft, static_cast<size_t>(skipOnBad));
        if (errno == EILSEQ && skipOnBad == 0) {
            // UTF-8 input: skip one whole character.
            unsigned char lead = static_cast<unsigned char>(*src);
            step = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            step = std::min(step, srcLeft);
        }
        if (step == 0)
            step = 1;
        src += step;
        srcLeft -= step;
        iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
    }
    char *dst = buf;
    size_t dstLeft = sizeof buf;
    iconv(conv.cd, nullptr, nullptr, &dst, &dstLeft);
    out.append(buf, static_cast<qsizetype>(dst - buf));
    return out;
}

} // namespace

namespace cp932 {

QString decode(const QByteArray &bytes)
{
    QByteArray utf8 = run(
        toUtf8(), bytes, 1, [](QByteArray &out, const char *, size_t) { out.append("\xEF\xBF\xBD"); }, nullptr);
    return QString::fromUtf8(utf8);
}

QByteArray encode(const QString &text)
{
    return run(
        fromUtf8(), text.toUtf8(), 0, [](QByteArray &out, const char *, size_t) { out.append('?'); }, nullptr);
}

int byteCount(const QString &text) { return static_cast<int>(encode(text).size()); }

bool isValid(const QByteArray &bytes)
{
    bool valid = true;
    run(
        toUtf8(), bytes, 1, [](QByteArray &, const char *, size_t) {}, &valid);
    return valid;
}

int firstUnencodable(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype len = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString ch = text.mid(i, len);
        if (ch != QLatin1String("?") && encode(ch) == "?")
            return int(i);
        i += len - 1;
    }
    return -1;
}

} // namespace cp932

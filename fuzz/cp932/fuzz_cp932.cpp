// libFuzzer target: the CP932 codec on any bytes, and on any UTF-16 text
// (the same input read as 16-bit units, broken surrogates included).
#include "fuzzsupport.h"

#include "base/cp932.h"

#include <cstring>

using fuzzsupport::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    const QString text = cp932::decode(bytes);
    const bool valid = cp932::isValid(bytes);
    check(valid == !text.contains(QChar::ReplacementCharacter), "invalid bytes and only they are replaced");
    check(text.size() <= bytes.size(), "one character per byte at most");

    // encode(decode(x)) is stable: what it gives decodes and encodes to
    // itself, and text that came from CP932 survives the way back.
    const QByteArray once = cp932::encode(text);
    check(cp932::isValid(once), "encode gives valid CP932");
    check(cp932::encode(cp932::decode(once)) == once, "encode(decode(x)) stable");
    if (valid)
        check(cp932::decode(once) == text, "decoded text round trips");
    check(cp932::byteCount(text) == once.size(), "byteCount counts the encoding");

    std::u16string raw(size / 2, u'\0');
    std::memcpy(raw.data(), data, raw.size() * 2);
    const QString units = QString::fromStdU16String(raw);
    const QByteArray encoded = cp932::encode(units);
    check(cp932::isValid(encoded), "any text encodes to valid CP932");
    check(encoded.size() <= 2 * units.size(), "two bytes per character at most");
    return 0;
}

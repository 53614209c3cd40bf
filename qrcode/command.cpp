#include "command.h"

namespace kzbarqr {

namespace {

bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }

uint8_t upper(uint8_t c) { return (c >= 'a' && c <= 'z') ? static_cast<uint8_t>(c - 32) : c; }

int hexValue(uint8_t c)
{
    if (isDigit(c))
        return c - '0';
    c = upper(c);
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Symbol position or total: two digits when the first is 0 or 1, else one.
bool readAppendNumber(const uint8_t *text, int length, int &i, int &value)
{
    if (i >= length || !isDigit(text[i]))
        return false;
    const int first = text[i] - '0';
    if (first >= 2) {
        value = first;
        ++i;
        return true;
    }
    if (i + 1 >= length || !isDigit(text[i + 1]))
        return false;
    value = first * 10 + (text[i + 1] - '0');
    i += 2;
    return true;
}

int parseAppendHeader(const uint8_t *text, int length, int &i, AppendHeader &header)
{
    ++i; // the "D"
    int position = 0;
    int total = 0;
    if (!readAppendNumber(text, length, i, position) || !readAppendNumber(text, length, i, total))
        return kBadAppendHeader;
    if (i + 2 > length)
        return kBadAppendHeader;
    const int high = hexValue(text[i]);
    const int low = hexValue(text[i + 1]);
    if (high < 0 || low < 0)
        return kBadAppendHeader;
    i += 2;
    if (i >= length) // the separator is missing
        return kBadAppendHeader;
    ++i;
    if (position < 1 || position > total || total > 16 || total < 2)
        return kBadAppendHeader;
    header.present = true;
    header.symbol = static_cast<uint8_t>((position - 1) * 16 + (total - 1));
    header.parity = static_cast<uint8_t>(high * 16 + low);
    return kOk;
}

} // namespace

int parseCommand(const uint8_t *text, int length, SymbolType type, Command &out)
{
    out = Command{};
    int i = 0;
    if (i < length && upper(text[i]) == 'D') {
        const int rc = parseAppendHeader(text, length, i, out.header);
        if (rc != kOk)
            return rc;
        if (type == SymbolType::Micro)
            return kBadAppendHeader;
    }
    if (i < length) {
        switch (upper(text[i])) {
        case 'L':
            out.level = Level::L;
            ++i;
            break;
        case 'M':
            out.level = Level::M;
            ++i;
            break;
        case 'Q':
            out.level = Level::Q;
            ++i;
            break;
        case 'H':
            out.level = Level::H;
            ++i;
            break;
        default:
            break; // not consumed: level M
        }
    }
    if (i < length && isDigit(text[i]))
        out.maskDigit = text[i++] - '0';
    if (i < length) {
        const uint8_t c = upper(text[i]);
        if (c == 'A' || c == 'M') {
            out.manual = c == 'M';
            ++i;
        }
        if (i < length)
            ++i; // the separator
    }
    out.data = text + i;
    out.length = length - i;
    return kOk;
}

int parseManualSegments(const uint8_t *data, int length, SegmentList &out)
{
    out.count = 0;
    int i = 0;
    while (i < length && out.count < kMaxSegments) {
        Mode mode = Mode::Alphanumeric;
        switch (upper(data[i])) {
        case 'N':
            mode = Mode::Numeric;
            ++i;
            break;
        case 'A':
            ++i;
            break;
        case 'K':
            mode = Mode::Kanji;
            ++i;
            break;
        case 'B': {
            if (length - i < 5)
                return kDataTooLong;
            int count = 0;
            for (int k = 1; k <= 4; ++k) {
                if (!isDigit(data[i + k]))
                    return kDataTooLong;
                count = count * 10 + (data[i + k] - '0');
            }
            i += 5;
            const int take = count < length - i ? count : length - i;
            out.items[out.count++] = Segment{Mode::Byte, take, data + i};
            i += take;
            while (i < length && data[i] != ',' && data[i] != '\n')
                ++i;
            if (i < length)
                ++i;
            continue;
        }
        default:
            break; // the character is data of an alphanumeric segment
        }
        const int start = i;
        while (i < length && data[i] != ',' && data[i] != '\r' && i - start < kMaxManualSegmentLength)
            ++i;
        Segment s{mode, i - start, data + start};
        if (!fitsMode(s.mode, s.data, s.length)) {
            s.mode = (s.mode == Mode::Numeric && fitsMode(Mode::Alphanumeric, s.data, s.length)) ? Mode::Alphanumeric
                                                                                                 : Mode::Byte;
        }
        out.items[out.count++] = s;
        if (i < length && (data[i] == ',' || data[i] == '\r'))
            ++i;
        if (i < length && data[i] == '\n')
            ++i;
    }
    return kOk;
}

int parseTypeNumber(const char *text)
{
    if (text == nullptr)
        return 0;
    int i = 0;
    while (text[i] == ' ' || text[i] == '\t')
        ++i;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-')
        negative = text[i++] == '-';
    int value = 0;
    for (; isDigit(static_cast<uint8_t>(text[i])); ++i) {
        if (value < 1000) // anything this large is no type anyway
            value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

} // namespace kzbarqr

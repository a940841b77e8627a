#include "windows1252.h"

#include <array>

namespace windows1252 {
namespace {

// 0x80..0x9F are where Windows-1252 differs from Latin-1.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

} // namespace

QChar toUnicode(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return QChar(kHighControls[byte - 0x80]);
    return QChar(char16_t(byte));
}

void decodeAppend(QByteArrayView bytes, QString &out)
{
    const qsizetype start = out.size();
    out.resize(start + bytes.size());
    QChar *dst = out.data() + start;
    for (const char c : bytes)
        *dst++ = toUnicode(static_cast<unsigned char>(c));
}

QString decode(QByteArrayView bytes)
{
    QString out;
    decodeAppend(bytes, out);
    return out;
}

QByteArray encode(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.append(char(u));
            continue;
        }
        char byte = '?';
        for (std::size_t i = 0; i < kHighControls.size(); ++i) {
            if (kHighControls[i] == u) {
                byte = char(0x80 + i);
                break;
            }
        }
        out.append(byte);
    }
    return out;
}

} // namespace windows1252

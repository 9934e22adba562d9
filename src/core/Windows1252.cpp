#include "core/Windows1252.h"

#include <array>

namespace Windows1252 {

namespace {

// 0x80 to 0x9F; 0 marks the five bytes the code page leaves undefined (decoded as the C1 control).
constexpr std::array<char16_t, 32> high = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                           0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

QByteArray encode(QStringView text) {
    QByteArray out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.append(static_cast<char>(u));
            continue;
        }
        char b = '?';
        for (std::size_t i = 0; i < high.size(); ++i) {
            if (high[i] != 0 && high[i] == u) {
                b = static_cast<char>(0x80 + i);
                break;
            }
        }
        out.append(b);
    }
    return out;
}

QString decode(QByteArrayView bytes) {
    QString out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x80 && b <= 0x9F && high[b - 0x80] != 0)
            out.append(QChar(high[b - 0x80]));
        else
            out.append(QChar(char16_t(b)));
    }
    return out;
}

} // namespace Windows1252

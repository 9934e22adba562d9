#include "core/text/Windows1252.h"

#include <array>

namespace Windows1252 {

namespace {

// The bytes where the code page departs from Latin-1.
constexpr char16_t firstHigh = 0x80;
constexpr char16_t lastHigh = 0x9F;
constexpr char16_t lastLatin1 = 0xFF;

bool inHigh(char16_t u) {
    return u >= firstHigh && u <= lastHigh;
}

// firstHigh to lastHigh; 0 marks the five bytes the code page leaves undefined (decoded as the C1 control).
constexpr std::array<char16_t, 32> high = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                           0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

QByteArray encode(QStringView text) {
    QByteArray out(text.size(), Qt::Uninitialized);
    char* o = out.data();
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u <= lastLatin1 && !inHigh(u)) {
            *o++ = static_cast<char>(u);
            continue;
        }
        char b = '?';
        for (std::size_t i = 0; i < high.size(); ++i) {
            if (high[i] != 0 && high[i] == u) {
                b = static_cast<char>(firstHigh + i);
                break;
            }
        }
        *o++ = b;
    }
    return out;
}

QString decode(QByteArrayView bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* d = out.data();
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        *d++ = inHigh(b) && high[b - firstHigh] != 0 ? QChar(high[b - firstHigh]) : QChar(char16_t(b));
    }
    return out;
}

} // namespace Windows1252

#pragma once

#include <QByteArray>
#include <QRandomGenerator>
#include <QString>
#include <iterator>

// Bytes built from a seed out of pieces that trouble parsers: blanks of every kind, byte-order marks,
// NULs, frames, separators, signs, digits, long runs, characters outside Latin-1 and Windows-1252.
class Junk {
public:
    explicit Junk(QRandomGenerator& random) : m_random(random) {}

    QByteArray bytes(int pieces) {
        // clang-format off
        static const QByteArray vocabulary[] = {
            " ", "\t", "\r\n", "\n", "\r", QByteArray("\0", 1), "\xEF\xBB\xBF", "\xFF\xFE", "\xC2\xA0", "\xA0",
            "@@", "##", "#", "@", "\"", "|", "=", "[", "]", ";", "-", "+", ".", "0", "7",
            "12345678901234567890", "CONFIG", "EXCLUDE", "status", "Recibido:", "\xC3\xB1", "\xE2\x82\xAC",
            "\xF0\x9F\x94\xA5", "\x80", "\xFF", "SISTEMA", "x"};
        // clang-format on
        QByteArray out;
        for (int i = 0; i < pieces; ++i) {
            if (m_random.bounded(40) == 0) {
                out += QByteArray(m_random.bounded(1, 400), static_cast<char>(m_random.bounded(32, 127)));
                continue;
            }
            out += vocabulary[m_random.bounded(static_cast<int>(std::size(vocabulary)))];
        }
        return out;
    }
    QString text(int pieces) { return QString::fromUtf8(bytes(pieces)); }
    int below(int n) { return m_random.bounded(n); }
    bool oneIn(int n) { return m_random.bounded(n) == 0; }

private:
    QRandomGenerator& m_random;
};

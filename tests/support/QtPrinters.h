#pragma once

// Readable Qt values in test failure messages.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <ostream>

// A test's own failure messages take Qt texts as they are: `<< text`.
inline std::ostream& operator<<(std::ostream& os, const QString& s) {
    return os << s.toStdString();
}
inline std::ostream& operator<<(std::ostream& os, const QByteArray& b) {
    return os << b.toStdString();
}

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QByteArray& b, std::ostream* os) {
    *os << '"' << b.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '[' << l.join(QStringLiteral("|")).toStdString() << ']';
}

#pragma once

#include <QFile>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

// A file's bytes; empty when it is missing or can not be read.
inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A file's whole content replaced by bytes, as a user or a broken disk would leave it.
inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The lines of one event log file (UTF-8, CR LF); none when it is missing.
inline QStringList eventLogLines(const QString& path) {
    return QString::fromUtf8(readFile(path)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

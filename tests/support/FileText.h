#pragma once

#include <QFile>
#include <QSaveFile>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <source_location>

// A file's bytes; empty when it is missing or can not be read.
inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A file's text (UTF-8); empty when it is missing or can not be read.
inline QString readText(const QString& path) {
    return QString::fromUtf8(readFile(path));
}

// A file's whole content replaced by bytes (created, when missing), as a user or a broken disk would leave
// it. A failure names the caller's line.
inline void writeFile(const QString& path, const QByteArray& bytes = {},
                      std::source_location at = std::source_location::current()) {
    const ::testing::ScopedTrace trace(at.file_name(), static_cast<int>(at.line()), "writeFile");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path;
    ASSERT_EQ(f.write(bytes), bytes.size()) << path;
}

// A file replaced whole or not at all (temporary file, then rename), as a program that reads it at any moment
// needs it, or a renewal tool leaves it; true when the new content is in place.
inline bool replaceFile(const QString& path, const QByteArray& bytes) {
    QSaveFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit();
}

// The lines of one event log file (UTF-8, CR LF); none when it is missing.
inline QStringList eventLogLines(const QString& path) {
    return readText(path).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

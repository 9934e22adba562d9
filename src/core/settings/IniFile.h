#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// Profile (ini) files, by the rules the agent's files have always followed: sections and keys match
// without regard to case, the first occurrence wins, blanks around a value and one pair of enclosing
// quotes are removed, values are cut at 255 characters, and a write replaces one value in place, keeping
// every other line and the file's line endings. Files are read as UTF-8, or as Windows-1252 when they are
// not valid UTF-8; the agent writes UTF-8.
//
// A file is read and written one value at a time with LeeIni and EscribeIni below; IniFile holds the
// rules over a file's text, for the readers that read a whole file once and take many keys from it.
class IniFile {
public:
    static constexpr qsizetype maxValue = 255;

    // The value, or the empty text when the section or key is missing.
    static QString readFrom(const QString& content, const QString& section, const QString& key);
    // Every key of a section at once, by the same rules as readFrom (first section of the name, first
    // occurrence of a key): key in lower case -> value. For lists read key by key, parsed once.
    static QHash<QString, QString> sectionFrom(const QString& content, const QString& section);
    static QString writeInto(const QString& content, const QString& section, const QString& key,
                             const QString& value);
    static QString decode(const QByteArray& bytes);
};

// The agent's three module functions over ini files and texts.
// The value, or the empty text when the file, section or key is missing.
QString LeeIni(const QString& file, const QString& section, const QString& key);
// Replaces the file atomically; false when it could not be written (the old file stays).
bool EscribeIni(const QString& file, const QString& section, const QString& key, const QString& value);
// Field n (from 1) of text split at every separator; empty when n is out of range.
QString SacaCampo(const QString& text, const QString& separator, int n);

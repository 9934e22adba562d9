#pragma once

#include <QString>
#include <optional>

// A position file: the id of the last alarm (or buffered notice) handed on, one line " 1234" CR LF.
// Written whole and atomically, so a crash leaves the old or the new position, never a torn one.
class UltCodFile {
public:
    enum class Kind { Alarms, Buffer };

    UltCodFile(QString programFolder, Kind kind, const QString& plant);

    // "VornNetUltCod_" + plant + ".ini", with the characters that can not name a file replaced by "_".
    // A name too long for the file system (with the temporary file's extra characters) is cut and ends in
    // "~" + a short hash of the whole plant name.
    static QString fileName(Kind kind, const QString& plant);
    // The name older versions used: "vornnetultcod.ini", "vornnetultcodbuffer.ini".
    static QString oldFileName(Kind kind);
    // " 1234\r\n"; a negative id keeps its sign where the blank would stand.
    static QByteArray content(qint64 id);
    // The first number in the text after any blanks, NULs, no-break spaces and byte-order marks (UTF-8,
    // UTF-16 or the single-byte code page); nullopt when there is none or it does not fit 64 bits.
    static std::optional<qint64> parse(const QByteArray& text);
    // What the user is told about a file that is there but holds no number.
    static QString noNumberText(const QString& path);

    QString path() const { return m_path; }
    bool exists() const;
    // nullopt when the file is missing; throws AgentError when it is there but can not be read or holds no
    // number: such a file is never taken for a first start, which would skip the pending alarms.
    std::optional<qint64> read() const;
    // False when the file could not be replaced (the old position stays).
    bool write(qint64 id) const;
    // Moves the old-style file, when present, to this name. Throws AgentError when the move fails.
    void adoptOldFile(const QString& programFolder) const;

private:
    // The file system's limit on a name, in bytes, and what the atomic write's temporary file adds.
    static constexpr qsizetype maxNameBytes = 255;
    static constexpr qsizetype temporaryExtraBytes = 7; // ".XXXXXX"
    // A position is one short line; blanks before it are bounded by what is read.
    static constexpr qint64 maxBytesRead = 4096;

    QString m_path;
    Kind m_kind;
};

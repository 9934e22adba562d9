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
    static QString fileName(Kind kind, const QString& plant);
    // The name older versions used: "vornnetultcod.ini", "vornnetultcodbuffer.ini".
    static QString oldFileName(Kind kind);
    // " 1234\r\n"; a negative id keeps its sign where the blank would stand.
    static QByteArray content(qint64 id);
    // The first number in the text, blanks around it ignored; nullopt when there is none.
    static std::optional<qint64> parse(const QByteArray& text);

    QString path() const { return m_path; }
    bool exists() const;
    // nullopt when the file is missing; throws AgentError when it is there but holds no number.
    std::optional<qint64> read() const;
    // The raw first value as text (empty when missing), for the start-up check.
    QString readText() const;
    // False when the file could not be replaced (the old position stays).
    bool write(qint64 id) const;
    // Moves the old-style file, when present, to this name. Throws AgentError when the move fails.
    void adoptOldFile(const QString& programFolder) const;

private:
    QString m_path;
    Kind m_kind;
};

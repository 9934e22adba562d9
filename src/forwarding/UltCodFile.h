#pragma once

#include <QElapsedTimer>
#include <QString>
#include <optional>

// A position file: the id of the last alarm (or buffered notice) handed on, one line " 1234" CR LF.
// Written whole and atomically: the new position goes into a spare file beside it ("….ini.swap"), which
// then trades places with the position file in one rename, so a crash leaves the old or the new
// position, never a torn one, and never no file (which would mean a first start and skip alarms).
//
// Durability: a killed agent loses nothing that was written, as the kernel keeps it. Against a power cut,
// a flushed write (fdatasync of the spare before the exchange, fsync of the folder after it) is kept for
// sure. Paced writes are flushed once a second (the next two, one into each file) and sync() flushes the
// last one at the end of a cycle, so a long cycle costs two flushes a second instead of one per alarm. A
// spare newly made is always flushed before it takes the name. Each of the two files only ever holds
// whole positions, and its content on disk is at most about a second older than the latest: after a power
// cut the position is that of a moment earlier at worst, so alarms are sent again, never skipped.
class UltCodFile {
public:
    enum class Kind { Alarms, Buffer };
    enum class Sync {
        Now,   // flushed before write() returns
        Paced, // flushed once a second; the last one of a cycle at sync()
    };
    static constexpr qint64 syncEveryMs = 1000;

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
    // The spare the position is written through; it holds the position before the last one.
    QString sparePath() const;
    bool exists() const;
    // nullopt when the file is missing; throws AgentError when it is there but can not be read or holds no
    // number: such a file is never taken for a first start, which would skip the pending alarms.
    std::optional<qint64> read() const;
    // False when the file could not be replaced (the old position stays).
    bool write(qint64 id, Sync sync = Sync::Now) const;
    // Flushes the last paced write, if any is still unflushed; false when that failed.
    bool sync() const;
    // Moves the old-style file, when present, to this name. Throws AgentError when the move fails.
    void adoptOldFile(const QString& programFolder) const;

private:
    // The file system's limit on a name, in bytes, and what the atomic write's temporary file adds.
    static constexpr qsizetype maxNameBytes = 255;
    static constexpr qsizetype temporaryExtraBytes = 7; // room for the spare's ".swap"
    // A position is one short line; blanks before it are bounded by what is read.
    static constexpr qint64 maxBytesRead = 4096;

    QString m_path;
    Kind m_kind;
    mutable bool m_unsynced = false;     // the file holds a write not yet flushed
    mutable int m_flushesDue = 0;        // paced writes still to flush in this second
    mutable QElapsedTimer m_sinceSync;   // since the paced flushes were last due; invalid before
    mutable qsizetype m_fileLength = -1; // bytes in the position file and in the spare, -1 unknown
    mutable qsizetype m_spareLength = -1;
};

#pragma once

#include <QDate>
#include <QString>

class Clock;

// The monthly event log: "VORNNET-dic-26.log" in the log folder. Each line is appended on its own,
// opening and closing the file around it, so another program may read or move the file between lines.
class EventLog {
public:
    EventLog(QString folder, const Clock& clock);

    const QString& folder() const { return m_folder; }
    void setFolder(const QString& folder) { m_folder = folder; }
    // CarpetaLog: the folder named by TMP, else TEMP, else the program folder.
    void setFolderFromEnvironment(const QString& programFolder);

    // The log form of a central-station message: every "@@" removed and every "##" turned into ",".
    static QString logBody(const QString& message);

    // The file the next line goes to (the month is taken when the line is written).
    QString currentPath() const;
    static QString fileName(const QDate& date);

    // Appends text + CR LF, with CR and LF inside the text turned into blanks; false when the file could
    // not be opened or written. A line that can not be written holds nothing up: it is counted, and the
    // first failure of each distinct cause is told on vornnet.log (and its end once a line goes again).
    bool write(const QString& text) const;

    // Lines that could not be written since start.
    qint64 unwrittenLines() const { return m_unwritten; }
    // Why the last line could not be written ("No se puede escribir en ...: ..."); empty once one is.
    const QString& failure() const { return m_failure; }

    bool start() const;
    bool delivery(const QString& message) const;
    bool lifeTestFailure(const QString& message) const;
    bool clockFailure(const QString& message) const;
    bool sms(const QString& message, const QString& recipient) const;
    bool auxiliarySms(const QString& message, const QString& recipient, bool sent) const;
    bool databaseTimeout() const;
    // A step's cycle ended early on an error, and that error has cleared: once each per distinct error.
    bool stepError(const QString& step, const QString& error) const;
    bool stepErrorCleared(const QString& step, const QString& error) const;

private:
    QString now() const;

    QString m_folder;
    const Clock& m_clock;
    mutable QDate m_pathDate; // the day and folder m_path was made for
    mutable QString m_pathFolder;
    mutable QString m_path;
    mutable qint64 m_unwritten = 0;
    mutable QString m_failure;
};

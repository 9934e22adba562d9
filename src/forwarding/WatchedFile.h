#pragma once

#include <QByteArray>
#include <QString>

// A small file the agent reads at start-up and again whenever it changes (its identity, size or times
// differ, or it changed less than two seconds before it was last read), so a renewed file takes effect
// without a restart and an unchanged one is not read again.
class WatchedFile {
public:
    explicit WatchedFile(QString path = {}) : m_path(std::move(path)) {}

    // Looks at the file; true when its content was read again (or could not be).
    bool refresh();

    const QString& path() const { return m_path; }
    const QByteArray& content() const { return m_content; }
    // Why the file could not be read ("no existe", the system's reason); empty when it was.
    const QString& error() const { return m_error; }
    // The file's permission bits as last seen.
    unsigned mode() const { return m_mode; }

private:
    struct Stamp {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = -1;
        qint64 mtimeNs = 0;
        qint64 ctimeNs = 0;
        bool operator==(const Stamp&) const = default;
    };

    QString m_path;
    QByteArray m_content;
    QString m_error = QStringLiteral("no leído");
    unsigned m_mode = 0;
    Stamp m_stamp;
    bool m_reusable = false;
};

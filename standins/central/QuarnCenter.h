#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <optional>

class QTcpServer;
class QTimer;

// Stand-in for the central station: accepts connections, reads one message on each, answers
// "Recibido:" + message (or misbehaves as its mode says) and records every message it received.
// The mode can be changed while it runs through a one-word mode file, so one process can play a healthy
// station and a broken one in turn.
class QuarnCenter : public QObject {
    Q_OBJECT
public:
    enum class Mode { Echo, Silent, Wrong, Split, Close, Refuse, Reset, Flood };
    static std::optional<Mode> parseMode(const QString& word);

    struct Options {
        quint16 port = 0;
        Mode mode = Mode::Echo;
        QString recordPath;
        QString modeFilePath;
        // A slow station: each reply goes out this long after the message was read and recorded.
        int replyDelayMs = 0;
    };

    explicit QuarnCenter(Options options, QObject* parent = nullptr);

    // Binds the port (0 picks a free one); false with a reason in errorString() when it cannot.
    bool start();
    quint16 port() const { return m_port; }
    QString errorString() const { return m_error; }

    // The mode in force now: the mode file's word when there is a valid one, otherwise the start mode.
    Mode mode() const;
    int replyDelayMs() const { return m_options.replyDelayMs; }

    // Appends one received message to the record file, flushed at once.
    void record(const QByteArray& message);

private:
    void onNewConnection();
    void applyRefuse();

    Options m_options;
    QTcpServer* m_server;
    QTimer* m_modePoll;
    quint16 m_port = 0;
    QString m_error;
};

#pragma once

#include <QJsonObject>
#include <QString>
#include <chrono>

// `vornnet --status`: asks the running agent of a folder what its window shows, over its local socket.
class StatusClient {
public:
    enum Exit { Normal = 0, SomethingOpen = 1, NoAgent = 3, NoAnswer = 4 };
    static constexpr std::chrono::milliseconds answerWait{5000};

    explicit StatusClient(QString programFolder) : m_folder(std::move(programFolder)) {}

    // Prints the agent's answer (Spanish lines, or the JSON object) and returns the exit status.
    int run(bool json);

    // The Spanish lines of a status object.
    static QString text(const QJsonObject& status);

    // A live process holds the folder's lock (an agent running, or starting up before its socket is there).
    static bool lockHeld(const QString& programFolder);

private:
    enum class Asked { Answered, NoSocket, Silent };
    Asked ask(QJsonObject* status);

    QString m_folder;
};

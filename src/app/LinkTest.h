#pragma once

#include <QString>
#include <chrono>

// `vornnet --test-link`: one life-test message through each configured link on its own (1 primary,
// 2 secondary A, 3 secondary B), with the agent's own link and the rules start-up applies to the
// addresses and ports. Takes no lock and writes nothing, so it runs beside a running agent.
class LinkTest {
public:
    LinkTest(QString programFolder, std::chrono::milliseconds wait)
        : m_folder(std::move(programFolder)), m_wait(wait) {}

    // Prints one line per link; 0 when every configured link echoed, 1 otherwise.
    int run();

    // The plant the life test names: the one of the folder's alarm position file, the plant the agent
    // forwards for, without opening the supervision databases. Empty when there is not exactly one.
    static QString plantOfFolder(const QString& programFolder);

private:
    QString m_folder;
    std::chrono::milliseconds m_wait;
};

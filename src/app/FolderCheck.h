#pragma once

#include "app/CheckLine.h"

#include <QList>
#include <QString>
#include <chrono>

class QSslSocket;
class TlsLink;

// `vornnet --check`: a program folder checked without taking its lock and without writing anything, so it
// runs beside a running agent. Each outside party gets a short bound, so the whole check ends within
// seconds even when every one of them is dead or silent.
class FolderCheck {
public:
    static constexpr std::chrono::milliseconds databaseBudget{3000}; // each database's login
    static constexpr std::chrono::milliseconds stationBudget{3000};  // all the stations' connections
    static constexpr std::chrono::milliseconds modemBudget{2000};    // each modem command

    explicit FolderCheck(QString programFolder) : m_folder(std::move(programFolder)) {}

    // Prints one line per check as it is made; 0 when none failed, 1 otherwise.
    int run();

private:
    void add(const CheckLine& line);
    void checkFolders();
    // The plant name and the newest alarm id, when the databases answered.
    void checkDatabases(QString* plant, qint64* newestId);
    void checkBufferAndPositions(const QString& plant, qint64 newestId);
    void checkStations();
    void checkModem();
    // A secured station's handshake, once it ended or its bound passed.
    void checkHandshake(TlsLink& tls, int link, const QString& what, const QSslSocket& socket,
                        const QString& error);

    QString m_folder;
    QString m_ini;
    bool m_failed = false;
};

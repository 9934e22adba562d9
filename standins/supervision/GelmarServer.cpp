#include "GelmarServer.h"

#include "GelmarInstall.h"
#include "core/settings/IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <csignal>
#include <cstdio>

namespace {

// How often the resident program looks at its folder and clock: often enough for a test not to wait.
constexpr int shortestTickMs = 200;

volatile std::sig_atomic_t g_terminate = 0;

void onTerminate(int) {
    g_terminate = 1;
}

QString fault(const QString& dir, const char* key, const QString& fallback) {
    const QString v = LeeIni(GelmarInstall::faultsPath(dir), QStringLiteral("FAULTS"), QLatin1String(key));
    return v.isEmpty() ? fallback : v;
}

} // namespace

bool terminationRequested() {
    return g_terminate != 0;
}

void installTerminationHandler() {
    std::signal(SIGTERM, onTerminate);
    std::signal(SIGINT, onTerminate);
}

GelmarServer::GelmarServer(QString dir, int historyMs, QObject* parent)
    : QObject(parent), m_dir(QFileInfo(dir).absoluteFilePath()), m_historyMs(historyMs),
      m_random(QRandomGenerator::securelySeeded()) {
    connect(&m_timer, &QTimer::timeout, this, &GelmarServer::tick);
}

bool GelmarServer::start() {
    const QString dbPath = GelmarInstall::databasePath(m_dir, GelmarInstall::acquired);
    if (!QFileInfo(dbPath).isFile()) {
        std::fprintf(stderr, "GSNET.EXE: no database at %s\n", qPrintable(dbPath));
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("acquired"));
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    db.setDatabaseName(dbPath);
    if (!db.open()) {
        std::fprintf(stderr, "GSNET.EXE: %s\n", qPrintable(db.lastError().text()));
        return false;
    }
    QSqlQuery(db).exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    // Like the real network server: the other servers are brought up when they are not running.
    for (const QString& name : GelmarInstall::residentServers) {
        if (GelmarInstall::runningFrom(m_dir, name).isEmpty())
            QProcess::startDetached(QDir(m_dir).filePath(name), {}, m_dir);
    }
    m_nextHistory = QDateTime::currentDateTime();
    m_nextAlarm = m_nextHistory;
    tick();
    m_timer.start(std::min(shortestTickMs, m_historyMs));
    std::printf("recording %s\n", qPrintable(m_dir));
    std::fflush(stdout);
    return true;
}

void GelmarServer::stop() {
    m_timer.stop();
    setAcquisition(QStringLiteral("0"));
}

void GelmarServer::setAcquisition(const QString& value) {
    if (m_acquisition == value)
        return;
    if (EscribeIni(GelmarInstall::gsIniPath(m_dir), QStringLiteral("STATUS"), QStringLiteral("acquisition"),
                   value))
        m_acquisition = value;
}

void GelmarServer::tick() {
    if (terminationRequested() || !QFileInfo::exists(m_dir)) {
        QCoreApplication::quit();
        return;
    }
    const bool acquisitionOn = fault(m_dir, "acquisition", QStringLiteral("on")) != QLatin1String("off");
    setAcquisition(acquisitionOn ? QStringLiteral("1") : QStringLiteral("0"));
    const QDateTime now = QDateTime::currentDateTime();
    if (now >= m_nextHistory) {
        m_nextHistory = now.addMSecs(m_historyMs);
        if (fault(m_dir, "recording", QStringLiteral("on")) != QLatin1String("off"))
            record();
    }
    const int alarmMs = fault(m_dir, "random-alarms-ms", QStringLiteral("0")).toInt();
    if (alarmMs > 0 && now >= m_nextAlarm) {
        m_nextAlarm = now.addMSecs(alarmMs);
        randomAlarm();
    }
}

void GelmarServer::record() {
    QDateTime stamp = QDateTime::currentDateTime();
    if (fault(m_dir, "future-dates", QStringLiteral("off")) == QLatin1String("on"))
        stamp = stamp.addDays(1);
    QSqlQuery q(QSqlDatabase::database(QStringLiteral("acquired")));
    q.prepare(QStringLiteral(
        "INSERT INTO HistoricalData (Ref_virtinstrumentid, Timestamp, Value) VALUES (?, ?, ?)"));
    q.addBindValue(QString::number(1 + m_random.bounded(4)));
    q.addBindValue(stamp.toString(GelmarInstall::dateFormat));
    q.addBindValue(m_random.bounded(1000.0));
    if (!q.exec())
        std::fprintf(stderr, "GSNET.EXE: %s\n", qPrintable(q.lastError().text()));
}

void GelmarServer::randomAlarm() {
    static const int codes[][2] = {{1, 10}, {1, 11}, {2, 20}, {3, 30}, {4, 40}};
    const auto& pick = codes[m_random.bounded(5)];
    QString error;
    if (GelmarInstall::addAlarm(m_dir, pick[1], QString::number(pick[0]), int(m_random.bounded(2)),
                                QDateTime::currentDateTime(), &error) < 0)
        std::fprintf(stderr, "GSNET.EXE: %s\n", qPrintable(error));
}

int runResident(const QString& dir) {
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [dir] {
        // Gone with its installation, so a test's removed folder leaves nothing behind.
        if (terminationRequested() || !QFileInfo::exists(dir))
            QCoreApplication::quit();
    });
    watch.start(shortestTickMs);
    return QCoreApplication::exec();
}

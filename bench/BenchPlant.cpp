#include "BenchPlant.h"

#include "GelmarInstall.h"
#include "core/settings/IniFile.h"
#include "core/text/Windows1252.h"
#include "forwarding/BufferDb.h"
#include "forwarding/MessageFormat.h"
#include "forwarding/UltCodFile.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

struct Kind {
    qint64 code;
    int instrument;
    const char* text;
    const char* device;
};

// The configuration rows gelmar-sim's installation holds.
const Kind kinds[] = {{10, 1, "Nivel alto", "Depósito Norte"},
                      {11, 1, "Nivel bajo", "Depósito Norte"},
                      {20, 2, "Fallo térmico", "Bomba 2"},
                      {30, 3, "Clorobajo", "Clorador"},
                      {40, 4, "Caudal nulo", "Caudalímetro entrada"}};

const Kind& kindOf(qint64 code) {
    for (const Kind& k : kinds)
        if (k.code == code)
            return k;
    return kinds[0];
}

} // namespace

BenchPlant::BenchPlant(const QString& gelmarSim) {
    QDir().mkpath(program());
    QDir().mkpath(logs());
    QString error;
    if (!GelmarInstall::install(gelmar(), plantName, gelmarSim, &error) ||
        !BufferDb::create(BufferDb::pathIn(program()), &error))
        m_error = error;
    config(QStringLiteral("DbEngine"), QStringLiteral("sqlite"));
    config(QStringLiteral("pathGelmar"), gelmar());
}

void BenchPlant::config(const QString& key, const QString& value) const {
    EscribeIni(QDir(program()).filePath(QStringLiteral("vornnet.ini")), QStringLiteral("CONFIG"), key, value);
}

void BenchPlant::point(const QString& link, quint16 port) const {
    config(QStringLiteral("IpQuarnCenter") + link, QStringLiteral("127.0.0.1"));
    config(QStringLiteral("RemotePort") + link, QString::number(port));
}

void BenchPlant::exclude(int n) const {
    // Written in one go: one write per key would take a while for a long list.
    QString section = QStringLiteral("\r\n[EXCLUDE]\r\n");
    for (int i = 1; i <= n; ++i)
        section += QStringLiteral("%1=Aparato %1##Alarma %1\r\n").arg(i);
    QFile f(QDir(program()).filePath(QStringLiteral("vornnet.ini")));
    if (f.open(QIODevice::Append))
        f.write(section.toUtf8());
}

qint64 BenchPlant::addAlarms(int n) {
    const QString name = QStringLiteral("bench-fill");
    qint64 last = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        // The agent reads while alarms go in one at a time (the transmission figures).
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        db.setDatabaseName(GelmarInstall::databasePath(gelmar(), GelmarInstall::acquired));
        if (db.open()) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("BEGIN"));
            q.prepare(QStringLiteral("INSERT INTO FlashAlarms (Alarmcode, Ref_virtinstrumentid, TimeStamp, "
                                     "AlarmState) VALUES (?, ?, ?, ?)"));
            const QDateTime newest = QDateTime::currentDateTime().addSecs(-60);
            for (int i = 0; i < n; ++i) {
                const Kind& k = kinds[i % std::size(kinds)];
                const int state = (i / 5) % 2;
                const QString time = newest.addSecs(i - n + 1).toString(GelmarInstall::dateFormat);
                q.addBindValue(k.code);
                q.addBindValue(QString::number(k.instrument));
                q.addBindValue(time);
                q.addBindValue(state);
                if (!q.exec()) {
                    m_error = q.lastError().text();
                    break;
                }
                last = q.lastInsertId().toLongLong();
                m_added.append({k.code, state, time});
            }
            if (!q.exec(QStringLiteral("COMMIT")) && m_error.isEmpty())
                m_error = q.lastError().text();
        } else {
            m_error = db.lastError().text();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return m_error.isEmpty() ? last : -1;
}

QByteArrayList BenchPlant::wireOfLast(int n) const {
    QByteArrayList wire;
    for (qsizetype i = std::max<qsizetype>(0, m_added.size() - n); i < m_added.size(); ++i) {
        const Added& a = m_added[i];
        const Kind& k = kindOf(a.code);
        wire << Windows1252::encode(MessageFormat::liveAlarm(
            plantName, a.code, QString::number(a.state), QString::fromUtf8(k.text),
            QString::fromUtf8(k.device), QDateTime::fromString(a.time, GelmarInstall::dateFormat)));
    }
    return wire;
}

void BenchPlant::setPosition(qint64 id) const {
    UltCodFile(program(), UltCodFile::Kind::Alarms, plantName).write(id);
}

qint64 BenchPlant::position() const {
    try {
        return UltCodFile(program(), UltCodFile::Kind::Alarms, plantName).read().value_or(-1);
    } catch (...) {
        return -1;
    }
}

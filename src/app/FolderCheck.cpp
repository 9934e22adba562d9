#include "app/FolderCheck.h"

#include "app/ConfigCheck.h"
#include "app/LinkTest.h"
#include "app/StatusClient.h"
#include "app/TlsCheck.h"
#include "core/model/Dialogs.h"
#include "core/runtime/AgentError.h"
#include "core/runtime/BoundedWait.h"
#include "core/runtime/Clock.h"
#include "core/runtime/EventLog.h"
#include "core/settings/ConfigRules.h"
#include "core/settings/IniFile.h"
#include "forwarding/BufferDb.h"
#include "forwarding/CentralLink.h"
#include "forwarding/TlsLink.h"
#include "forwarding/TlsReasons.h"
#include "forwarding/UltCodFile.h"
#include "sms/SerialPortName.h"
#include "sms/SignalQuality.h"
#include "supervision/SqlConnection.h"
#include "supervision/SupervisionDb.h"

#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QHostInfo>
#include <QSerialPort>
#include <QSqlDatabase>
#include <QSslSocket>
#include <QTcpSocket>
#include <cstdio>
#include <memory>
#include <unistd.h>

using L = CheckLine::Level;

namespace {

QString config(const QString& ini, const char* key) {
    return LeeIni(ini, QStringLiteral("CONFIG"), QString::fromLatin1(key));
}

// Dialogs for the database object, which says nothing here: the check tells failures in its own lines.
class SilentDialogs : public Dialogs {
public:
    void message(Icon, const QString&, const QString&) override {}
};

} // namespace

void FolderCheck::add(const CheckLine& line) {
    m_failed = m_failed || line.level == L::Fallo;
    std::printf("%s\n", qPrintable(line.text()));
    std::fflush(stdout);
}

int FolderCheck::run() {
    m_ini = QDir(m_folder).filePath(QStringLiteral("vornnet.ini"));
    const QList<CheckLine> iniLines = ConfigCheck(m_ini).run();
    for (const CheckLine& line : iniLines)
        add(line);
    checkFolders();
    if (!QFileInfo::exists(m_ini))
        return 1;
    QString plant;
    qint64 newestId = -1;
    checkDatabases(&plant, &newestId);
    checkBufferAndPositions(plant, newestId);
    const TlsSettings tls = TlsSettings::fromIni(m_ini, m_folder);
    for (const CheckLine& line : TlsCheck(tls).run())
        add(line);
    checkStations();
    checkModem();
    return m_failed ? 1 : 0;
}

void FolderCheck::checkFolders() {
    // Asked of the system, never tried: the check writes nothing.
    const auto writable = [this](const QString& what, const QString& folder) {
        const QString where = QDir::toNativeSeparators(folder);
        if (::access(QFile::encodeName(folder).constData(), W_OK) == 0)
            add({L::Ok, QStringLiteral("%1 %2 con permiso de escritura").arg(what, where), {}});
        else
            add({L::Fallo, QStringLiteral("%1 %2 sin permiso de escritura").arg(what, where),
                 QStringLiteral("dé permiso de escritura a la cuenta del agente")});
    };
    writable(QStringLiteral("carpeta del programa"), m_folder);
    const SystemClock clock;
    EventLog log(m_folder, clock);
    log.setFolderFromEnvironment(m_folder);
    if (QDir::cleanPath(log.folder()) != QDir::cleanPath(m_folder))
        writable(QStringLiteral("carpeta del registro"), log.folder());
}

void FolderCheck::checkDatabases(QString* plant, qint64* newestId) {
    const std::optional<DbEngine> engine = ConfigRules::dbEngine(config(m_ini, ConfigKeys::DbEngine));
    if (!engine)
        return; // already failed, with its fix
    const QString driver = *engine == DbEngine::Odbc ? QStringLiteral("QODBC") : QStringLiteral("QSQLITE");
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        add({L::Fallo, QStringLiteral("controlador de base de datos %1").arg(driver),
             QStringLiteral("instale el paquete %1")
                 .arg(QLatin1String(*engine == DbEngine::Odbc ? "libqt6sql6-odbc" : "libqt6sql6-sqlite"))});
        return;
    }
    const SystemClock clock;
    const EventLog log(m_folder, clock);
    SilentDialogs dialogs;
    QString install = ConfigRules::read(QStringLiteral("pathGelmar"), config(m_ini, "pathGelmar")).taken;
    SupervisionDb db(
        SupervisionDb::Settings::fromIni(m_ini), [install] { return install; }, log, dialogs);
    using W = SupervisionDb::Which;
    for (W which : {W::Acquired, W::Config}) {
        const QString target = db.targetOf(which);
        try {
            db.openOnce(which, databaseBudget);
            db.setCommandTimeout(which, std::chrono::seconds(2));
            add({L::Ok, QStringLiteral("base de datos %1 abierta").arg(target), {}});
        } catch (const AgentError& e) {
            add({L::Fallo, QStringLiteral("base de datos %1 no se abre (%2)").arg(target, e.description()),
                 QStringLiteral("compruebe DbEngine, pathGelmar o DbServer, DbUser y DbPassword, y que "
                                "el servidor esté en marcha")});
            // The other database is on the same server: a second wait would tell nothing new.
            return;
        }
    }
    for (const SupervisionSql::Table& table : SupervisionSql::readSchema()) {
        const QString what =
            QStringLiteral("tabla %1 (%2)")
                .arg(QString::fromLatin1(table.name), table.columns.join(QStringLiteral(", ")));
        try {
            db.exec(table.config ? W::Config : W::Acquired, SupervisionSql::probe(table));
            add({L::Ok, what, {}});
        } catch (const AgentError& e) {
            add({L::Fallo, what + QStringLiteral(" no se puede leer: ") + e.description(),
                 QStringLiteral(
                     "la base de datos no es la del sistema de supervisión o le falta esa tabla")});
        }
    }
    try {
        if (const std::optional<QString> name = db.plantName(); name && !name->isEmpty()) {
            *plant = *name;
            add({L::Ok, QStringLiteral("nombre de la planta: %1").arg(*name), {}});
        } else {
            add({L::Fallo, QStringLiteral("nombre de la planta (GenericSettings, PlantName) vacío"),
                 QStringLiteral("dé nombre a la planta en el sistema de supervisión")});
        }
        const QList<QSqlRecord> rows = db.exec(W::Acquired, db.sql().maxFlashAlarmId());
        *newestId = rows.isEmpty() ? 0 : rows.first().value(0).toLongLong();
    } catch (const AgentError& e) {
        add({L::Fallo, QStringLiteral("lectura de la planta y de la alarma más nueva: ") + e.description(),
             QStringLiteral("compruebe la base de datos del sistema de supervisión")});
    }
}

void FolderCheck::checkBufferAndPositions(const QString& plant, qint64 newestId) {
    const QString bufferPath = BufferDb::pathIn(m_folder);
    qint64 newestBuffered = -1;
    if (!QFileInfo::exists(bufferPath)) {
        add({L::Fallo, QStringLiteral("buffer.mdb no existe"),
             QStringLiteral("créelo con vornnet --create-buffer --folder %1")
                 .arg(QDir::toNativeSeparators(m_folder))});
    } else {
        const QString name = SqlConnection::uniqueName(QStringLiteral("check-buffer"));
        try {
            QSqlDatabase db = SqlConnection::openExistingSqlite(bufferPath, name);
            const QList<QSqlRecord> rows = SqlConnection::select(
                db, DbEngine::Sqlite, QStringLiteral("SELECT count(*), max(id) FROM alarms"));
            newestBuffered = rows.isEmpty() ? 0 : rows.first().value(1).toLongLong();
            const qint64 kept = rows.first().value(0).toLongLong();
            add({L::Ok,
                 kept == 1 ? QStringLiteral("buffer.mdb usable, 1 aviso guardado")
                           : QStringLiteral("buffer.mdb usable, %1 avisos guardados").arg(kept),
                 {}});
        } catch (const AgentError& e) {
            add({L::Fallo, QStringLiteral("buffer.mdb no se puede leer: ") + e.description(),
                 QStringLiteral("apártelo y cree uno vacío con vornnet --create-buffer")});
        }
        SqlConnection::remove(name);
    }

    const QString plantName = plant.isEmpty() ? LinkTest::plantOfFolder(m_folder) : plant;
    if (plantName.isEmpty())
        return;
    const struct {
        UltCodFile::Kind kind;
        qint64 newest;
        const char* of;
    } files[] = {{UltCodFile::Kind::Alarms, newestId, "la alarma más nueva de la base de datos"},
                 {UltCodFile::Kind::Buffer, newestBuffered, "el aviso más nuevo de buffer.mdb"}};
    for (const auto& f : files) {
        const UltCodFile file(m_folder, f.kind, plantName);
        const QString name = QFileInfo(file.path()).fileName();
        try {
            const std::optional<qint64> id = file.read();
            if (!id)
                add({L::Ok, QStringLiteral("%1 no existe todavía (primer arranque)").arg(name), {}});
            else if (f.newest >= 0 && *id > f.newest)
                add({L::Fallo,
                     QStringLiteral("%1 dice %2, por delante de %3 (%4)")
                         .arg(name)
                         .arg(*id)
                         .arg(QString::fromLatin1(f.of))
                         .arg(f.newest),
                     QStringLiteral(
                         "las alarmas nuevas no se enviarían hasta pasar ese número; con el agente "
                         "parado, escriba en el fichero el número correcto")});
            else
                add({L::Ok, QStringLiteral("%1: %2").arg(name).arg(*id), {}});
        } catch (const AgentError& e) {
            add({L::Fallo, QStringLiteral("%1 mal formado: %2").arg(name, e.description()),
                 QStringLiteral("con el agente parado, escriba en el fichero el número de la última alarma "
                                "enviada")});
        }
    }
}

void FolderCheck::checkStations() {
    struct Station {
        const char* addressKey = nullptr;
        const char* portKey = nullptr;
        QString host;
        quint16 port = 0;
        std::unique_ptr<QTcpSocket> socket;
        bool done = false;
        QString error;
        QList<QSslError> sslErrors;
    };
    // A secured link is checked by its handshake, with the link's own TLS settings and files.
    TlsLink tls(TlsSettings::fromIni(m_ini, m_folder));
    Station stations[3];
    const char* const keys[3][2] = {{"IpQuarnCenter", "RemotePort"},
                                    {"IpQuarnCenterA", "RemotePortA"},
                                    {"IpQuarnCenterB", "RemotePortB"}};
    for (int i = 0; i < 3; ++i) {
        stations[i].addressKey = keys[i][0];
        stations[i].portKey = keys[i][1];
    }
    BoundedWait wait;
    for (int i = 0; i < 3; ++i) {
        Station& s = stations[i];
        s.host = config(m_ini, s.addressKey).trimmed();
        s.port = ConfigRules::port(config(m_ini, s.portKey));
        if (s.host.isEmpty() ||
            !ConfigRules::addressNote(QString::fromLatin1(s.addressKey), s.host).isEmpty()) {
            s.done = true; // not configured, or already failed as written
            continue;
        }
        // All at once: one bound for the three, however many are silent.
        const bool secured = tls.secured(i + 1);
        s.socket = secured ? std::make_unique<QSslSocket>() : std::make_unique<QTcpSocket>();
        QTcpSocket* socket = s.socket.get();
        if (!secured)
            QObject::connect(socket, &QTcpSocket::connected, &wait, [&s, &wait] {
                s.done = true;
                wait.wake();
            });
        if (secured) {
            auto* ssl = static_cast<QSslSocket*>(socket);
            tls.attach(*ssl);
            QObject::connect(ssl, &QSslSocket::encrypted, &wait, [&s, &wait] {
                s.done = true;
                wait.wake();
            });
            QObject::connect(ssl, &QSslSocket::sslErrors, &wait,
                             [&s](const QList<QSslError>& errors) { s.sslErrors = errors; });
        }
        QObject::connect(socket, &QTcpSocket::errorOccurred, &wait, [&s, &wait, socket, secured, &tls] {
            if (s.done)
                return;
            s.done = true;
            // Spanish whether or not Qt's own translations are installed.
            const QString why = CentralLink::errorText(socket->error(), socket->errorString());
            s.error = why.left(1).toLower() + why.mid(1);
            if (secured && socket->state() == QAbstractSocket::ConnectedState)
                s.error =
                    TlsLink::failure(s.sslErrors, socket->errorString(), tls.settings().peerName(s.host));
            wait.wake();
        });
        if (!secured) {
            socket->connectToHost(s.host, s.port);
            continue;
        }
        auto* ssl = static_cast<QSslSocket*>(socket);
        s.error = tls.prepare(*ssl, i + 1, s.host, s.port);
        s.done = !s.error.isEmpty();
        if (!s.done)
            ssl->connectToHostEncrypted(s.host, s.port, tls.settings().peerName(s.host));
    }
    wait.until(
        [&] {
            return std::all_of(std::begin(stations), std::end(stations),
                               [](const Station& s) { return s.done; });
        },
        stationBudget);
    for (int i = 0; i < 3; ++i) {
        Station& s = stations[i];
        if (!s.socket)
            continue;
        const QString what =
            QStringLiteral("central %1 (%2:%3)").arg(QString::fromLatin1(s.addressKey), s.host).arg(s.port);
        if (tls.secured(i + 1)) {
            checkHandshake(tls, i + 1, what, *static_cast<QSslSocket*>(s.socket.get()), s.error);
            s.socket->abort();
            continue;
        }
        if (s.socket->state() == QAbstractSocket::ConnectedState) {
            add({L::Ok, what + QStringLiteral(" acepta la conexión TCP"), {}});
        } else {
            const QString why =
                s.done ? s.error : QStringLiteral("sin respuesta en %1 ms").arg(stationBudget.count());
            add({L::Fallo, what + QStringLiteral(" no acepta la conexión TCP (") + why + QLatin1Char(')'),
                 QStringLiteral("compruebe la dirección, el puerto y que la central esté a la escucha")});
        }
        s.socket->abort();
    }
}

void FolderCheck::checkHandshake(TlsLink& tls, int link, const QString& what, const QSslSocket& socket,
                                 const QString& error) {
    const QString fix =
        QStringLiteral("compruebe el terminador TLS de la central y las claves Tls de [CONFIG] "
                       "(docs/TLS.md)");
    QString why = error;
    if (socket.isEncrypted())
        why = tls.judge(socket, link);
    else if (why.isEmpty() && socket.state() == QAbstractSocket::ConnectedState)
        why = TlsReasons::noHandshake(stationBudget);
    else if (why.isEmpty())
        why = QStringLiteral("sin conexión en %1 ms").arg(stationBudget.count());
    if (!why.isEmpty()) {
        add({L::Fallo, what + QStringLiteral(" sin saludo TLS (") + why + QLatin1Char(')'), fix});
        return;
    }
    add({L::Ok, what + QStringLiteral(" saludo TLS correcto: ") + tls.details(socket), {}});
    for (const CheckLine& line : TlsCheck::expiry(
             QStringLiteral("el certificado de la central %1").arg(what), socket.peerCertificate(),
             QStringLiteral("renueve el certificado del terminador de la central")))
        add(line);
}

void FolderCheck::checkModem() {
    if (!ConfigRules::checkState(config(m_ini, "smsEnabled")))
        return;
    const SerialPortName port = SerialPortName::fromText(config(m_ini, "comport"));
    if (port.kind != SerialPortName::Kind::Port) {
        add({L::Fallo, QStringLiteral("SMS activado sin puerto del módem (comport)"),
             QStringLiteral("escriba en comport la ruta del puerto serie del módem")});
        return;
    }
    if (StatusClient::lockHeld(m_folder)) {
        add({L::Ok,
             QStringLiteral("módem %1: lo tiene el agente en marcha; no se prueba").arg(port.name),
             {}});
        return;
    }
    QSerialPort serial;
    serial.setPortName(port.name);
    serial.setBaudRate(QSerialPort::Baud19200);
    if (!serial.open(QIODevice::ReadWrite)) {
        add({L::Fallo, QStringLiteral("módem %1 no se abre: %2").arg(port.name, serial.errorString()),
             QStringLiteral("compruebe comport y los permisos del puerto (grupo dialout)")});
        return;
    }
    BoundedWait wait;
    QObject::connect(&serial, &QSerialPort::readyRead, &wait, &BoundedWait::wake);
    QByteArray answer;
    const auto ask = [&](const QByteArray& command, const QByteArray& awaited) {
        answer.clear();
        serial.readAll();
        serial.write(command + '\r');
        return wait.until(
            [&] {
                answer += serial.readAll();
                return answer.contains(awaited) && answer.contains("OK");
            },
            modemBudget);
    };
    if (!ask("AT", "OK")) {
        add({L::Fallo,
             QStringLiteral("módem %1 no responde a AT en %2 ms").arg(port.name).arg(modemBudget.count()),
             QStringLiteral("compruebe que el módem esté encendido y conectado a ese puerto")});
        return;
    }
    const bool quality = ask("AT+CSQ", "+CSQ");
    const SignalQuality::Reading reading = SignalQuality::read(quality ? answer : QByteArray());
    if (!quality || reading.text == QLatin1String("NM") || reading.text == QLatin1String("NC"))
        add({L::Aviso,
             QStringLiteral("módem %1 responde a AT, sin cobertura (%2)").arg(port.name, reading.text),
             QStringLiteral("compruebe la antena y la tarjeta SIM")});
    else
        add({L::Ok,
             QStringLiteral("módem %1 responde a AT, señal %2 (de 0 a 31)").arg(port.name, reading.text),
             {}});
}

#include "Station.h"

#include "Pump.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTcpServer>

using namespace std::chrono_literals;

Station::Station(QString program) : m_program(std::move(program)) {
}

Station::~Station() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000))
        m_process.kill();
}

bool Station::start(const QByteArray& mode, quint16 port) {
    setMode(mode);
    m_process.start(m_program, {QStringLiteral("--port"), QString::number(port), QStringLiteral("--record"),
                                m_dir.filePath(QStringLiteral("record")), QStringLiteral("--mode-file"),
                                m_dir.filePath(QStringLiteral("mode"))});
    const QRegularExpression ready(QStringLiteral("listening on (\\d+)"));
    QByteArray out;
    Pump::until(
        [&] {
            out += m_process.readAllStandardOutput();
            const auto m = ready.match(QString::fromLatin1(out));
            if (m.hasMatch())
                m_port = m.captured(1).toUShort();
            return m_port != 0 || m_process.state() == QProcess::NotRunning;
        },
        5s);
    return m_port != 0;
}

void Station::setMode(const QByteArray& mode) {
    QSaveFile f(m_dir.filePath(QStringLiteral("mode")));
    if (f.open(QIODevice::WriteOnly)) {
        f.write(mode);
        f.commit();
    }
}

qsizetype Station::recorded() const {
    QFile f(m_dir.filePath(QStringLiteral("record")));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    return f.readAll().count('\n');
}

quint16 Station::closedPort() {
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort();
}

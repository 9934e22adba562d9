// gelmar-sim: the stand-in supervision system. One binary that acts by the name it was started under.
#include "GelmarInstall.h"
#include "GelmarServer.h"
#include "core/settings/IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace {

const char* const usage =
    "usage:\n"
    "  gelmar-sim install DIR [--plant NAME]\n"
    "  gelmar-sim ctl DIR add-alarm --instrument N --code C --state 0|1 [--time \"YYYY-MM-DD HH:MM:SS\"]\n"
    "  gelmar-sim ctl DIR stop-recording | resume-recording\n"
    "  gelmar-sim ctl DIR future-dates on|off\n"
    "  gelmar-sim ctl DIR acquisition off|on\n"
    "  gelmar-sim ctl DIR random-alarms MS        (0 stops them)\n"
    "  DIR/GSNET.EXE [--history-ms MS]            (records until SIGTERM)\n"
    "  DIR/ANY-NAME resident                      (a process of that name until SIGTERM)\n";

int bad(const QString& why) {
    std::fprintf(stderr, "gelmar-sim: %s\n%s", qPrintable(why), usage);
    return 2;
}

// Value after option name in args, or fallback.
QString option(const QStringList& args, const QString& name, const QString& fallback = {}) {
    const qsizetype i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : fallback;
}

int setFault(const QString& dir, const QString& key, const QString& value) {
    if (!QFileInfo(GelmarInstall::databasePath(dir, GelmarInstall::acquired)).isFile())
        return bad(QStringLiteral("not an installation: ") + dir);
    if (!EscribeIni(GelmarInstall::faultsPath(dir), QStringLiteral("FAULTS"), key, value))
        return bad(QStringLiteral("cannot write ") + GelmarInstall::faultsPath(dir));
    return 0;
}

int onOff(const QString& dir, const QString& key, const QStringList& args) {
    const QString v = args.value(0);
    if (v != QLatin1String("on") && v != QLatin1String("off"))
        return bad(key + QStringLiteral(" needs on or off"));
    return setFault(dir, key, v);
}

int control(const QString& dir, const QString& command, const QStringList& args) {
    if (command == QLatin1String("add-alarm")) {
        bool okCode = false, okState = false;
        const qint64 code = option(args, QStringLiteral("--code")).toLongLong(&okCode);
        const int state = option(args, QStringLiteral("--state")).toInt(&okState);
        const QString instrument = option(args, QStringLiteral("--instrument"));
        const QString timeText = option(args, QStringLiteral("--time"));
        const QDateTime time = timeText.isEmpty()
                                   ? QDateTime::currentDateTime()
                                   : QDateTime::fromString(timeText, GelmarInstall::dateFormat);
        if (!okCode || !okState || (state != 0 && state != 1) || instrument.isEmpty() || !time.isValid())
            return bad(
                QStringLiteral("add-alarm needs --instrument, --code, --state 0|1 and a valid --time"));
        QString error;
        const qint64 id = GelmarInstall::addAlarm(dir, code, instrument, state, time, &error);
        if (id < 0)
            return bad(error);
        std::printf("%lld\n", static_cast<long long>(id));
        return 0;
    }
    if (command == QLatin1String("stop-recording"))
        return setFault(dir, QStringLiteral("recording"), QStringLiteral("off"));
    if (command == QLatin1String("resume-recording"))
        return setFault(dir, QStringLiteral("recording"), QStringLiteral("on"));
    if (command == QLatin1String("future-dates"))
        return onOff(dir, QStringLiteral("future-dates"), args);
    if (command == QLatin1String("acquisition"))
        return onOff(dir, QStringLiteral("acquisition"), args);
    if (command == QLatin1String("random-alarms")) {
        bool ok = false;
        const int ms = args.value(0).toInt(&ok);
        if (!ok || ms < 0)
            return bad(QStringLiteral("random-alarms needs a number of milliseconds"));
        return setFault(dir, QStringLiteral("random-alarms-ms"), QString::number(ms));
    }
    return bad(QStringLiteral("unknown command ") + command);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    installTerminationHandler();
    // argv[0] and not the resolved executable: the link's name is who we are, its folder where we live.
    const QString arg0 = QString::fromLocal8Bit(argv[0]);
    const QString name = QFileInfo(arg0).fileName();
    const QString home =
        arg0.contains(QLatin1Char('/')) ? QFileInfo(arg0).absolutePath() : QDir::currentPath();
    const QStringList args = app.arguments().mid(1);

    if (name.compare(GelmarInstall::networkServer, Qt::CaseInsensitive) == 0) {
        bool ok = true;
        const int historyMs = option(args, QStringLiteral("--history-ms"), QStringLiteral("5000")).toInt(&ok);
        if (!ok || historyMs <= 0)
            return bad(QStringLiteral("--history-ms needs a positive number"));
        GelmarServer server(home, historyMs);
        if (!server.start())
            return 1;
        const int rc = QCoreApplication::exec();
        server.stop();
        return rc;
    }
    for (const QString& resident : GelmarInstall::executables)
        if (name.compare(resident, Qt::CaseInsensitive) == 0)
            return runResident(home);

    // Any other name: a plain resident process, for tests of the agent's name rules (kobserver2.exe, …).
    if (args.value(0) == QLatin1String("resident"))
        return runResident(home);

    if (args.value(0) == QLatin1String("install") && args.size() >= 2) {
        QString error;
        const QString plant = option(args, QStringLiteral("--plant"), QStringLiteral("PLANTA SIM"));
        if (!GelmarInstall::install(args.at(1), plant, QCoreApplication::applicationFilePath(), &error))
            return bad(error);
        std::printf("installed %s\n", qPrintable(QFileInfo(args.at(1)).absoluteFilePath()));
        return 0;
    }
    if (args.value(0) == QLatin1String("ctl") && args.size() >= 3)
        return control(args.at(1), args.at(2), args.mid(3));
    return bad(QStringLiteral("nothing to do"));
}

// vornnet-bench: the agent's speed and memory figures, measured on real processes, printed as one table.
//   vornnet-bench [--runs N] [--only backlog,silent,rest,down,runs,failover,look,pollrest,transmit,tls]
//                 [--agent PATH]

#include "Figures.h"
#include "LoopbackFloor.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSysInfo>
#include <QThread>
#include <cstdio>

namespace {

QString cpuModel() {
    QFile f(QStringLiteral("/proc/cpuinfo"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("model name"))
            return QString::fromLatin1(line.mid(line.indexOf(':') + 1).trimmed());
    return {};
}

QString loadAverage() {
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll().split(' ').mid(0, 3).join(' '))
                                       : QString();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("VORN-NET agent benchmarks"));
    parser.addHelpOption();
    const QCommandLineOption runsOpt(QStringLiteral("runs"), QStringLiteral("runs of each figure"),
                                     QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption onlyOpt(
        QStringLiteral("only"),
        QStringLiteral(
            "comma-separated: backlog, silent, rest, down, runs, failover, look, pollrest, transmit, tls"),
        QStringLiteral("LIST"));
    const QCommandLineOption agentOpt(QStringLiteral("agent"),
                                      QStringLiteral("another vornnet binary to measure (an older build)"),
                                      QStringLiteral("PATH"), QStringLiteral(VORNNET_AGENT));
    QCommandLineOption floorOpt(QStringLiteral("floor"), QStringLiteral("internal: run the bare client"),
                                QStringLiteral("PORT"));
    floorOpt.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({runsOpt, onlyOpt, agentOpt, floorOpt});
    parser.process(app);
    if (parser.isSet(floorOpt))
        return LoopbackFloor::main(static_cast<quint16>(parser.value(floorOpt).toUInt()),
                                   parser.positionalArguments().value(0));
    const int runs = std::max(1, parser.value(runsOpt).toInt());
    const QStringList only = parser.value(onlyOpt).split(QLatin1Char(','), Qt::SkipEmptyParts);
    const auto wanted = [&](const char* name) {
        return only.isEmpty() || only.contains(QLatin1String(name));
    };

    Figures figures({parser.value(agentOpt), QStringLiteral(VORNNET_GELMAR_SIM)}, runs);
    const QString loadBefore = loadAverage();
    if (wanted("backlog"))
        figures.backlog();
    if (wanted("silent"))
        figures.silentWait();
    if (wanted("rest"))
        figures.rest();
    if (wanted("down"))
        figures.pendingDown();
    if (wanted("runs"))
        figures.runCost();
    if (wanted("failover"))
        figures.fastFailover();
    if (wanted("look"))
        figures.lookCost();
    if (wanted("pollrest"))
        figures.pollRest();
    if (wanted("transmit"))
        figures.transmission();
    if (wanted("tls"))
        figures.tlsBacklog();

    std::printf("VORN-NET agent %s on %s, %d CPUs, %s, Qt %s; load average %s before, %s after\n\n",
                VORNNET_VERSION, qPrintable(cpuModel()), QThread::idealThreadCount(),
                qPrintable(QSysInfo::prettyProductName()), qVersion(), qPrintable(loadBefore),
                qPrintable(loadAverage()));
    std::printf("%s", qPrintable(figures.table()));
    for (const QString& why : figures.failures())
        std::printf("\nFAILED: %s", qPrintable(why));
    std::fflush(stdout);
    return figures.failed() ? 1 : 0;
}

// quarn-center: stand-in for the central station.
//   quarn-center --port P [--mode echo|silent|wrong|split|close|refuse|reset|flood] [--record FILE]
//   [--mode-file FILE]
//                [--delay-ms MS]
// Prints "listening on P" (the port actually bound) once it accepts connections.

#include "QuarnCenter.h"
#include "core/runtime/UnixSignals.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <limits>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quarn-center"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Stand-in central station"));
    parser.addHelpOption();
    const QCommandLineOption portOpt(QStringLiteral("port"), QStringLiteral("TCP port, 0 for a free one"),
                                     QStringLiteral("P"), QStringLiteral("0"));
    const QCommandLineOption modeOpt(QStringLiteral("mode"),
                                     QStringLiteral("echo, silent, wrong, split, close or refuse"),
                                     QStringLiteral("MODE"), QStringLiteral("echo"));
    const QCommandLineOption recordOpt(
        QStringLiteral("record"), QStringLiteral("file that receives every message"), QStringLiteral("FILE"));
    const QCommandLineOption modeFileOpt(QStringLiteral("mode-file"),
                                         QStringLiteral("one-word file read for the mode of each connection"),
                                         QStringLiteral("FILE"));
    const QCommandLineOption delayOpt(QStringLiteral("delay-ms"),
                                      QStringLiteral("wait this long before each reply (a slow station)"),
                                      QStringLiteral("MS"), QStringLiteral("0"));
    parser.addOptions({portOpt, modeOpt, recordOpt, modeFileOpt, delayOpt});
    parser.process(app);

    bool portOk = false;
    const uint port = parser.value(portOpt).toUInt(&portOk);
    const auto mode = QuarnCenter::parseMode(parser.value(modeOpt));
    bool delayOk = false;
    const int delayMs = parser.value(delayOpt).toInt(&delayOk);
    if (!portOk || port > std::numeric_limits<quint16>::max() || !mode || !delayOk || delayMs < 0) {
        std::fprintf(stderr, "quarn-center: bad --port, --mode or --delay-ms\n");
        return 2;
    }

    // SIGTERM and SIGINT end the event loop, so sessions and files close normally.
    UnixSignals unixSignals;
    QObject::connect(&unixSignals, &UnixSignals::terminationRequested, &app,
                     [] { QCoreApplication::quit(); });

    QuarnCenter center(
        {static_cast<quint16>(port), *mode, parser.value(recordOpt), parser.value(modeFileOpt), delayMs});
    if (!center.start()) {
        std::fprintf(stderr, "quarn-center: %s\n", qPrintable(center.errorString()));
        return 1;
    }
    std::printf("listening on %u\n", static_cast<unsigned>(center.port()));
    std::fflush(stdout);
    return app.exec();
}

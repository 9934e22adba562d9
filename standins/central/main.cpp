// quarn-center: stand-in for the central station.
//   quarn-center --port P [--mode echo|silent|wrong|split|close|refuse] [--record FILE] [--mode-file FILE]
//                [--delay-ms MS]
// Prints "listening on P" (the port actually bound) once it accepts connections.

#include "QuarnCenter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

} // namespace

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
    if (!portOk || port > 65535 || !mode || !delayOk || delayMs < 0) {
        std::fprintf(stderr, "quarn-center: bad --port, --mode or --delay-ms\n");
        return 2;
    }

    // SIGTERM and SIGINT end the event loop, so sessions and files close normally.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        std::perror("quarn-center: socketpair");
        return 1;
    }
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &byte, 1);
        QCoreApplication::quit();
    });

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

// modem-sim: stand-in for the GSM modem, on a pseudo-terminal.
//   modem-sim [--mode MODE] [--mode-file FILE] [--record FILE] [--signal Q] [--echo]
// MODE: normal, silent, error:STEP (STEP 4 to 9, at, cmgf, csq, reset), nocoverage, hang.
// Prints the path of the serial side on one line once it answers; "mode MODE" lines on standard input
// switch the mode while it runs.

#include "ModemSim.h"
#include "core/runtime/UnixSignals.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("modem-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Stand-in GSM modem on a pseudo-terminal"));
    parser.addHelpOption();
    const QCommandLineOption modeOpt(QStringLiteral("mode"),
                                     QStringLiteral("normal, silent, error:STEP, nocoverage or hang"),
                                     QStringLiteral("MODE"), QStringLiteral("normal"));
    const QCommandLineOption modeFileOpt(QStringLiteral("mode-file"),
                                         QStringLiteral("one-word file read for the mode while running"),
                                         QStringLiteral("FILE"));
    const QCommandLineOption recordOpt(QStringLiteral("record"),
                                       QStringLiteral("file that receives every accepted message"),
                                       QStringLiteral("FILE"));
    const QCommandLineOption signalOpt(QStringLiteral("signal"), QStringLiteral("signal quality, 0 to 31"),
                                       QStringLiteral("Q"), QStringLiteral("17"));
    const QCommandLineOption echoOpt(QStringLiteral("echo"), QStringLiteral("echo commands, as after AT&F"));
    parser.addOptions({modeOpt, modeFileOpt, recordOpt, signalOpt, echoOpt});
    parser.process(app);

    const auto mode = ModemMode::parse(parser.value(modeOpt));
    bool signalOk = false;
    const int signal = parser.value(signalOpt).toInt(&signalOk);
    constexpr int signalNotKnown = 99; // the highest a modem answers
    if (!mode || !signalOk || signal < 0 || signal > signalNotKnown) {
        std::fprintf(stderr, "modem-sim: bad --mode or --signal\n");
        return 2;
    }

    UnixSignals unixSignals;
    QObject::connect(&unixSignals, &UnixSignals::terminationRequested, &app,
                     [] { QCoreApplication::quit(); });

    ModemSim modem(
        {*mode, parser.value(modeFileOpt), parser.value(recordOpt), signal, parser.isSet(echoOpt)});
    if (!modem.start()) {
        std::fprintf(stderr, "modem-sim: %s\n", qPrintable(modem.errorString()));
        return 1;
    }
    modem.listenToStandardInput();
    std::printf("%s\n", qPrintable(modem.serialPath()));
    std::fflush(stdout);
    return app.exec();
}

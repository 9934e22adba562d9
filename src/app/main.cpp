#include "app/Agent.h"
#include "app/CommandLine.h"
#include "app/FieldServices.h"
#include "app/FolderCheck.h"
#include "app/LinkTest.h"
#include "app/LocalTimeZone.h"
#include "app/QtTranslations.h"
#include "app/StatusClient.h"
#include "app/WindowShell.h"
#include "core/model/Dialogs.h"
#include "core/runtime/Clock.h"
#include "core/runtime/Diagnostics.h"
#include "core/runtime/EventLog.h"
#include "core/runtime/UnixSignals.h"
#include "forwarding/BufferDb.h"
#include "gui/WidgetDialogs.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <cstdio>
#include <memory>

namespace {

QStringList argumentsOf(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    return args;
}

QString executableFolder(const char* argv0) {
    // /proc/self/exe survives a relative argv[0] and a changed working folder.
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    const QString exe = self.exists() ? self.canonicalFilePath() : QString::fromLocal8Bit(argv0);
    return QFileInfo(exe).absolutePath();
}

// Test hook: a whole-process test shortens a wait (milliseconds) through the environment.
std::chrono::milliseconds waitFromEnvironment(const char* name, std::chrono::milliseconds fallback) {
    bool ok = false;
    const qlonglong ms = qEnvironmentVariable(name).toLongLong(&ok);
    return ok && ms > 0 ? std::chrono::milliseconds(ms) : fallback;
}

// Qt aborts when its window system is not there; a platform named by hand (offscreen) is left to Qt.
bool hasDisplay() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

int runAgent(const CommandLine& cl, Dialogs& dialogs, WidgetDialogs* boxes) {
    SystemClock clock;
    Agent::Options options;
    options.programFolder = cl.folder;
    options.tick = cl.tick;
    options.linkWait = waitFromEnvironment("VORNNET_LINK_WAIT_MS", options.linkWait);
    options.dbRetryWindow = waitFromEnvironment("VORNNET_DB_WAIT_MS", options.dbRetryWindow);
    options.restartWait = waitFromEnvironment("VORNNET_RESTART_WAIT_MS", options.restartWait);
    options.processScope = qEnvironmentVariable("VORNNET_PROCESS_SCOPE");
    options.trayWatch = waitFromEnvironment("VORNNET_TRAY_WATCH_MS", options.trayWatch);
    // Before the agent: a signal that comes while it is built is kept until the event loop runs.
    UnixSignals unixSignals;
    Agent agent(options, dialogs, clock);
    FieldServices field(agent, clock);
    // The window is created before the load, as the agent's start-up object.
    std::unique_ptr<WindowShell> shell;
    if (boxes) {
        shell = std::make_unique<WindowShell>(agent);
        boxes->setWindow(&shell->window());
        QObject::connect(&agent, &Agent::quitRequested, shell.get(), &WindowShell::unload);
    }
    if (cl.trace) {
        // The scheduler's progress label, step by step, on standard output.
        QObject::connect(&agent.scheduler(), &StepRunner::labelChanged, [](const QString& label) {
            std::printf("%s\n", qPrintable(label));
            std::fflush(stdout);
        });
    }
    int exitCode = 0;
    QObject::connect(&agent, &Agent::quitRequested, [&exitCode, &field](int code) {
        qCInfo(lcAgent) << (code == 0 ? "fin: Cerrar" : "fin: el arranque ha terminado el programa");
        field.stopping();
        exitCode = code;
        QCoreApplication::exit(code);
    });
    QObject::connect(&unixSignals, &UnixSignals::terminationRequested, [&agent, &field](int signalNumber) {
        // As a shutdown of the system: unload and end.
        qCInfo(lcAgent).noquote() << "fin: señal" << UnixSignals::name(signalNumber);
        field.stopping();
        // The program ends whatever the unload meets on its way.
        Diagnostics::handled("descarga", [&agent] { agent.unload(); });
        QCoreApplication::exit(0);
    });
    switch (agent.load()) {
    case Form1Load::Outcome::EndSilently:
        return 0;
    case Form1Load::Outcome::EndProgram:
        // Its message has been shown; a second copy never gets here, as it says nothing at all.
        qCInfo(lcAgent) << "fin: el arranque ha terminado el programa";
        agent.unload();
        return 1;
    case Form1Load::Outcome::Loaded:
    case Form1Load::Outcome::Stopped:
        break;
    }
    field.loaded();
    const int code = QCoreApplication::exec();
    field.stopping();
    agent.unload();
    return code != 0 ? code : exitCode;
}

// Without a window the only Qt texts shown are its error descriptions (a socket's, a serial port's): in
// Spanish like the lines around them when the translation is there, said in English without a word when not.
void quietSpanish(QCoreApplication& app) {
    QtTranslations::installSpanish(app, QtTranslations::defaultFolder(), false);
}

} // namespace

int main(int argc, char** argv) {
    LocalTimeZone::pin();
    QString error;
    const auto cl = CommandLine::parse(argumentsOf(argc, argv), executableFolder(argv[0]), &error);
    if (!cl) {
        std::fprintf(stderr, "vornnet: %s\n%s", qPrintable(error), qPrintable(CommandLine::helpText()));
        return 2;
    }
    if (cl->help) {
        std::fputs(qPrintable(CommandLine::helpText()), stdout);
        return 0;
    }
    if (cl->version) {
        std::printf("vornnet %s\n", VORNNET_VERSION);
        return 0;
    }
    if (cl->createBuffer) {
        const QString path = BufferDb::pathIn(cl->folder);
        if (!BufferDb::create(path, &error)) {
            std::fprintf(stderr, "vornnet: %s\n", qPrintable(error));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
        return 0;
    }
    if (cl->check) {
        QCoreApplication app(argc, argv);
        quietSpanish(app);
        return FolderCheck(cl->folder).run();
    }
    if (cl->testLink) {
        QCoreApplication app(argc, argv);
        quietSpanish(app);
        // Each link's line gives its reason; the link's own diagnostic would say it a second time.
        QLoggingCategory::setFilterRules(QStringLiteral("vornnet.link.warning=false"));
        return LinkTest(cl->folder, waitFromEnvironment("VORNNET_LINK_WAIT_MS", CentralLink::defaultWait))
            .run();
    }
    if (cl->status) {
        QCoreApplication app(argc, argv);
        quietSpanish(app);
        return StatusClient(cl->folder).run(cl->json);
    }
    // From here on a termination signal unloads the agent, however early it comes.
    UnixSignals::install();
    Diagnostics::toStandardError();
    if (cl->unattended) {
        QCoreApplication app(argc, argv);
        quietSpanish(app);
        UnattendedDialogs dialogs;
        return runAgent(*cl, dialogs, nullptr);
    }
    if (!hasDisplay()) {
        std::fprintf(stderr,
                     "vornnet: no hay pantalla (ni DISPLAY ni WAYLAND_DISPLAY): use --unattended para "
                     "funcionar sin ventana\n");
        return 2;
    }
    {
        // Beside the event log, where whoever reads that one looks.
        const SystemClock clock;
        EventLog log(cl->folder, clock);
        log.setFolderFromEnvironment(cl->folder);
        Diagnostics::alsoToFile(QDir(log.folder()).filePath(QString::fromLatin1(Diagnostics::fileName)));
    }
    QApplication app(argc, argv);
    // Message boxes say "Aceptar", as the rest of the window speaks Spanish.
    QtTranslations::installSpanish(app);
    // The close box hides the window; only Cerrar or a signal ends the agent.
    QApplication::setQuitOnLastWindowClosed(false);
    WidgetDialogs dialogs;
    return runAgent(*cl, dialogs, &dialogs);
}

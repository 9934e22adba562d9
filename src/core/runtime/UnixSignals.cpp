#include "core/runtime/UnixSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

int pipeFds[2] = {-1, -1};
// The last resort's own wake-up: it must hear the signal even when the event loop never reads again.
int lastResortFds[2] = {-1, -1};
constexpr int handled[] = {SIGTERM, SIGINT, SIGHUP};

void onSignal(int sig) {
    const int saved = errno;
    const char byte = static_cast<char>(sig);
    [[maybe_unused]] const auto n = ::write(pipeFds[1], &byte, 1);
    [[maybe_unused]] const auto m = ::write(lastResortFds[1], &byte, 1);
    errno = saved;
}

// A driver call that never returns holds the one thread, and the unload with it. The state files are
// crash-safe, so past the grace the process ends at once rather than ignore the signal for good.
void lastResort() {
    char byte = 0;
    while (::read(lastResortFds[0], &byte, 1) < 0 && errno == EINTR) {
    }
    timespec grace{UnixSignals::exitGraceSeconds, 0};
    while (::nanosleep(&grace, &grace) != 0 && errno == EINTR) {
    }
    std::fprintf(stderr,
                 "vornnet.agent: fin: señal %d sin atender en %d s (una llamada retiene al agente): "
                 "terminado en el acto\n",
                 byte, UnixSignals::exitGraceSeconds);
    std::fflush(stderr);
    ::_exit(0);
}

} // namespace

void UnixSignals::install() {
    if (pipeFds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipeFds) != 0)
        return;
    if (::pipe2(lastResortFds, O_CLOEXEC) == 0)
        std::thread(lastResort).detach();
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigset_t set;
    sigemptyset(&set);
    for (int sig : handled) {
        sigaction(sig, &sa, nullptr);
        sigaddset(&set, sig);
    }
    // A signal held pending by an inherited mask is delivered now, to the handler.
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

UnixSignals::UnixSignals(QObject* parent) : QObject(parent) {
    install();
    if (pipeFds[0] < 0)
        return;
    m_notifier = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        if (::read(pipeFds[0], &byte, 1) == 1)
            emit terminationRequested(byte);
    });
}

UnixSignals::~UnixSignals() {
    for (int sig : handled)
        signal(sig, SIG_DFL);
}

QString UnixSignals::name(int signalNumber) {
    switch (signalNumber) {
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    default:
        return QString::number(signalNumber);
    }
}

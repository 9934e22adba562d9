#include "LoopbackFloor.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryFile>
#include <arpa/inet.h>
#include <cstdio>
#include <ctime>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool deliver(quint16 port, const QByteArray& message, QString* error) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        *error = QStringLiteral("socket() failed");
        return false;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const QByteArray expected = QByteArrayLiteral("Recibido:") + message;
    QByteArray got;
    bool ok =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 &&
        ::send(fd, message.constData(), static_cast<size_t>(message.size()), MSG_NOSIGNAL) == message.size();
    char block[4096];
    while (ok && got.size() < expected.size()) {
        const ssize_t n = ::recv(fd, block, sizeof block, 0);
        if (n <= 0)
            ok = false;
        else
            got.append(block, n);
    }
    ::close(fd);
    if (!ok || got != expected)
        *error = QStringLiteral("no echo for ") + QString::fromLatin1(message);
    return ok && got == expected;
}

} // namespace

LoopbackFloor::Result LoopbackFloor::run(quint16 port, const QByteArrayList& messages, QString* error) {
    timespec cpu0{}, cpu1{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu0);
    Result r;
    // A process that has just started, against a station idle until now, runs its first few hundred
    // connections far below its steady rate (page faults, cold caches, idle CPUs woken one message at a
    // time): a single cold pass measured that, not what a client can do. Those go untimed, and of
    // several passes the fastest is the floor.
    for (qsizetype i = 0; i < warmUp; ++i, ++r.sent)
        if (!deliver(port, messages[i % messages.size()], error))
            return {};
    QElapsedTimer t;
    for (int pass = 0; pass < passes; ++pass) {
        t.start();
        for (const QByteArray& m : messages) {
            if (!deliver(port, m, error))
                return {};
            ++r.sent;
        }
        const double seconds = static_cast<double>(t.nsecsElapsed()) / 1e9;
        if (r.seconds < 0 || seconds < r.seconds)
            r.seconds = seconds;
    }
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu1);
    r.cpuNs = (cpu1.tv_sec - cpu0.tv_sec) * 1'000'000'000LL + (cpu1.tv_nsec - cpu0.tv_nsec);
    return r;
}

LoopbackFloor::Result LoopbackFloor::runApart(const QString& self, quint16 port,
                                              const QByteArrayList& messages, QString* error) {
    QTemporaryFile file;
    if (!file.open()) {
        *error = QStringLiteral("no temporary file");
        return {};
    }
    file.write(messages.join('\n'));
    file.flush();
    QProcess floor;
    floor.start(self, {QStringLiteral("--floor"), QString::number(port), file.fileName()});
    if (!floor.waitForFinished(120000) || floor.exitCode() != 0) {
        *error = QString::fromLocal8Bit(floor.readAllStandardError());
        return {};
    }
    const QList<QByteArray> out = floor.readAllStandardOutput().trimmed().split(' ');
    return {out.value(0).toDouble(), out.value(1).toLongLong(), out.value(2).toInt()};
}

int LoopbackFloor::main(quint16 port, const QString& messagesFile) {
    QFile file(messagesFile);
    if (!file.open(QIODevice::ReadOnly))
        return 2;
    QString error;
    const Result r = run(port, file.readAll().split('\n'), &error);
    if (r.seconds <= 0) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("%.9f %lld %d\n", r.seconds, static_cast<long long>(r.cpuNs), r.sent);
    return 0;
}

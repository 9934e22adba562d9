#include "LoopbackFloor.h"

#include <QElapsedTimer>
#include <arpa/inet.h>
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

double LoopbackFloor::run(quint16 port, const QByteArrayList& messages, QString* error) {
    QElapsedTimer t;
    t.start();
    for (const QByteArray& m : messages)
        if (!deliver(port, m, error))
            return -1;
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

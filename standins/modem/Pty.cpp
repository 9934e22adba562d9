#include "Pty.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

Pty::~Pty() {
    if (m_serial >= 0)
        ::close(m_serial);
    if (m_master >= 0)
        ::close(m_master);
}

bool Pty::fail(const char* what) {
    m_error = QString::fromLatin1(what) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

bool Pty::open() {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return fail("posix_openpt");
    if (::grantpt(m_master) != 0)
        return fail("grantpt");
    if (::unlockpt(m_master) != 0)
        return fail("unlockpt");
    const char* name = ::ptsname(m_master);
    if (!name)
        return fail("ptsname");
    m_serialPath = QString::fromLocal8Bit(name);

    m_serial = ::open(name, O_RDWR | O_NOCTTY);
    if (m_serial < 0)
        return fail("open serial side");
    // Raw: no echo of what the agent writes, no line editing, no CR/LF translation, bytes as they come.
    termios t{};
    if (::tcgetattr(m_serial, &t) != 0)
        return fail("tcgetattr");
    ::cfmakeraw(&t);
    ::cfsetispeed(&t, B19200);
    ::cfsetospeed(&t, B19200);
    if (::tcsetattr(m_serial, TCSANOW, &t) != 0)
        return fail("tcsetattr");

    const int flags = ::fcntl(m_master, F_GETFL);
    if (flags < 0 || ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0)
        return fail("fcntl");
    return true;
}

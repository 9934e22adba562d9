#include "ModemSim.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int modePollMs = 50;

} // namespace

ModemSim::ModemSim(Options options, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_dialogue(m_options.signal, m_options.echo),
      m_mode(m_options.mode), m_modePoll(new QTimer(this)) {
    m_modePoll->setInterval(modePollMs);
    connect(m_modePoll, &QTimer::timeout, this, &ModemSim::pollModeFile);
}

bool ModemSim::start() {
    if (!m_pty.open()) {
        m_error = m_pty.errorString();
        return false;
    }
    m_notifier = new QSocketNotifier(m_pty.masterFd(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ModemSim::onReadable);
    if (!m_options.modeFilePath.isEmpty()) {
        pollModeFile();
        m_modePoll->start();
    }
    return true;
}

void ModemSim::listenToStandardInput() {
    m_stdinNotifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(m_stdinNotifier, &QSocketNotifier::activated, this, &ModemSim::onCommand);
}

void ModemSim::onReadable() {
    char chunk[4096];
    QByteArray in;
    for (;;) {
        const ssize_t n = ::read(m_pty.masterFd(), chunk, sizeof chunk);
        if (n > 0) {
            in.append(chunk, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // EAGAIN: all read
    }
    if (in.isEmpty())
        return;
    writeOut(m_dialogue.feed(in, m_mode));
    for (const ModemDialogue::Sms& sms : m_dialogue.takeAccepted())
        record(sms);
}

void ModemSim::writeOut(const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_pty.masterFd(), bytes.constData() + done, bytes.size() - done);
        if (n > 0)
            done += n;
        else if (n < 0 && errno != EINTR && errno != EAGAIN)
            return; // the terminal is gone; nothing to answer to
    }
}

void ModemSim::record(const ModemDialogue::Sms& sms) {
    if (m_options.recordPath.isEmpty())
        return;
    QFile f(m_options.recordPath);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) {
        std::fprintf(stderr, "modem-sim: can not write %s\n", qPrintable(m_options.recordPath));
        return;
    }
    // One line per message: the number, a tab and the text, each in the bytes received.
    f.write(sms.number + '\t' + sms.text + '\n');
}

void ModemSim::setMode(const ModemMode& mode) {
    m_mode = mode;
    std::printf("mode %s\n", qPrintable(mode.word()));
    std::fflush(stdout);
}

void ModemSim::pollModeFile() {
    QFile f(m_options.modeFilePath);
    if (!f.open(QIODevice::ReadOnly))
        return;
    const QByteArray content = f.read(64);
    if (content == m_modeFileContent)
        return;
    m_modeFileContent = content;
    if (const auto mode = ModemMode::parse(QString::fromLatin1(content)))
        setMode(*mode);
    else
        std::fprintf(stderr, "modem-sim: unknown mode '%s' in the mode file\n",
                     content.trimmed().constData());
}

void ModemSim::onCommand() {
    char chunk[256];
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n <= 0) {
        // Standard input closed: no more commands, the modem goes on.
        m_stdinNotifier->setEnabled(false);
        return;
    }
    m_stdin.append(chunk, n);
    qsizetype end;
    while ((end = m_stdin.indexOf('\n')) >= 0) {
        const QString line = QString::fromLatin1(m_stdin.left(end)).trimmed();
        m_stdin.remove(0, end + 1);
        const auto mode =
            line.startsWith(QLatin1String("mode ")) ? ModemMode::parse(line.mid(5)) : std::nullopt;
        if (mode)
            setMode(*mode);
        else
            std::fprintf(stderr, "modem-sim: unknown command '%s'\n", qPrintable(line));
    }
}

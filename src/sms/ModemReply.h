#pragma once

#include <QByteArray>

// How the modem's answer to one command stands, judged by searching everything received since the
// command was written (binary, case-sensitive), never by parsing lines: an echo, blank lines or
// unsolicited results around the answer do not matter.
namespace ModemReply {

enum class Verdict {
    Waiting, // neither the awaited text nor "ERROR" CR yet
    Awaited,
    Error, // "ERROR" CR: counts even when the awaited text came too
};

Verdict judge(QByteArrayView received, QByteArrayView awaited);

} // namespace ModemReply

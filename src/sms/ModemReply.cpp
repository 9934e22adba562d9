#include "sms/ModemReply.h"

namespace ModemReply {

Verdict judge(QByteArrayView received, QByteArrayView awaited) {
    if (received.contains(QByteArrayView("ERROR\r")))
        return Verdict::Error;
    if (received.contains(awaited))
        return Verdict::Awaited;
    return Verdict::Waiting;
}

} // namespace ModemReply

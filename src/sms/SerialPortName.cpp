#include "sms/SerialPortName.h"

SerialPortName SerialPortName::fromText(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {Kind::Invalid, {}};
    bool number = false;
    const qulonglong n = t.toULongLong(&number);
    if (!number)
        return {Kind::Port, t};
    if (n == 0)
        return {Kind::NoModem, {}};
    return {Kind::Port, QStringLiteral("/dev/ttyS") + QString::number(n - 1)};
}

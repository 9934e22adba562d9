#pragma once

#include <QString>

// The serial port named by the text of the port field: "0" means no modem is installed; a number N
// names the platform's N-th serial port (/dev/ttyS0 for 1); anything else is a device path or name,
// used as it is.
struct SerialPortName {
    enum class Kind { NoModem, Port, Invalid };
    Kind kind = Kind::Invalid;
    QString name;

    static SerialPortName fromText(const QString& text);
    bool operator==(const SerialPortName&) const = default;
};

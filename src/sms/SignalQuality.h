#pragma once

#include <QByteArray>
#include <QString>

// The signal field's text and bar from the modem's answer to AT+CSQ ("+CSQ: 15,99": strength, then the
// bit error rate). The six characters after "+CSQ:" are read as one number with the decimal comma, so
// 15,99 reads as 15.99 and its whole part is the strength.
namespace SignalQuality {

struct Reading {
    QString text; // "NM" no modem answer, "NC" no coverage, ">30", or the strength "0" to "30"
    int bar = 0;  // 0 to 30
    bool operator==(const Reading&) const = default;
};

Reading read(QByteArrayView answer);

} // namespace SignalQuality

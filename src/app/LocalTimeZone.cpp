#include "app/LocalTimeZone.h"

#include <QFileInfo>
#include <QTimeZone>
#include <ctime>

namespace LocalTimeZone {

QByteArray systemValue() {
    QByteArray id = QTimeZone::systemTimeZoneId();
    // An id the zone database lacks would silently read as UTC; the file itself is always right.
    if (!id.isEmpty() && !id.contains("..") &&
        QFileInfo(QStringLiteral("/usr/share/zoneinfo/") + QString::fromLatin1(id)).isFile())
        return id;
    return QByteArrayLiteral(":/etc/localtime");
}

void pin() {
    if (qEnvironmentVariableIsSet("TZ"))
        return;
    qputenv("TZ", systemValue());
    tzset();
}

} // namespace LocalTimeZone

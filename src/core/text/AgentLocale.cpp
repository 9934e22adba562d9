#include "core/text/AgentLocale.h"

#include "core/text/FixedDateText.h"

namespace AgentLocale {

namespace {

bool hostNamesNone() {
    const QLocale sys = QLocale::system();
    return sys.language() == QLocale::C;
}

} // namespace

QLocale locale() {
    if (hostNamesNone())
        return QLocale(QLocale::Spanish, QLocale::Spain);
    return QLocale::system();
}

QString monthTag(const QDate& date) {
    QString month = locale().monthName(date.month(), QLocale::ShortFormat);
    month.remove(QLatin1Char('.'));
    return month.left(3) + QLatin1Char('-') + date.toString(QStringLiteral("yy"));
}

QString dateTimeText(const QDateTime& when) {
    if (hostNamesNone())
        return FixedDateText::dayFirst(when);
    const QLocale loc = locale();
    return loc.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           when.time().toString(QStringLiteral("HH:mm:ss"));
}

} // namespace AgentLocale

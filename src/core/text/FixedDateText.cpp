#include "core/text/FixedDateText.h"

namespace FixedDateText {

namespace {

constexpr qsizetype textLength = 19; // both shapes: 10 for the date, a blank, 8 for the time
constexpr int lastFourDigitYear = 9999;

QChar* put(QChar* out, int value, int digits) {
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = QLatin1Char(static_cast<char>('0' + value % 10));
        value /= 10;
    }
    return out + digits;
}

// Fields in the order given, "/" between the date's, ":" between the time's.
QString compose(const QDateTime& when, bool yearFirst) {
    const QDate d = when.date();
    const QTime t = when.time();
    QString text(textLength, Qt::Uninitialized);
    QChar* p = text.data();
    if (yearFirst) {
        p = put(p, d.year(), 4);
        *p++ = QLatin1Char('/');
        p = put(p, d.month(), 2);
        *p++ = QLatin1Char('/');
        p = put(p, d.day(), 2);
    } else {
        p = put(p, d.day(), 2);
        *p++ = QLatin1Char('/');
        p = put(p, d.month(), 2);
        *p++ = QLatin1Char('/');
        p = put(p, d.year(), 4);
    }
    *p++ = QLatin1Char(' ');
    p = put(p, t.hour(), 2);
    *p++ = QLatin1Char(':');
    p = put(p, t.minute(), 2);
    *p++ = QLatin1Char(':');
    put(p, t.second(), 2);
    return text;
}

bool plain(const QDateTime& when) {
    return when.isValid() && when.date().year() >= 0 && when.date().year() <= lastFourDigitYear;
}

} // namespace

QString yearFirst(const QDateTime& when) {
    return plain(when) ? compose(when, true) : when.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

QString dayFirst(const QDateTime& when) {
    return plain(when) ? compose(when, false) : when.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

} // namespace FixedDateText

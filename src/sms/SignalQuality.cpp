#include "sms/SignalQuality.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace SignalQuality {

namespace {

// The modem's quality runs 0 to 31, with 99 for not known: 90 and above is no coverage, and above 30 is
// shown as the best.
constexpr double noCoverageFrom = 90;
constexpr int best = 30;

} // namespace

Reading read(QByteArrayView answer) {
    const QByteArrayView tag("+CSQ:");
    const qsizetype at = answer.indexOf(tag);
    if (at < 0)
        return {QStringLiteral("NM"), 0};
    const QByteArrayView after = answer.sliced(at + tag.size());
    const QString six = QString::fromLatin1(after.first(std::min<qsizetype>(6, after.size()))).trimmed();
    // The decimal comma, whatever the host's own settings: the modem's "q,ber" is meant to be read so.
    bool ok = false;
    double q = QLocale(QLocale::Spanish, QLocale::Spain).toDouble(six, &ok);
    if (!ok || !std::isfinite(q) || q < 0)
        q = 0;
    if (q >= noCoverageFrom)
        return {QStringLiteral("NC"), 0};
    if (q > best)
        return {QStringLiteral(">30"), best};
    const int whole = static_cast<int>(q);
    return {QString::number(whole), whole};
}

} // namespace SignalQuality

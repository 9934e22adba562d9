#include "core/settings/NumberValue.h"

#include "core/runtime/AgentError.h"

#include <cmath>
#include <limits>

namespace NumberValue {

namespace {

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Length of the leading numeric part starting at pos (sign, digits, fraction, exponent).
qsizetype numericPrefix(QStringView t, qsizetype pos) {
    qsizetype i = pos;
    if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
        ++i;
    qsizetype digits = 0;
    while (i < t.size() && isDigit(t[i]))
        ++i, ++digits;
    if (i < t.size() && t[i] == QLatin1Char('.')) {
        qsizetype j = i + 1;
        qsizetype frac = 0;
        while (j < t.size() && isDigit(t[j]))
            ++j, ++frac;
        if (digits + frac > 0)
            i = j, digits += frac;
    }
    if (digits == 0)
        return 0;
    if (i < t.size() && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < t.size() && (t[j] == QLatin1Char('+') || t[j] == QLatin1Char('-')))
            ++j;
        qsizetype expDigits = 0;
        while (j < t.size() && isDigit(t[j]))
            ++j, ++expDigits;
        if (expDigits > 0)
            i = j;
    }
    return i - pos;
}

} // namespace

double of(QStringView text) {
    qsizetype pos = 0;
    while (pos < text.size() && text[pos].isSpace())
        ++pos;
    const qsizetype len = numericPrefix(text, pos);
    if (len == 0)
        return 0.0;
    bool ok = false;
    const double v = text.mid(pos, len).toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0.0;
}

qint64 roundHalfEven(double value) {
    if (!std::isfinite(value))
        return 0;
    const double r = std::nearbyint(value); // default rounding mode: to nearest, ties to even
    if (r >= static_cast<double>(std::numeric_limits<qint64>::max()))
        return std::numeric_limits<qint64>::max();
    if (r <= static_cast<double>(std::numeric_limits<qint64>::min()))
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(r);
}

QString text(double value) {
    // The settings were single-precision numbers: as many significant digits as those hold.
    constexpr int singlePrecisionDigits = 7;
    return QString::number(value, 'g', singlePrecisionDigits);
}

qint16 toInt16(const QString& text) {
    const QString t = text.trimmed();
    const qsizetype len = numericPrefix(t, 0);
    if (t.isEmpty() || len != t.size())
        throw AgentError(AgentError::Conversion, QStringLiteral("No coinciden los tipos: '%1'").arg(text));
    const qint64 v = roundHalfEven(t.toDouble());
    if (v < std::numeric_limits<qint16>::min() || v > std::numeric_limits<qint16>::max())
        throw AgentError(AgentError::Conversion, QStringLiteral("Desbordamiento: '%1'").arg(text));
    return static_cast<qint16>(v);
}

bool toBoolean(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    if (!t.isEmpty() && numericPrefix(t, 0) == t.size())
        return t.toDouble() != 0.0;
    throw AgentError(AgentError::Conversion, QStringLiteral("No coinciden los tipos: '%1'").arg(text));
}

} // namespace NumberValue

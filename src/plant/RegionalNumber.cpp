#include "plant/RegionalNumber.h"

#include <cmath>

namespace RegionalNumber {

namespace {

std::optional<float> strict(QStringView text, QLocale locale) {
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const float v = locale.toFloat(text, &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

} // namespace

std::optional<float> toSingle(QStringView text, const QLocale& regional) {
    const QStringView t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    if (const auto v = strict(t, regional))
        return v;
    if (regional.decimalPoint() == QLatin1String("."))
        return std::nullopt;
    return strict(t, QLocale::c());
}

} // namespace RegionalNumber

#pragma once

#include <QLocale>
#include <QStringView>
#include <optional>

// Numbers written by people in the regional format of the host ("-18,5" where the decimal separator is
// the comma).
namespace RegionalNumber {

// The text as a single-precision number, or nothing when it is not one. Group separators are refused: with
// them "-18.5" under a decimal comma would read as -185. A text the region does not read is tried in the
// universal form with a decimal period, which is how most programs write numbers. Values out of the
// single-precision range, infinities and NaN are not numbers.
std::optional<float> toSingle(QStringView text, const QLocale& regional);

} // namespace RegionalNumber

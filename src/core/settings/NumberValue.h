#pragma once

#include <QString>

// Number values of texts, read the way the agent's settings have always been read.
namespace NumberValue {

// The leading numeric part of a text, with the period as decimal separator; 0 when there is none
// ("12abc" gives 12, "" gives 0, " -1.5e2x" gives -150). Leading blanks are skipped.
double of(QStringView text);

// Nearest integer, halves to the even neighbour (2.5 gives 2, 3.5 gives 4).
qint64 roundHalfEven(double value);

// A number as the settings write it back: no exponent for ordinary values, no trailing zeros
// (1003 gives "1003", 10003.7 gives "10003.7").
QString text(double value);

// Whole number in 16 bits from a text; throws AgentError(Conversion) for a text that is not a number.
qint16 toInt16(const QString& text);

// A text converted to a Boolean: a number is true unless it is 0; "True" and "False" (any case) give
// their own value; anything else throws AgentError(Conversion).
bool toBoolean(const QString& text);

} // namespace NumberValue

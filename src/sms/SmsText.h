#pragma once

#include <QString>

// Texts made fit for the modem's character set and for one message.
namespace SmsText {

// The longest text sent in one message.
constexpr qsizetype maxLength = 155;

// Lower-case accented vowels and ñ/Ñ lose their accent; every other character above "z" becomes "*"
// (capital accented vowels, ü, ç, º, { | } ~ ...); control characters (below 0x20, and DEL) become blanks;
// blanks around the text go; and a "Fecha" after the first character cuts the text before it (the date
// of a notice is left out).
QString QuitaAcentos(const QString& text);

// QuitaAcentos, then cut to maxLength.
QString prepare(const QString& text);

} // namespace SmsText

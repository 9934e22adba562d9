#include "sms/SmsText.h"

namespace SmsText {

namespace {

// A control character inside the text would end or cancel the message at the modem (Ctrl-Z, ESC) or
// break its line: only the driver's own Ctrl-Z may end it.
bool isControl(QChar c) {
    constexpr char16_t firstPrintable = 0x20;
    constexpr char16_t del = 0x7F;
    return c.unicode() < firstPrintable || c.unicode() == del;
}

// Removes blanks only, as the message texts have always been trimmed.
QString trimBlanks(const QString& text, bool leading) {
    qsizetype from = 0, to = text.size();
    if (leading)
        while (from < to && text.at(from) == QLatin1Char(' '))
            ++from;
    while (to > from && text.at(to - 1) == QLatin1Char(' '))
        --to;
    return text.mid(from, to - from);
}

} // namespace

QString QuitaAcentos(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'á':
            out += QLatin1Char('a');
            break;
        case u'é':
            out += QLatin1Char('e');
            break;
        case u'í':
            out += QLatin1Char('i');
            break;
        case u'ó':
            out += QLatin1Char('o');
            break;
        case u'ú':
            out += QLatin1Char('u');
            break;
        case u'ñ':
            out += QLatin1Char('n');
            break;
        case u'Ñ':
            out += QLatin1Char('N');
            break;
        default:
            if (isControl(c))
                out += QLatin1Char(' ');
            else
                out += c.unicode() > 'z' ? QChar(QLatin1Char('*')) : c;
        }
    }
    out = trimBlanks(out, true);
    // An occurrence at the very start is not a date to leave out; nor is any later one then.
    const qsizetype fecha = out.indexOf(QLatin1String("Fecha"));
    if (fecha > 0)
        out = trimBlanks(out.left(fecha), false);
    return out;
}

QString prepare(const QString& text) {
    return QuitaAcentos(text).left(maxLength);
}

} // namespace SmsText

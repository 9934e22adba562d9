#include "core/settings/IniFile.h"

#include "core/runtime/Files.h"
#include "core/text/Windows1252.h"

#include <QFile>
#include <QLoggingCategory>
#include <QStringDecoder>

Q_LOGGING_CATEGORY(lcIni, "vornnet.ini")

namespace {

// "[name]" after trimming gives name; anything else gives a null view.
QStringView sectionName(QStringView line) {
    const QStringView t = line.trimmed();
    if (t.size() >= 2 && t.front() == QLatin1Char('[')) {
        const qsizetype close = t.indexOf(QLatin1Char(']'));
        if (close > 0)
            return t.mid(1, close - 1).trimmed();
    }
    return {};
}

bool isSection(QStringView line) {
    return line.trimmed().startsWith(QLatin1Char('[')) && !sectionName(line).isNull();
}

// The key of "key=value", or a null view for a line without "=".
QStringView keyOf(QStringView line) {
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return {};
    return line.left(eq).trimmed();
}

QString valueOf(QStringView line) {
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    QStringView v = line.mid(eq + 1).trimmed();
    if (v.size() >= 2 && (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\'')) &&
        v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v.left(IniFile::maxValue).toString();
}

bool sameName(QStringView a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QList<QStringView> splitLines(const QString& content) {
    QList<QStringView> lines;
    const QStringView all(content);
    qsizetype start = 0;
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (all[i] == QLatin1Char('\n')) {
            qsizetype end = i;
            if (end > start && all[end - 1] == QLatin1Char('\r'))
                --end;
            lines.append(all.mid(start, end - start));
            start = i + 1;
        }
    }
    if (start < all.size())
        lines.append(all.mid(start));
    return lines;
}

} // namespace

QString IniFile::decode(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return Windows1252::decode(bytes);
    if (text.startsWith(QChar(QChar::ByteOrderMark)))
        text.remove(0, 1);
    return text;
}

QString IniFile::readFrom(const QString& content, const QString& section, const QString& key) {
    bool inSection = false;
    bool sectionSeen = false;
    for (const QStringView line : splitLines(content)) {
        if (isSection(line)) {
            if (inSection)
                return {}; // only the first section of that name counts
            inSection = !sectionSeen && sameName(sectionName(line), section);
            sectionSeen = sectionSeen || inSection;
            continue;
        }
        if (!inSection)
            continue;
        const QStringView k = keyOf(line);
        if (!k.isNull() && sameName(k, key))
            return valueOf(line);
    }
    return {};
}

QHash<QString, QString> IniFile::sectionFrom(const QString& content, const QString& section) {
    QHash<QString, QString> values;
    bool inSection = false;
    for (const QStringView line : splitLines(content)) {
        if (isSection(line)) {
            if (inSection)
                break;
            inSection = sameName(sectionName(line), section);
            continue;
        }
        if (!inSection)
            continue;
        const QStringView k = keyOf(line);
        if (k.isNull())
            continue;
        const QString key = k.toString().toLower();
        if (!values.contains(key))
            values.insert(key, valueOf(line));
    }
    return values;
}

QString IniFile::writeInto(const QString& content, const QString& section, const QString& key,
                           const QString& value) {
    const QString eol = content.contains(QLatin1String("\r\n")) || !content.contains(QLatin1Char('\n'))
                            ? QStringLiteral("\r\n")
                            : QStringLiteral("\n");
    QStringList lines;
    for (const QStringView l : splitLines(content))
        lines.append(l.toString());

    qsizetype sectionAt = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (isSection(lines[i]) && sameName(sectionName(lines[i]), section)) {
            sectionAt = i;
            break;
        }
    }
    if (sectionAt < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines.append(QString());
        lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
        lines.append(key + QLatin1Char('=') + value);
    } else {
        qsizetype end = sectionAt + 1;
        while (end < lines.size() && !isSection(lines[end]))
            ++end;
        qsizetype keyAt = -1;
        qsizetype lastFilled = sectionAt;
        for (qsizetype i = sectionAt + 1; i < end; ++i) {
            if (!lines[i].trimmed().isEmpty())
                lastFilled = i;
            const QStringView k = keyOf(lines[i]);
            if (keyAt < 0 && !k.isNull() && sameName(k, key))
                keyAt = i;
        }
        if (keyAt >= 0) {
            // Keep the key as the file spells it; only the value changes.
            lines[keyAt] = keyOf(lines[keyAt]).toString() + QLatin1Char('=') + value;
        } else {
            lines.insert(lastFilled + 1, key + QLatin1Char('=') + value);
        }
    }
    return lines.join(eol) + eol;
}

QString LeeIni(const QString& file, const QString& section, const QString& key) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return IniFile::readFrom(IniFile::decode(f.readAll()), section, key);
}

bool EscribeIni(const QString& file, const QString& section, const QString& key, const QString& value) {
    QString content;
    {
        QFile f(file);
        if (f.exists()) {
            if (!f.open(QIODevice::ReadOnly))
                return false;
            content = IniFile::decode(f.readAll());
        }
    }
    // Not QSaveFile: it commits a short or empty copy when the disk fills while it flushes.
    QString why;
    if (replaceFile(file, IniFile::writeInto(content, section, key, value).toUtf8(), &why))
        return true;
    qCWarning(lcIni).noquote() << "no se puede escribir" << why << "- el fichero queda como estaba";
    return false;
}

QString SacaCampo(const QString& text, const QString& separator, int n) {
    if (n < 1 || separator.isEmpty())
        return n == 1 && separator.isEmpty() ? text : QString();
    const QStringList fields = text.split(separator, Qt::KeepEmptyParts, Qt::CaseSensitive);
    return n <= fields.size() ? fields[n - 1] : QString();
}

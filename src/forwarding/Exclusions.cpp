#include "forwarding/Exclusions.h"

#include "core/runtime/AgentError.h"
#include "core/settings/IniFile.h"

#include <limits>

Exclusions::List Exclusions::parse(const QString& content) {
    const QHash<QString, QString> section = IniFile::sectionFrom(content, QStringLiteral("EXCLUDE"));
    List list;
    for (qint32 key = 1;; ++key) {
        // The key counter is a 16-bit integer: a list that reaches its end overflows.
        if (key > std::numeric_limits<qint16>::max()) {
            list.overflow = true;
            break;
        }
        const QString entry = section.value(QString::number(key));
        if (entry.isEmpty())
            break;
        list.entries.append(
            {SacaCampo(entry, QStringLiteral("##"), 1), SacaCampo(entry, QStringLiteral("##"), 2)});
    }
    return list;
}

const Exclusions::List& Exclusions::current() const {
    // No file, or one that can not be read: no list.
    if (m_file.refresh())
        m_list = m_file.error().isEmpty() ? parse(IniFile::decode(m_file.content())) : List{};
    return m_list;
}

bool Exclusions::HayQueEnviar(const QString& Aparato, const QString& Alarma) const {
    const List& list = current();
    if (list.overflow)
        throw AgentError(AgentError::Conversion, QStringLiteral("Desbordamiento en la lista EXCLUDE"));
    // The whole list is looked at; a match does not stop the reading.
    bool send = true;
    for (const auto& [device, alarm] : list.entries) {
        if (Aparato.compare(device, Qt::CaseInsensitive) == 0 &&
            (alarm == QLatin1String("*") || Alarma.compare(alarm, Qt::CaseInsensitive) == 0))
            send = false;
    }
    return send;
}

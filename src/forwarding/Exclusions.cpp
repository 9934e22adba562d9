#include "forwarding/Exclusions.h"

#include "core/AgentError.h"
#include "core/IniFile.h"

#include <QFile>
#include <limits>

bool Exclusions::HayQueEnviar(const QString& Aparato, const QString& Alarma) const {
    // One read of the file for the whole list; the keys are still looked up one by one, in order.
    QString content;
    QFile f(m_iniPath);
    if (f.open(QIODevice::ReadOnly))
        content = IniFile::decode(f.readAll());
    bool send = true;
    for (qint32 key = 1;; ++key) {
        if (key > std::numeric_limits<qint16>::max())
            throw AgentError(AgentError::Conversion, QStringLiteral("Desbordamiento en la lista EXCLUDE"));
        const QString entry = IniFile::readFrom(content, QStringLiteral("EXCLUDE"), QString::number(key));
        if (entry.isEmpty())
            break;
        const QString device = SacaCampo(entry, QStringLiteral("##"), 1);
        const QString alarm = SacaCampo(entry, QStringLiteral("##"), 2);
        if (Aparato.compare(device, Qt::CaseInsensitive) == 0 &&
            (alarm == QLatin1String("*") || Alarma.compare(alarm, Qt::CaseInsensitive) == 0))
            send = false;
    }
    return send;
}

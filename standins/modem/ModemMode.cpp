#include "ModemMode.h"

#include <QStringList>

std::optional<ModemMode> ModemMode::parse(const QString& word) {
    const QString w = word.trimmed().toLower();
    if (w == QLatin1String("normal"))
        return ModemMode{Kind::Normal, {}};
    if (w == QLatin1String("silent"))
        return ModemMode{Kind::Silent, {}};
    if (w == QLatin1String("nocoverage"))
        return ModemMode{Kind::NoCoverage, {}};
    if (w == QLatin1String("hang"))
        return ModemMode{Kind::Hang, {}};
    static const QStringList steps = {QStringLiteral("4"),    QStringLiteral("5"),    QStringLiteral("6"),
                                      QStringLiteral("7"),    QStringLiteral("8"),    QStringLiteral("9"),
                                      QStringLiteral("at"),   QStringLiteral("cmgf"), QStringLiteral("csq"),
                                      QStringLiteral("reset")};
    const QLatin1String errorTag("error:");
    if (w.startsWith(errorTag) && steps.contains(w.mid(errorTag.size())))
        return ModemMode{Kind::Error, w.mid(errorTag.size())};
    return std::nullopt;
}

QString ModemMode::word() const {
    switch (kind) {
    case Kind::Normal:
        return QStringLiteral("normal");
    case Kind::Silent:
        return QStringLiteral("silent");
    case Kind::NoCoverage:
        return QStringLiteral("nocoverage");
    case Kind::Hang:
        return QStringLiteral("hang");
    case Kind::Error:
        return QStringLiteral("error:") + errorAt;
    }
    return {};
}

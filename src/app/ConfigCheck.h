#pragma once

#include "app/CheckLine.h"

#include <QList>
#include <QString>
#include <QStringList>

// The checks of vornnet.ini for `vornnet --check`: the file is there, every key of section CONFIG is one
// start-up reads, and every value is taken as written, by the rules start-up applies (ConfigRules).
class ConfigCheck {
public:
    explicit ConfigCheck(QString iniPath) : m_iniPath(std::move(iniPath)) {}

    QList<CheckLine> run() const;

    // The key names of a section as written in the file (first occurrence of each, case kept).
    static QStringList keysOf(const QString& content, const QString& section);

private:
    QString m_iniPath;
};

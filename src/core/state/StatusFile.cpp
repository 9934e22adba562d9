#include "core/state/StatusFile.h"

#include "core/settings/IniFile.h"

#include <QDir>

namespace {

const QString section = QStringLiteral("status");

struct Key {
    const char* readAs;
    const char* writeAs;
    const char* fallback;
};

// Indexed by StatusFile::Flag. Several keys are read under one capitalisation and written under another;
// ini keys match without regard to case, so both find the same entry.
constexpr Key keys[] = {
    {"Acquisition", "Acquisition", "1"},
    {"DbSize", "DbSize", "1"},
    {"freeSize", "FreeSize", "1"},
    {"time", "Time", "1"},
    {"SMSOn", "SMSON", "0"},
    {"ModemOK", "ModemOK", "1"},
};

const Key& keyOf(StatusFile::Flag flag) {
    return keys[static_cast<int>(flag)];
}

} // namespace

StatusFile::StatusFile(const QString& programFolder)
    : m_path(QDir(programFolder).filePath(QStringLiteral("status.ini"))) {
}

QString StatusFile::keyAsRead(Flag flag) {
    return QString::fromLatin1(keyOf(flag).readAs);
}

QString StatusFile::keyAsWritten(Flag flag) {
    return QString::fromLatin1(keyOf(flag).writeAs);
}

QString StatusFile::read(Flag flag) const {
    return LeeIni(m_path, section, QString::fromLatin1(keyOf(flag).readAs));
}

bool StatusFile::set(Flag flag, bool value) const {
    return EscribeIni(m_path, section, QString::fromLatin1(keyOf(flag).writeAs),
                      value ? QStringLiteral("1") : QStringLiteral("0"));
}

QString StatusFile::readOrDefault(Flag flag) const {
    QString value = read(flag);
    if (value.isEmpty()) {
        value = QString::fromLatin1(keyOf(flag).fallback);
        EscribeIni(m_path, section, QString::fromLatin1(keyOf(flag).writeAs), value);
    }
    return value;
}

StatusFlags StatusFile::readFlags() const {
    const auto normal = [this](Flag which) { return readOrDefault(which) != QLatin1String("0"); };
    StatusFlags state;
    state.Acquisition = normal(Flag::Acquisition);
    state.DbSize = normal(Flag::DbSize);
    state.freeSize = normal(Flag::freeSize);
    state.time = normal(Flag::time);
    state.SMSOn = readOrDefault(Flag::SMSOn) == QLatin1String("1");
    state.ModemOK = normal(Flag::ModemOK);
    return state;
}

QString StatusFile::UltOptimiza() const {
    return LeeIni(m_path, section, ultOptimizaKey);
}

void StatusFile::setUltOptimiza(const QString& value) const {
    EscribeIni(m_path, section, ultOptimizaKey, value);
}

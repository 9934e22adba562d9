#pragma once

#include "core/state/StatusFlags.h"

#include <QString>

// status.ini in the program folder, section status: the flags that remember what was last reported
// ("1" normal, "0" condition open), the SMS mode, and the date of the last optimisation. The one place
// that knows the file's path and its keys, as they are read and as they are written, and the only one
// that turns the flags into text and back.
class StatusFile {
public:
    enum class Flag { Acquisition, DbSize, freeSize, time, SMSOn, ModemOK };
    static constexpr Flag flags[] = {Flag::Acquisition, Flag::DbSize, Flag::freeSize,
                                     Flag::time,        Flag::SMSOn,  Flag::ModemOK};

    explicit StatusFile(const QString& programFolder);

    const QString& path() const { return m_path; }

    // The flag's text as the file holds it.
    QString read(Flag flag) const;
    // Writes "1" for true, "0" for false. False when the file could not be written (it stays as it was).
    bool set(Flag flag, bool value) const;

    // Every flag, each key's default written into the file first when it is absent or empty. A damaged
    // value can neither silence a condition nor keep SMS mode from starting: anything but "0" is a
    // normal condition, anything but "1" is SMS mode off.
    StatusFlags readFlags() const;
    // The flag's key as start-up reads it and as the agent writes it (the same key, told apart by case).
    static QString keyAsRead(Flag flag);
    static QString keyAsWritten(Flag flag);

    static inline const QString ultOptimizaKey = QStringLiteral("UltOptimiza");
    QString UltOptimiza() const;
    void setUltOptimiza(const QString& value) const;

private:
    QString readOrDefault(Flag flag) const;

    QString m_path;
};

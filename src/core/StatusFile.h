#pragma once

#include <QString>

// status.ini in the program folder, section status: the flags that remember what was last reported
// ("1" normal, "0" condition open), the SMS mode, and the date of the last optimisation. The one place
// that knows the file's path and its keys, as they are read and as they are written.
class StatusFile {
public:
    enum class Flag { Acquisition, DbSize, freeSize, time, SMSOn, ModemOK };
    static constexpr Flag flags[] = {Flag::Acquisition, Flag::DbSize, Flag::freeSize,
                                     Flag::time,        Flag::SMSOn,  Flag::ModemOK};

    explicit StatusFile(const QString& programFolder);

    const QString& path() const { return m_path; }

    QString read(Flag flag) const;
    // False when the file could not be written (it stays as it was).
    bool write(Flag flag, const QString& value) const;
    // "1" is true; anything else false.
    bool isOn(Flag flag) const { return read(flag) == on(true); }
    bool set(Flag flag, bool value) const { return write(flag, on(value)); }
    static QString on(bool value) { return value ? QStringLiteral("1") : QStringLiteral("0"); }

    // The flag's value, its default written into the file first when the key is absent or empty.
    QString readOrDefault(Flag flag) const;
    static QString defaultValue(Flag flag);
    // The flag's key as start-up reads it and as the agent writes it (the same key, told apart by case).
    static QString keyAsRead(Flag flag);
    static QString keyAsWritten(Flag flag);

    static inline const QString ultOptimizaKey = QStringLiteral("UltOptimiza");
    QString UltOptimiza() const;
    void setUltOptimiza(const QString& value) const;

private:
    QString m_path;
};

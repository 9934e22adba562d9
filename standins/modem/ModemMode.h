#pragma once

#include <QString>
#include <optional>

// How the stand-in modem behaves: "normal", "silent" (answers nothing), "error:STEP" (answers "ERROR" at
// one step), "nocoverage" (signal 99,99), "hang" (gives the ">" prompt, then never takes the text).
// STEP is a step of the agent's send dialogue, 4 to 9 (4 AT+CBST, 5 to 7 the plain AT after it, 8
// AT+CMGS, 9 the text), or a command name: "at" (every plain AT), "cmgf", "csq", "reset" (AT&F).
struct ModemMode {
    enum class Kind { Normal, Silent, Error, NoCoverage, Hang };
    Kind kind = Kind::Normal;
    QString errorAt;

    static std::optional<ModemMode> parse(const QString& word);
    QString word() const;
    bool operator==(const ModemMode&) const = default;
};

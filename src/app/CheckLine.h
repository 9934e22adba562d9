#pragma once

#include <QString>

// One line of `vornnet --check`: the verdict, what was checked and, on a problem, what to do.
struct CheckLine {
    enum class Level { Ok, Aviso, Fallo };
    Level level = Level::Ok;
    QString what;
    QString fix; // empty for OK

    // "OK    what", "AVISO what: fix", "FALLO what: fix".
    QString text() const;
};

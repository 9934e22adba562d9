#pragma once

#include <QString>
#include <QUrl>
#include <functional>

class Control;

// The window's "Log" button: opens the folder of the event logs with the desktop's opener. Where there
// is no opener (no desktop session, no xdg-open), the field ESTADO says where the logs are.
class LogFolder {
public:
    // True when the desktop took the request.
    using Opener = std::function<bool(const QUrl&)>;

    // ESTADO: where the logs are is said there when no opener takes the folder.
    explicit LogFolder(Control& ESTADO, Opener opener = desktopOpener());

    void btnLogClick(const QString& folder);

    static Opener desktopOpener();
    static QString whereText(const QString& folder);

private:
    Control& m_ESTADO;
    Opener m_opener;
};

#pragma once

#include <QString>
#include <QUrl>
#include <functional>

class Form1State;

// The window's "Log" button: opens the folder of the event logs with the desktop's opener. Where there
// is no opener (no desktop session, no xdg-open), the field ESTADO says where the logs are.
class LogFolder {
public:
    // True when the desktop took the request.
    using Opener = std::function<bool(const QUrl&)>;

    explicit LogFolder(Form1State& form, Opener opener = desktopOpener());

    void btnLogClick(const QString& folder);

    static Opener desktopOpener();
    static QString whereText(const QString& folder);

private:
    Form1State& m_form;
    Opener m_opener;
};

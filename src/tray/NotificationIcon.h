#pragma once

#include <QObject>
#include <QString>

// The agent's icon in the desktop's notification area, as the tray logic drives it. The widgets implement
// it; tests play it with a fake.
class NotificationIcon : public QObject {
public:
    using QObject::QObject;

    // Whether the desktop has a notification area right now.
    virtual bool areaAvailable() const = 0;
    // Shows the icon with this tip; false when it could not be shown.
    virtual bool add(const QString& tip) = 0;
    // Harmless when the icon is not there.
    virtual void remove() = 0;
};

#pragma once

#include "tray/NotificationIcon.h"

#include <QStringList>

// A notification area the test switches on and off, and the tips of the icons added to it.
class FakeNotificationIcon final : public NotificationIcon {
public:
    bool areaAvailable() const override { return area; }
    bool add(const QString& tip) override {
        added.append(tip);
        shown = area;
        return shown;
    }
    void remove() override {
        shown = false;
        ++removals;
    }

    bool area = true;
    bool shown = false;
    QStringList added;
    int removals = 0;
};

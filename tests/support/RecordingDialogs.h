#pragma once

#include "core/Dialogs.h"

#include <QList>
#include <functional>

// Records every box a step shows; a box is closed at once unless the test hooks onShow.
class RecordingDialogs final : public Dialogs {
public:
    struct Shown {
        Icon icon;
        QString title;
        QString text;
    };
    using Dialogs::message;
    void message(Icon icon, const QString& title, const QString& text) override {
        shown.append({icon, title, text});
        if (onShow)
            onShow(shown.last());
    }
    QList<Shown> shown;
    std::function<void(const Shown&)> onShow;
};

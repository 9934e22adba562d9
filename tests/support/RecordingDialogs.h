#pragma once

#include "core/model/Dialogs.h"

#include <QList>
#include <functional>
#include <gtest/gtest.h>
#include <source_location>
#include <utility>

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
    // The one box shown since the record was last cleared, whole; the record is cleared again. A failure
    // names the caller's line.
    void expectBox(Icon icon, const QString& title, const QString& text,
                   std::source_location at = std::source_location::current()) {
        const ::testing::ScopedTrace trace(at.file_name(), static_cast<int>(at.line()), "expectBox");
        const QList<Shown> boxes = std::exchange(shown, {});
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_EQ(static_cast<int>(boxes[0].icon), static_cast<int>(icon));
        EXPECT_EQ(boxes[0].title, title);
        EXPECT_EQ(boxes[0].text, text);
    }
    QList<Shown> shown;
    std::function<void(const Shown&)> onShow;
};

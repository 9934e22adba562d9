#include "core/Form1Load.h"
#include "core/AgentError.h"
#include "support/FakeClock.h"
#include "support/RecordingDialogs.h"

#include <gtest/gtest.h>

namespace {

Form1Load::Step step(const QString& name, std::function<bool()> run, bool buffer = false) {
    return {name, std::move(run), buffer, false};
}

auto ok(QStringList& ran, const QString& name) {
    return [&ran, name] {
        ran.append(name);
        return true;
    };
}

} // namespace

TEST(Form1Load, RunsStepsInOrder) {
    FakeClock clock;
    RecordingDialogs dialogs;
    Form1Load load(clock, dialogs);
    QStringList ran;
    for (const char* n : {"a", "b", "c"})
        load.add(step(n, ok(ran, n)));
    EXPECT_EQ(load.run(), Form1Load::Outcome::Loaded);
    EXPECT_EQ(ran, QStringList({"a", "b", "c"}));
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST(Form1Load, OtherErrorsAreShownAndSkipTheRest) {
    FakeClock clock;
    RecordingDialogs dialogs;
    Form1Load load(clock, dialogs);
    QStringList ran;
    load.add(step("a", ok(ran, "a")));
    load.add(step("b", []() -> bool { throw AgentError(AgentError::MissingObject, "No existe la tabla"); }));
    load.add(step("c", ok(ran, "c")));
    EXPECT_EQ(load.run(), Form1Load::Outcome::Stopped);
    EXPECT_EQ(ran, QStringList({"a"}));
    EXPECT_EQ(load.done(), QStringList({"a"}));
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].title, "Error Vorn-Net");
    EXPECT_EQ(dialogs.shown[0].icon, Dialogs::Icon::Critical);
    EXPECT_EQ(dialogs.shown[0].text, "No existe la tabla");
}

TEST(Form1Load, UnspecifiedFailureIsRetriedForTwoMinutesFromTheStart) {
    FakeClock clock;
    RecordingDialogs dialogs;
    Form1Load load(clock, dialogs);
    load.setRetryPause(std::chrono::milliseconds(1));
    int attempts = 0;
    // Fails while the server "starts", for 119 s of the 120 s window, then succeeds.
    load.add(step("plant", [&]() -> bool {
        ++attempts;
        if (attempts < 120) {
            clock.advanceSecs(1);
            throw AgentError(AgentError::Unspecified, "Error no especificado");
        }
        return true;
    }));
    EXPECT_EQ(load.run(), Form1Load::Outcome::Loaded);
    EXPECT_EQ(attempts, 120);
    EXPECT_TRUE(dialogs.shown.isEmpty());

    // Past the window the error is shown like any other.
    Form1Load late(clock, dialogs);
    late.setRetryPause(std::chrono::milliseconds(1));
    attempts = 0;
    late.add(step("plant", [&]() -> bool {
        ++attempts;
        clock.advanceSecs(30);
        throw AgentError(AgentError::Unspecified, "Error no especificado");
    }));
    EXPECT_EQ(late.run(), Form1Load::Outcome::Stopped);
    EXPECT_EQ(attempts, 4) << "attempts at 0, 30, 60 and 90 s are retried; at 120 s no more";
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text, "Error no especificado");
}

TEST(Form1Load, BufferStepAndProgramEnds) {
    FakeClock clock;
    RecordingDialogs dialogs;
    QStringList ran;
    {
        Form1Load load(clock, dialogs);
        load.add(step(
            "buffer", []() -> bool { throw AgentError(AgentError::Unspecified, "x"); }, true));
        load.add(step("after", ok(ran, "after")));
        EXPECT_EQ(load.run(), Form1Load::Outcome::EndProgram);
        ASSERT_EQ(dialogs.shown.size(), 1);
        EXPECT_EQ(dialogs.shown[0].text, "No se encuentra buffer.mdb") << "no retry while the marker is set";
    }
    {
        Form1Load load(clock, dialogs);
        load.add(step("db", [] { return false; }));
        load.add(step("after", ok(ran, "after")));
        EXPECT_EQ(load.run(), Form1Load::Outcome::EndProgram);
    }
    {
        Form1Load load(clock, dialogs);
        load.add({"copy", [] { return false; }, false, true});
        EXPECT_EQ(load.run(), Form1Load::Outcome::EndSilently);
    }
    EXPECT_TRUE(ran.isEmpty());
    EXPECT_EQ(dialogs.shown.size(), 1);
}

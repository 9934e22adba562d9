#include "app/Form1Load.h"
#include "core/runtime/AgentError.h"
#include "support/ServicesTest.h"

class Form1LoadTest : public ServicesTest {
protected:
    Form1Load::Step ok(const QString& name) {
        return {name, [this, name] { return ran.append(name), true; }};
    }
    // A step that throws `code`, moving the clock by `secs` first; counts its attempts.
    Form1Load::Step failing(quint32 code, const QString& text, int secs = 0, int succeedAt = 0) {
        return {"failing", [=, this]() -> bool {
                    if (++attempts == succeedAt)
                        return true;
                    clock.advanceSecs(secs);
                    throw AgentError(code, text);
                }};
    }
    QStringList ran;
    int attempts = 0;
    Form1Load load{clock, dialogs};
};

TEST_F(Form1LoadTest, RunsStepsInOrderAndAnErrorIsShownAndSkipsTheRest) {
    load.add(ok("a"));
    load.add(ok("b"));
    load.add(failing(AgentError::MissingObject, "No existe la tabla"));
    load.add(ok("c"));
    EXPECT_EQ(load.run(), Form1Load::Outcome::Stopped);
    EXPECT_EQ(ran, QStringList({"a", "b"}));
    EXPECT_EQ(load.done(), QStringList({"a", "b"}));
    EXPECT_EQ(attempts, 1) << "only the unspecified failure is retried";
    dialogs.expectBox(Dialogs::Icon::Critical, "Error Vorn-Net", "No existe la tabla");
}

TEST_F(Form1LoadTest, UnspecifiedFailureIsRetriedForTwoMinutesFromTheStart) {
    // Fails while the server "starts", for 119 s of the 120 s window, then succeeds.
    load.setRetryPause(std::chrono::milliseconds(1));
    load.add(failing(AgentError::Unspecified, "Error no especificado", 1, 120));
    EXPECT_EQ(load.run(), Form1Load::Outcome::Loaded);
    EXPECT_EQ(attempts, 120);
    EXPECT_TRUE(dialogs.shown.isEmpty());

    // Past the window the error is shown like any other.
    Form1Load late(clock, dialogs);
    late.setRetryPause(std::chrono::milliseconds(1));
    attempts = 0;
    late.add(failing(AgentError::Unspecified, "Error no especificado", 30));
    EXPECT_EQ(late.run(), Form1Load::Outcome::Stopped);
    EXPECT_EQ(attempts, 4) << "attempts at 0, 30, 60 and 90 s are retried; at 120 s no more";
    dialogs.expectBox(Dialogs::Icon::Critical, "Error Vorn-Net", "Error no especificado");
}

TEST_F(Form1LoadTest, BufferStepAndProgramEnds) {
    Form1Load::Step step = failing(AgentError::Unspecified, "x");
    step.opensBuffer = true;
    load.add(step);
    load.add(ok("after"));
    EXPECT_EQ(load.run(), Form1Load::Outcome::EndProgram);
    EXPECT_EQ(attempts, 1) << "no retry while the marker is set";
    dialogs.expectBox(Dialogs::Icon::None, Dialogs::defaultTitle, "No se encuentra buffer.mdb");

    Form1Load db(clock, dialogs);
    db.add({"db", [] { return false; }});
    db.add(ok("after"));
    EXPECT_EQ(db.run(), Form1Load::Outcome::EndProgram);
    Form1Load copy(clock, dialogs);
    copy.add({"copy", [] { return false; }, false, [] { return true; }});
    EXPECT_EQ(copy.run(), Form1Load::Outcome::EndSilently);
    EXPECT_TRUE(ran.isEmpty());
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(Form1LoadTest, AStoppedLoadResumesAtItsFailedStepWithoutABox) {
    load.add(ok("a"));
    load.add(failing(AgentError::MissingObject, "No existe la tabla", 0, 3));
    load.add(ok("b"));
    EXPECT_EQ(load.run(), Form1Load::Outcome::Stopped);
    EXPECT_FALSE(load.complete());
    ASSERT_TRUE(load.failure());
    EXPECT_EQ(load.failure()->step, "failing");
    EXPECT_EQ(load.failure()->description, "No existe la tabla");
    EXPECT_EQ(load.resume(), Form1Load::Outcome::Stopped);
    EXPECT_EQ(dialogs.shown.size(), 1) << "a resume that fails again shows no box";
    EXPECT_EQ(load.resume(), Form1Load::Outcome::Loaded);
    EXPECT_TRUE(load.complete());
    EXPECT_FALSE(load.failure());
    EXPECT_EQ(ran, QStringList({"a", "b"})) << "the steps before the failed one do not run again";
    EXPECT_EQ(load.done(), QStringList({"a", "failing", "b"}));
}

#include "app/Form1Load.h"

#include "core/model/Dialogs.h"
#include "core/runtime/AgentError.h"
#include "core/runtime/BoundedWait.h"
#include "core/runtime/Clock.h"

#include <optional>

Form1Load::Form1Load(const Clock& clock, Dialogs& dialogs) : m_clock(clock), m_dialogs(dialogs) {
}

Form1Load::Outcome Form1Load::run() {
    m_start = m_clock.now();
    m_done.clear();
    m_next = 0;
    // Every box of the load waits for its click: some of them end the program.
    const Dialogs::Blocking startUp = m_dialogs.blocking();
    return runFrom(false);
}

Form1Load::Outcome Form1Load::resume() {
    return runFrom(true);
}

Form1Load::Outcome Form1Load::stopped(const Step& step, const QString& description, bool resuming) {
    m_failure = Failure{step.name, description};
    if (!resuming)
        m_dialogs.message(Dialogs::Icon::Critical, Dialogs::errorTitle, description);
    return Outcome::Stopped;
}

Form1Load::Outcome Form1Load::runFrom(bool resuming) {
    for (; m_next < m_steps.size(); ++m_next) {
        const Step& step = m_steps[m_next];
        for (;;) {
            if (m_cancelled())
                return Outcome::EndSilently;
            try {
                std::optional<Dialogs::Blocking> ending;
                if (resuming && step.mayEnd)
                    ending.emplace(m_dialogs);
                if (!step.run())
                    return (step.silentEnd && step.silentEnd()) || m_cancelled() ? Outcome::EndSilently
                                                                                 : Outcome::EndProgram;
                m_done.append(step.name);
                break;
            } catch (const AgentError& e) {
                if (m_cancelled())
                    return Outcome::EndSilently;
                if (step.opensBuffer) {
                    const Dialogs::Blocking ending = m_dialogs.blocking();
                    m_dialogs.message(QStringLiteral("No se encuentra buffer.mdb"));
                    return Outcome::EndProgram;
                }
                const qint64 elapsed = m_start.msecsTo(m_clock.now());
                if (!resuming && e.code() == AgentError::Unspecified && elapsed < m_retryWindow.count()) {
                    // The database server may still be starting: let events run, then try the step again.
                    BoundedWait().pause(m_retryPause);
                    continue;
                }
                return stopped(step, e.description(), resuming);
            } catch (const std::exception& e) {
                if (m_cancelled())
                    return Outcome::EndSilently;
                if (step.opensBuffer) {
                    const Dialogs::Blocking ending = m_dialogs.blocking();
                    m_dialogs.message(QStringLiteral("No se encuentra buffer.mdb"));
                    return Outcome::EndProgram;
                }
                return stopped(step, QString::fromLocal8Bit(e.what()), resuming);
            }
        }
    }
    m_failure.reset();
    return Outcome::Loaded;
}

#include "app/Form1Load.h"

#include "core/AgentError.h"
#include "core/BoundedWait.h"
#include "core/Clock.h"
#include "core/Dialogs.h"

Form1Load::Form1Load(const Clock& clock, Dialogs& dialogs) : m_clock(clock), m_dialogs(dialogs) {
}

Form1Load::Outcome Form1Load::run() {
    m_start = m_clock.now();
    m_done.clear();
    for (const Step& step : std::as_const(m_steps)) {
        for (;;) {
            if (m_cancelled())
                return Outcome::EndSilently;
            try {
                if (!step.run())
                    return (step.silentEnd && step.silentEnd()) || m_cancelled() ? Outcome::EndSilently
                                                                                 : Outcome::EndProgram;
                m_done.append(step.name);
                break;
            } catch (const AgentError& e) {
                if (m_cancelled())
                    return Outcome::EndSilently;
                if (step.opensBuffer) {
                    m_dialogs.message(QStringLiteral("No se encuentra buffer.mdb"));
                    return Outcome::EndProgram;
                }
                const qint64 elapsed = m_start.msecsTo(m_clock.now());
                if (e.code() == AgentError::Unspecified && elapsed < m_retryWindow.count()) {
                    // The database server may still be starting: let events run, then try the step again.
                    BoundedWait().pause(m_retryPause);
                    continue;
                }
                m_dialogs.message(Dialogs::Icon::Critical, Dialogs::errorTitle, e.description());
                return Outcome::Stopped;
            } catch (const std::exception& e) {
                if (m_cancelled())
                    return Outcome::EndSilently;
                if (step.opensBuffer) {
                    m_dialogs.message(QStringLiteral("No se encuentra buffer.mdb"));
                    return Outcome::EndProgram;
                }
                m_dialogs.message(Dialogs::Icon::Critical, Dialogs::errorTitle,
                                  QString::fromLocal8Bit(e.what()));
                return Outcome::Stopped;
            }
        }
    }
    return Outcome::Loaded;
}

#pragma once

#include "core/runtime/Clock.h"

// A clock the test sets and moves by hand. Setting or advancing it moves both clocks alike (a test that
// sets it back rewinds both); stepWall is the calendar clock stepped, which the monotonic count ignores.
class FakeClock final : public Clock {
public:
    static inline const QDateTime defaultStart{QDate(2026, 12, 6), QTime(12, 0, 0)};
    explicit FakeClock(QDateTime start = defaultStart) : m_now(std::move(start)) {}
    QDateTime now() const override { return m_now; }
    qint64 monotonicMs() const override { return m_monotonicMs; }
    void set(const QDateTime& t) {
        m_monotonicMs += m_now.msecsTo(t);
        m_now = t;
    }
    void advanceSecs(qint64 s) {
        m_now = m_now.addSecs(s);
        m_monotonicMs += s * 1000;
    }
    void stepWall(qint64 s) { m_now = m_now.addSecs(s); }

private:
    QDateTime m_now;
    qint64 m_monotonicMs = 1'000'000;
};

#pragma once

#include <QByteArray>
#include <QRandomGenerator>

/// The process's time zone set to zone (a TZ value) for the object's lifetime, then restored
/// (unset again when it was unset); tzset() both times, so the C library notices.
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const QByteArray &zone);
    ~ScopedTimeZone();

    ScopedTimeZone(const ScopedTimeZone &) = delete;
    ScopedTimeZone &operator=(const ScopedTimeZone &) = delete;

private:
    const QByteArray m_saved;
    const bool m_wasSet;
};

/// A random generator for a test's random order: seeded from DYNFEED_TEST_SEED when that is set,
/// else from a fixed seed, so every run is the same. When the test function fails, the seed is
/// printed on destruction, so the failing order can be run again.
class SeededRandom : public QRandomGenerator
{
public:
    SeededRandom();
    ~SeededRandom();

    quint32 seedUsed() const { return m_seed; }

private:
    const quint32 m_seed;
};

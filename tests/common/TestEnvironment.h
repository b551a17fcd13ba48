#pragma once

#include <QByteArray>
#include <QRandomGenerator>

/// An environment variable set to value for the object's lifetime, then restored (unset again
/// when it was unset).
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char *name, const QByteArray &value);
    ~ScopedEnvironment();

    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

private:
    const char *const m_name;
    const QByteArray m_saved;
    const bool m_wasSet;
};

/// The process's time zone set to zone (a TZ value) for the object's lifetime, then restored;
/// tzset() both times, so the C library notices.
class ScopedTimeZone : public ScopedEnvironment
{
public:
    explicit ScopedTimeZone(const QByteArray &zone)
        : ScopedEnvironment("TZ", zone)
    { }
};

/// A random generator for a test's random order: seeded from DYNFEED_TEST_SEED when that is set,
/// else from a fixed seed, so every run is the same. When the test function fails, the seed is
/// printed on destruction, so the failing order can be run again.
class SeededRandom : public QRandomGenerator
{
public:
    SeededRandom();
    ~SeededRandom();

private:
    const quint32 m_seed;
};

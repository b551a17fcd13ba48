#include "common/TestEnvironment.h"

#include <QTest>
#include <QtGlobal>

#include <time.h>

namespace {

quint32 chosenSeed()
{
    bool ok = false;
    const quint32 seed = qEnvironmentVariable("DYNFEED_TEST_SEED").toUInt(&ok);
    return ok ? seed : 20261206u;
}

} // namespace

ScopedTimeZone::ScopedTimeZone(const QByteArray &zone)
    : m_saved(qgetenv("TZ"))
    , m_wasSet(qEnvironmentVariableIsSet("TZ"))
{
    qputenv("TZ", zone);
    tzset();
}

ScopedTimeZone::~ScopedTimeZone()
{
    if (m_wasSet)
        qputenv("TZ", m_saved);
    else
        qunsetenv("TZ");
    tzset();
}

SeededRandom::SeededRandom()
    : QRandomGenerator(chosenSeed())
    , m_seed(chosenSeed())
{ }

SeededRandom::~SeededRandom()
{
    if (QTest::currentTestFailed())
        qInfo("random order seeded with %u; run again with DYNFEED_TEST_SEED=%u", m_seed, m_seed);
}

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

ScopedEnvironment::ScopedEnvironment(const char *name, const QByteArray &value)
    : m_name(name)
    , m_saved(qgetenv(name))
    , m_wasSet(qEnvironmentVariableIsSet(name))
{
    qputenv(name, value);
    if (qstrcmp(name, "TZ") == 0)
        tzset();
}

ScopedEnvironment::~ScopedEnvironment()
{
    if (m_wasSet)
        qputenv(m_name, m_saved);
    else
        qunsetenv(m_name);
    if (qstrcmp(m_name, "TZ") == 0)
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

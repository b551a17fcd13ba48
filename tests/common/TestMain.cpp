#include "common/TestMain.h"

#include <QCoreApplication>
#include <QThread>
#include <QtTest/private/qtestlog_p.h>

#include <cstdio>
#include <mutex>

namespace {

QtMessageHandler s_testLogHandler = nullptr; // Qt Test's own handler, which we wrap
std::mutex s_lock; // one message at a time, so the ignore count below belongs to it
QStringList s_strayFromOtherThreads; // guarded by s_lock

/// The offscreen platform plugin says so whenever a widget asks for a window feature it lacks
/// (raise, keyboard grab, size hints); that is the test platform talking, not the code under test.
bool isPlatformLimit(const QString &message)
{
    return message.startsWith(QLatin1String("This plugin does not support"));
}

void strictHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    bool announced = true;
    {
        std::lock_guard<std::mutex> locked(s_lock);
        // Qt Test consumes an announced message from its ignore list; that is the only trace
        // it leaves of having matched one.
        const int pending = QTestLog::unhandledIgnoreMessages();
        s_testLogHandler(type, context, message);
        if (type == QtWarningMsg || type == QtCriticalMsg)
            announced = QTestLog::unhandledIgnoreMessages() < pending || isPlatformLimit(message);
        if (!announced && QThread::currentThread() != qApp->thread())
            s_strayFromOtherThreads
                << QStringLiteral("%1 (during %2)")
                       .arg(message, QLatin1String(QTest::currentTestFunction()));
    }
    if (announced || QThread::currentThread() != qApp->thread())
        return;
    const QByteArray why = QByteArrayLiteral("unexpected ")
        + (type == QtWarningMsg ? "warning" : "critical message") + ": " + message.toLocal8Bit();
    QTest::qFail(why.constData(), context.file ? context.file : "(unknown file)", context.line);
}

} // namespace

namespace TestMain {

int run(QObject *testObject, int argc, char **argv)
{
    QTest::qInit(testObject, argc, argv);
    // Qt Test installs its handler in qInit; ours goes on top of it for the test functions.
    s_testLogHandler = qInstallMessageHandler(strictHandler);
    int failures = QTest::qRun();
    qInstallMessageHandler(s_testLogHandler);
    QTest::qCleanup();

    std::lock_guard<std::mutex> locked(s_lock);
    for (const QString &message : qAsConst(s_strayFromOtherThreads))
        std::fprintf(
            stderr, "FAIL: unexpected warning on another thread: %s\n", qPrintable(message));
    if (!s_strayFromOtherThreads.isEmpty() && failures == 0)
        failures = 1;
    return failures;
}

} // namespace TestMain

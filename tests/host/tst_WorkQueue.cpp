#include <QtTest>

#include <atomic>
#include <mutex>

#include "WorkQueue_p.h"
#include "common/TestMain.h"

/// Every job posted runs once, in order on one thread, also across a stop and a new start.
class tst_WorkQueue : public QObject
{
    Q_OBJECT

private slots:
    void runsEveryJob_data()
    {
        QTest::addColumn<int>("threads");
        QTest::addColumn<int>("jobs");
        QTest::addColumn<int>("passes"); // stop() after each; the next starts afresh
        QTest::newRow("one thread, in order") << 1 << 200 << 1;
        QTest::newRow("one thread, restarted") << 1 << 50 << 3;
        QTest::newRow("four threads") << 4 << 500 << 1;
        QTest::newRow("four threads, restarted") << 4 << 100 << 3;
        QTest::newRow("nothing posted") << 2 << 0 << 2;
    }

    void runsEveryJob()
    {
        QFETCH(int, threads);
        QFETCH(int, jobs);
        QFETCH(int, passes);
        std::mutex mutex;
        QVector<int> ran; // guarded by mutex
        std::atomic<int> ended { 0 };
        std::atomic<int> started { 0 };
        WorkQueue queue(
            threads, [&] { ++started; }, [&] { ++ended; });
        for (int pass = 0; pass < passes; ++pass) {
            for (int i = 0; i < jobs; ++i)
                queue.post([&, i] {
                    std::lock_guard<std::mutex> lock(mutex);
                    ran.append(pass * jobs + i);
                });
            queue.stop();
            QCOMPARE(ran.size(), (pass + 1) * jobs);
            QCOMPARE(ended.load(), started.load()); // each thread ended once, after its jobs
            QVERIFY(started.load() <= (pass + 1) * threads);
        }
        if (threads == 1) {
            for (int i = 0; i < ran.size(); ++i)
                QCOMPARE(ran.at(i), i);
        }
    }
};

DYNFEED_TEST_GUILESS_MAIN(tst_WorkQueue)
#include "tst_WorkQueue.moc"

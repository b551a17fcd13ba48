#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>

#include "DynKeys.h"
#include "PSVPushService.h"
#include "UserSettings.h"
#include "common/QueuedControllerSignals.h"
#include "common/TestMain.h"
#include "common/TestMessages.h"
#include "feed/DynDataController.h"
#include "feed/SDynData.h"

using SeqIdTable = QHash<QString, int>;
Q_DECLARE_METATYPE(SeqIdTable)

/// The controller on the real push service: subscriptions, counts, persistence, pairing and
/// delivery across threads; the per-user table of newest sequence numbers, as it survives on disk.

namespace {

const qint64 kBase = 1762000000;

QList<SDynData *> allRecords(DynDataController &controller)
{
    return controller.fetchDynData(1, 1 << 20);
}

} // namespace

class tst_ControllerOnPushService : public QObject
{
    Q_OBJECT

private slots:
    void init() { QFile::remove(UserSettings::filePath()); }

private:
    QTemporaryDir m_dir;
    int m_nextProject = 5000;

    QString newProject() { return QString::number(++m_nextProject); }

    void writeSettings(const QByteArray &content)
    {
        UserSettings(QStringLiteral("1001")).savePrjDynSeqId({ { "1", 10 } });
        QFile file(UserSettings::filePath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) > 0);
    }

private slots:

    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("dynfeed-tests"));
        QCoreApplication::setApplicationName(QStringLiteral("tst_ControllerOnPushService"));
        QVERIFY(m_dir.isValid());
        PSVPushService::setStorePath(m_dir.filePath(QStringLiteral("push.sqlite")));
    }

    void storedNumbers_data()
    {
        // A user's table, saved over an older one, beside a neighbour's whose group it may not
        // touch.
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("neighbour");
        QTest::addColumn<SeqIdTable>("table");

        QTest::newRow("empty table")
            << QStringLiteral("1001") << QStringLiteral("100") << SeqIdTable();
        QTest::newRow("Chinese ids, slash opening a subgroup")
            << QStringLiteral("a/prjDynSeqId/1") << QStringLiteral("a")
            << SeqIdTable { { "工程一号", 5 }, { "项目 B", 6 } };
        QTest::newRow("ids with slashes and INI specials, users differing in case")
            << QStringLiteral("Ab") << QStringLiteral("ab")
            << SeqIdTable { { "a/b", 1 }, { "a\\b", 2 }, { "k=v;#x", 3 }, { "[s] \"q\"", 4 },
                   { "line\nbreak", 5 }, { "@Variant(x)", 6 }, { "%41", 7 }, { "", 8 } };
        QTest::newRow("extreme numbers, escaped form of another user") << QStringLiteral(
            "A") << QStringLiteral("-41") << SeqIdTable { { "min", INT_MIN }, { "max", INT_MAX } };
        QTest::newRow("empty and zero user")
            << QString() << QStringLiteral("0") << SeqIdTable { { "1", 1 } };
    }

    void storedNumbers()
    {
        QFETCH(QString, user);
        QFETCH(QString, neighbour);
        QFETCH(SeqIdTable, table);
        {
            UserSettings settings(user);
            settings.savePrjDynSeqId({ { "1", 10 }, { "stale", 5 } });
            settings.savePrjDynSeqId(table);
            QCOMPARE(settings.loadPrjDynSeqId(), table);
        }
        UserSettings(neighbour).savePrjDynSeqId({ { "1", 21 } });
        QCOMPARE(UserSettings(user).loadPrjDynSeqId(), table);
        QCOMPARE(UserSettings(neighbour).loadPrjDynSeqId(), SeqIdTable({ { "1", 21 } }));
        QCOMPARE(UserSettings(QStringLiteral("unknown")).loadPrjDynSeqId(), SeqIdTable());
    }

    void storedNumbersDamaged_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("warnings");
        QTest::addColumn<SeqIdTable>("loaded");

        // Hand-edited: entry 1 has no number, entry 2 no project id.
        QTest::newRow("malformed entries")
            << QByteArray(
                   "[users]\n1001\\prjDynSeqId\\1\\prjId=1\n1001\\prjDynSeqId\\1\\seqId=many\n"
                   "1001\\prjDynSeqId\\2\\seqId=20\n1001\\prjDynSeqId\\3\\prjId=3\n"
                   "1001\\prjDynSeqId\\3\\seqId=30\n1001\\prjDynSeqId\\size=3\n")
            << QStringList { "UserSettings: skipped a malformed entry 1 of user 1001",
                   "UserSettings: skipped a malformed entry 2 of user 1001" }
            << SeqIdTable { { "3", 30 } };
        QTest::newRow("unreadable file") << QByteArray("\x00\xff\xfe[[[=\n\x01\x02", 11)
                                         << QStringList { "%1 cannot be read" } << SeqIdTable();
    }

    void storedNumbersDamaged()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, warnings);
        writeSettings(content);
        const QString path = UserSettings::filePath();
        QFile::remove(path + QStringLiteral(".damaged"));
        const bool unreadable = warnings.first() == QLatin1String("%1 cannot be read");
        if (unreadable)
            warnings = QStringList {
                QStringLiteral("UserSettings: %1 cannot be read; moved to %1.damaged").arg(path)
            };
        for (const QString &warning : qAsConst(warnings))
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        const UserSettings user(QStringLiteral("1001"));
        QTEST(user.loadPrjDynSeqId(), "loaded");

        // The next save reaches the disk again; a damaged file is kept beside it.
        UserSettings(QStringLiteral("1001")).savePrjDynSeqId({ { "2", 20 } });
        QCOMPARE(
            UserSettings(QStringLiteral("1001")).loadPrjDynSeqId(), SeqIdTable({ { "2", 20 } }));
        QCOMPARE(QFile::exists(path + QStringLiteral(".damaged")), unreadable);
    }

    void newMessagesSinceStored_data()
    {
        QTest::addColumn<bool>("groupFeed");
        QTest::addColumn<int>("stored"); // -1: nothing stored for the project
        QTest::addColumn<int>("expectedNew");
        QTest::addColumn<QString>("prefix"); // of the project id

        QTest::newRow("stored 90 of 100") << true << 90 << 10 << "";
        QTest::newRow("nothing stored") << true << -1 << 0 << "";
        QTest::newRow("up to date") << true << 100 << 0 << "";
        QTest::newRow("stored ahead of the group") << true << 120 << 0 << "";
        QTest::newRow("personal feed counts nothing") << false << 90 << 0 << "";
        // The service numbers the group by the id's value; its information must still be taken.
        QTest::newRow("project id with a leading zero") << true << 90 << 10 << "0";
    }

    void newMessagesSinceStored()
    {
        QFETCH(bool, groupFeed);
        QFETCH(int, stored);
        QFETCH(int, expectedNew);
        QFETCH(QString, prefix);

        const QString prj = prefix + newProject();
        const QString user = QStringLiteral("u-") + prj;
        if (stored >= 0)
            UserSettings(user).savePrjDynSeqId({ { prj, stored } });
        QCOMPARE(PSVPushService::publish(prj, TestMessages::plainMessages(100, kBase)).size(), 100);

        auto controller = std::make_unique<DynDataController>(groupFeed, nullptr);
        QueuedControllerSignals queued(controller.get());
        QSignalSpy counted(&queued, &QueuedControllerSignals::newMsgNum);
        QSignalSpy received(&queued, &QueuedControllerSignals::newMessageReceived);
        controller->setProjUserId(prj, user);
        QTRY_VERIFY(received.count() > 0); // the group's newest messages
        QCOMPARE(controller->getGroupMsgNum(), 100);

        QList<int> nonZero;
        for (const auto &args : qAsConst(counted)) {
            if (args.at(0).toInt() != 0)
                nonZero << args.at(0).toInt();
        }
        QCOMPARE(nonZero, expectedNew ? QList<int> { expectedNew } : QList<int>());
        if (!groupFeed)
            QCOMPARE(counted.count(), 0);

        controller.reset();
        QCOMPARE(UserSettings(user).loadPrjDynSeqId().value(prj, -1), 100);
    }

    void olderRequestsWalkDown()
    {
        // Subscribing brings the newest 10 of 100; each older request reaches back by its count
        // from where the one before began, the first from the group's newest number.
        const QString prj = newProject();
        PSVPushService::publish(prj, TestMessages::plainMessages(100, kBase));
        DynDataController controller(true, nullptr);
        QueuedControllerSignals queued(&controller);
        QSignalSpy received(&queued, &QueuedControllerSignals::newMessageReceived);
        controller.setProjUserId(prj, QStringLiteral("older"));
        const QDateTime first = QDateTime::fromSecsSinceEpoch(kBase); // nothing is older
        QList<int> held;
        for (int count : { 0, 20, 30 }) {
            if (count > 0)
                controller.fetchDynDataBackward(first, count);
            QTRY_COMPARE(received.count(), held.size() + 1);
            held << controller.fetchDynDataBackward(first.addYears(1), 1 << 20).size();
        }
        QCOMPARE(held, (QList<int> { 10, 20, 50 }));
    }

    void switchingProjects()
    {
        const QString first = newProject();
        const QString second = newProject();
        PSVPushService::publish(
            first, TestMessages::plainMessages(6, kBase, QStringLiteral("first")));
        PSVPushService::publish(
            second, TestMessages::plainMessages(4, kBase, QStringLiteral("second")));

        DynDataController controller(true, nullptr);
        controller.setProjUserId(first, QStringLiteral("mover"));
        QTRY_COMPARE(allRecords(controller).size(), 6);
        const QList<SDynData *> before = allRecords(controller);
        controller.setProjUserId(first, QStringLiteral("mover")); // the same ids again: kept
        QCOMPARE(allRecords(controller), before);
        controller.setProjUserId(second, QStringLiteral("mover"));
        QCOMPARE(controller.prjId(), second);
        QTRY_COMPARE(allRecords(controller).size(), 4);

        // Published into the old project after the move: never shown.
        PSVPushService::publish(
            first, TestMessages::plainMessages(3, kBase + 600, QStringLiteral("late")));
        PSVPushService::publish(
            second, TestMessages::plainMessages(1, kBase + 900, QStringLiteral("second")));
        QTRY_COMPARE(allRecords(controller).size(), 5);
        for (const SDynData *record : allRecords(controller))
            QVERIFY2(record->text.startsWith(QStringLiteral("second")), qPrintable(record->text));
    }

    void subscribeFailure()
    {
        const QString prj = newProject();
        DynDataController controller(true, nullptr);
        QueuedControllerSignals queued(&controller);
        QSignalSpy errors(&queued, &QueuedControllerSignals::networkError);
        QTest::ignoreMessage(QtDebugMsg, "subscribe error");
        controller.setProjUserId(QString(), QStringLiteral("nobody"));
        QTRY_COMPARE(errors.count(), 1);
        QCOMPARE(controller.prjId(), QString());
        QCOMPARE(controller.userId(), QString());

        // The ids stayed, so a good call afterwards subscribes.
        PSVPushService::publish(prj, TestMessages::plainMessages(2, kBase));
        controller.setProjUserId(prj, QStringLiteral("nobody"));
        QTRY_COMPARE(allRecords(controller).size(), 2);
        QCOMPARE(errors.count(), 1);
    }

    void taskNotificationPairs()
    {
        const QString prj = newProject();
        const auto publishTask
            = [&prj](int secs, quint64 prjNumber, int task, int type, int msgId) {
                  PSVPushService::publish(prj,
                      TestMessages::message({ TestMessages::taskItem(
                          kBase + secs, prjNumber, quint64(task), type, 0, quint64(msgId)) }));
              };
        // Published before the controller subscribes: not newer than what it has seen, so no pair.
        publishTask(0, prj.toULongLong(), 77, 1, 9001);
        publishTask(60, prj.toULongLong(), 77, 2, 9002);

        DynDataController controller(false, nullptr);
        QueuedControllerSignals queued(&controller);
        QSignalSpy notified(&queued, &QueuedControllerSignals::synTaskNotify);
        QSignalSpy received(&queued, &QueuedControllerSignals::newMessageReceived);
        controller.setProjUserId(prj, QStringLiteral("3003"));
        QTRY_COMPARE(allRecords(controller).size(), 2);
        QCOMPARE(notified.count(), 0);

        // A new answer on the same task pairs; one on another task does not; nor does another
        // notification of the same class.
        publishTask(120, prj.toULongLong(), 88, 2, 9003);
        publishTask(180, prj.toULongLong(), 77, 4, 9004);
        QTRY_COMPARE(allRecords(controller).size(), 4);
        QTRY_COMPARE(notified.count(), 1);
        const QVariantHash map = notified.first().at(0).value<QVariantHash>();
        QCOMPARE(map.value(DynKey::taskId).toString(), QStringLiteral("77"));
        QCOMPARE(map.value(DynKey::msgId).toString(), QStringLiteral("9004"));
        QCOMPARE(map.value(DynKey::operateType).toInt(), 4);
        QCOMPARE(map.value(QStringLiteral("userid")).toString(), QStringLiteral("3003"));

        // A task of another project is not shown in a personal feed.
        publishTask(240, prj.toULongLong() + 1, 99, 1, 9005);
        PSVPushService::publish(prj, TestMessages::plainMessages(1, kBase + 300));
        QTRY_COMPARE(allRecords(controller).size(), 5);
        QCOMPARE(allRecords(controller).first()->kind, int(SDynData::KindText));
    }

    void publishFromThreadsWhileSwitching()
    {
        const QString left = newProject();
        const QString right = newProject();
        // Messages of one to three items, each item with a unique time. std::threads:
        // ThreadSanitizer sees their join, not QThread::wait().
        std::atomic<int> clock { 0 };
        const auto publish = [&clock](const QString &prj, int *published) {
            for (int i = 0; i < 150; ++i) {
                QList<pb_im_t_msg_item> items;
                for (int n = 0; n < 1 + i % 3; ++n) {
                    const int tick = clock.fetch_add(1);
                    items << TestMessages::plainItem(
                        kBase + tick, prj + QStringLiteral(":%1").arg(tick));
                }
                *published += PSVPushService::publish(prj, TestMessages::message(items)).size();
            }
        };
        int published[3] = {};
        DynDataController controller(true, nullptr);
        controller.setProjUserId(left, QStringLiteral("switcher"));
        std::thread a(publish, left, &published[0]), b(publish, left, &published[1]),
            c(publish, right, &published[2]);
        for (int round = 0; round < 40; ++round) {
            controller.setProjUserId(round % 2 ? right : left, QStringLiteral("switcher"));
            controller.fetchDynData(1, 30);
            controller.fetchDynDataBackward(QDateTime::fromSecsSinceEpoch(kBase + 200), 20);
            QCoreApplication::processEvents();
        }
        a.join();
        b.join();
        c.join();

        controller.setProjUserId(left, QStringLiteral("switcher"));
        const int expected = published[0] + published[1];
        QCOMPARE(controller.getGroupMsgNum(), expected);
        QTRY_COMPARE_WITH_TIMEOUT(allRecords(controller).size(), expected, 20000);

        const QList<SDynData *> records = allRecords(controller);
        QSet<QString> texts;
        for (int i = 0; i < records.size(); ++i) {
            QVERIFY2(records.at(i)->text.startsWith(left + QLatin1Char(':')),
                qPrintable(records.at(i)->text));
            texts.insert(records.at(i)->text);
            if (i > 0)
                QVERIFY(records.at(i - 1)->dateTime > records.at(i)->dateTime);
        }
        QCOMPARE(texts.size(), expected);
    }
};

DYNFEED_TEST_GUILESS_MAIN(tst_ControllerOnPushService)
#include "tst_ControllerOnPushService.moc"

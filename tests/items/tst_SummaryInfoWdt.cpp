#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "CloudFileService.h"
#include "KMLabel.h"
#include "common/RecordingHost.h"
#include "common/TestMain.h"
#include "common/TestPictures.h"
#include "feed/SDynData.h"
#include "items/SingleDynamicWdt.h"
#include "items/SummaryInfoWdt.h"

/// The item header: relative times, avatar downloads through the real cloud-file service,
/// clicks to the host, plain-text labels.

namespace {

const QColor kRed(220, 20, 20);
const QColor kBlue(20, 20, 220);
const QString kSecretary = QStringLiteral(":/icon/resources/images/secretary.png");
const QString kDefaultHeader = QStringLiteral(":/icon/resources/images/default_header.png");

/// The colour in the middle of a picture as the header shows it (scaled to 70 by 70).
QColor shownColorOf(const QString &path)
{
    return QImage(path)
        .scaled(70, 70, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .pixelColor(35, 35);
}

KMLabel *labelOf(const QWidget *widget, const char *objectName)
{
    return widget->findChild<KMLabel *>(QLatin1String(objectName));
}

QColor avatarColor(const QWidget *item)
{
    const QImage shown = TestPictures::shown(*labelOf(item, "SummaryInfoWdt_headerLbl"));
    return shown.isNull() ? QColor() : shown.pixelColor(35, 35);
}

/// Connects items of one author as the item page does.
void connectItems(SingleDynamicWdt *a, SingleDynamicWdt *b)
{
    for (SingleDynamicWdt *from : { a, b }) {
        for (SingleDynamicWdt *to : { a, b })
            QObject::connect(from, &SingleDynamicWdt::userHeaderDownloaded, to,
                &SingleDynamicWdt::onUserHeaderDownloaded);
    }
}

} // namespace

class tst_SummaryInfoWdt : public QObject
{
    Q_OBJECT

    QTemporaryDir m_store;
    QStringList m_usedIds;
    QList<SDynData *> m_records;

    SDynData *record(const QString &userId, const QString &headerPath = QString())
    {
        auto *data = new SDynData(SDynData::KindText);
        data->text = QStringLiteral("发布了通知");
        data->userId = userId;
        data->userName = QStringLiteral("name ") + userId;
        data->userHeader = headerPath;
        data->dateTime = QDateTime::currentDateTime().addSecs(-300);
        m_records << data;
        return data;
    }

    /// A user id no earlier test has used: the header's avatar lists live for the process.
    QString newUserId()
    {
        static int counter = 0;
        m_usedIds << QStringLiteral("%1%2").arg(QCoreApplication::applicationPid()).arg(++counter);
        return m_usedIds.last();
    }

private slots:

    void initTestCase()
    {
        QVERIFY(m_store.isValid());
        CloudFileStore::setRootPath(m_store.path());
        QVERIFY(shownColorOf(kDefaultHeader) != kRed);
    }

    void cleanup()
    {
        QTRY_COMPARE(CloudFileStore::runningTransfers(), 0);
        CloudFileStore::resetTransferSettings();
        for (const QString &id : qAsConst(m_usedIds))
            QFile::remove(SummaryInfoWdt::headerFilePath(id));
        m_usedIds.clear();
        qDeleteAll(m_records);
        m_records.clear();
    }

    void getTimeStr_data()
    {
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("text");

        const QDateTime noon(QDate(2026, 6, 10), QTime(12, 0));
        QTest::newRow("invalid") << QDateTime() << noon << "Invalid time";
        QTest::newRow("in the future") << noon.addDays(2) << noon << "Just now";
        QTest::newRow("59.999 s ago") << noon.addMSecs(-59999) << noon << "Just now";
        QTest::newRow("60 s ago") << noon.addSecs(-60) << noon << "1 minutes ago";
        QTest::newRow("3600 s ago") << noon.addSecs(-3600) << noon << "1 hours ago";
        QTest::newRow("midnight seen at 23:59:59")
            << QDateTime(QDate(2026, 6, 10), QTime(0, 0))
            << QDateTime(QDate(2026, 6, 10), QTime(23, 59, 59)) << "23 hours ago";
        QTest::newRow("one second before new year")
            << QDateTime(QDate(2025, 12, 31), QTime(23, 59, 59))
            << QDateTime(QDate(2026, 1, 1), QTime(0, 0)) << "1 days ago";
    }

    void getTimeStr()
    {
        QFETCH(QDateTime, time);
        QFETCH(QDateTime, now);
        QFETCH(QString, text);
        QCOMPARE(SummaryInfoWdt::getTimeStr(time, now), text);
    }

    void avatar_oneDownloadForTwoItems_data()
    {
        QTest::addColumn<bool>("samePage");
        QTest::newRow("items of one page") << true;
        QTest::newRow("items of two views") << false;
    }

    void avatar_oneDownloadForTwoItems()
    {
        QFETCH(bool, samePage);
        const QString userId = newUserId();
        QVERIFY(TestPictures::writeSolid(CloudFileStore::userHeaderPath(userId), kRed));
        SingleDynamicWdt first(nullptr);
        SingleDynamicWdt second(nullptr);
        if (samePage)
            connectItems(&first, &second);
        QSignalSpy firstSpy(&first, &SingleDynamicWdt::userHeaderDownloaded);
        QSignalSpy secondSpy(&second, &SingleDynamicWdt::userHeaderDownloaded);
        first.setDynData(record(userId));
        second.setDynData(record(userId));
        QCOMPARE(CloudFileStore::runningTransfers(), 1);
        COMPARE_COLORS(avatarColor(&second), shownColorOf(kDefaultHeader));

        QTRY_COMPARE(firstSpy.count(), 1);
        COMPARE_COLORS(avatarColor(&first), kRed);
        COMPARE_COLORS(avatarColor(&second), kRed);
        QCOMPARE(secondSpy.count(), 0);

        SingleDynamicWdt third(nullptr);
        third.setDynData(record(userId));
        QCOMPARE(CloudFileStore::runningTransfers(), 0);
        COMPARE_COLORS(avatarColor(&third), kRed);
    }

    void avatar_firstDownloadLost_data()
    {
        QTest::addColumn<bool>("missing"); // not in the store; else the header goes mid-download
        QTest::newRow("not in the store") << true;
        QTest::newRow("header gone during the download") << false;
    }

    void avatar_firstDownloadLost()
    {
        QFETCH(bool, missing);
        const QString userId = newUserId();
        if (missing)
            QTest::ignoreMessage(
                QtDebugMsg, qPrintable("failed to download user header picture " + userId));
        else
            QVERIFY(TestPictures::writeSolid(CloudFileStore::userHeaderPath(userId), kRed));
        CloudFileStore::setChunkSize(16);
        CloudFileStore::setChunkDelay(20);
        {
            SingleDynamicWdt first(nullptr);
            first.setDynData(record(userId));
            QCOMPARE(CloudFileStore::runningTransfers(), 1);
            if (missing) {
                QTRY_COMPARE(CloudFileStore::runningTransfers(), 0);
                COMPARE_COLORS(avatarColor(&first), shownColorOf(kDefaultHeader));
            }
        }
        QTRY_COMPARE(CloudFileStore::runningTransfers(), 0);
        QVERIFY(!QFile::exists(SummaryInfoWdt::headerFilePath(userId)));
        CloudFileStore::resetTransferSettings();

        // The user is not left marked as being fetched: the next item fetches it.
        QVERIFY(TestPictures::writeSolid(CloudFileStore::userHeaderPath(userId), kRed));
        SingleDynamicWdt next(nullptr);
        QSignalSpy spy(&next, &SingleDynamicWdt::userHeaderDownloaded);
        next.setDynData(record(userId));
        QTRY_COMPARE(spy.count(), 1);
        COMPARE_COLORS(avatarColor(&next), kRed);
    }

    void avatar_refilledHeaderKeepsItsPicture_data()
    {
        QTest::addColumn<int>("refill"); // 0 a secretary record, 1 a cached user, 2 a user to fetch
        QTest::newRow("refilled with a secretary record") << 0;
        QTest::newRow("refilled with a cached user") << 1;
        QTest::newRow("refilled with a user to fetch") << 2;
    }

    void avatar_refilledHeaderKeepsItsPicture()
    {
        QFETCH(int, refill);
        const QString fetched = newUserId();
        QVERIFY(TestPictures::writeSolid(CloudFileStore::userHeaderPath(fetched), kRed));
        const QString toFetch = newUserId();
        const QColor green(0x2f, 0xb3, 0x80);
        QVERIFY(TestPictures::writeSolid(CloudFileStore::userHeaderPath(toFetch), green));
        const QString cachedUser = newUserId();
        SummaryInfoWdt::setCurrentUserId(cachedUser);
        QVERIFY(TestPictures::writeSolid(SummaryInfoWdt::headerFilePath(cachedUser), kBlue));
        // Slow enough that the refill comes while the first download runs.
        CloudFileStore::setChunkSize(64);
        CloudFileStore::setChunkDelay(5);

        SingleDynamicWdt reused(nullptr);
        SingleDynamicWdt other(nullptr);
        connectItems(&reused, &other);
        QSignalSpy spy(&reused, &SingleDynamicWdt::userHeaderDownloaded);
        reused.setDynData(record(fetched));
        other.setDynData(record(fetched));
        const QString refillUser[] = { fetched, cachedUser, toFetch };
        reused.setDynData(record(refillUser[refill], refill == 0 ? kSecretary : QString()));

        QTRY_COMPARE(spy.count(), refill == 2 ? 2 : 1);
        COMPARE_COLORS(avatarColor(&other), kRed);
        const QColor expected[] = { shownColorOf(kSecretary), kBlue, green };
        COMPARE_COLORS(avatarColor(&reused), expected[refill]);
    }

    void avatar_rewrittenFileReadAgain()
    {
        const QString userId = newUserId();
        SummaryInfoWdt::setCurrentUserId(userId); // cached: nothing is downloaded
        const QString file = SummaryInfoWdt::headerFilePath(userId);
        QVERIFY(TestPictures::writeSolid(file, kRed));
        SingleDynamicWdt before(nullptr);
        before.setDynData(record(userId));
        COMPARE_COLORS(avatarColor(&before), kRed);

        // The host replaces the picture (same size on disk; a later time, as any later write has).
        const QDateTime written = QFileInfo(file).lastModified();
        QVERIFY(TestPictures::writeSolid(file, kBlue));
        QFile rewritten(file);
        QVERIFY(rewritten.open(QIODevice::ReadWrite));
        QVERIFY(rewritten.setFileTime(written.addSecs(1), QFileDevice::FileModificationTime));
        rewritten.close();
        SingleDynamicWdt after(nullptr);
        after.setDynData(record(userId));
        COMPARE_COLORS(avatarColor(&after), kBlue);
    }

    void click_connectedOnce()
    {
        RecordingHost host;
        QWidget feedHolder;
        SingleDynamicWdt item(nullptr);
        item.setHostWidget(&feedHolder);
        item.setDynData(record(QStringLiteral("3003"), kSecretary));
        item.setDynData(record(QStringLiteral("3003"), kSecretary));
        item.show();
        KMLabel *name = labelOf(&item, "SummaryInfoWdt_UserName");
        QTest::mouseClick(name, Qt::LeftButton);
        QTRY_COMPARE(host.personalInfoUsers.size(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(host.personalInfoUsers.size(), 1);
        QCOMPARE(host.personalInfoHosts.at(0).data(), &feedHolder);

        // Refilled with another author: a click on the picture names the new one, once.
        item.setDynData(record(QStringLiteral("4004"), kSecretary));
        QTest::mouseClick(labelOf(&item, "SummaryInfoWdt_headerLbl"), Qt::LeftButton);
        QTRY_COMPARE(host.personalInfoUsers.size(), 2);
        QCoreApplication::processEvents();
        QCOMPARE(host.personalInfoUsers, QStringList({ "3003", "4004" }));

        // The system user and a record without user are not clickable.
        for (const QString &userId : { QStringLiteral("10000"), QString() }) {
            item.setDynData(record(userId, kSecretary));
            QCOMPARE(name->cursor().shape(), Qt::ArrowCursor);
            QTest::mouseClick(name, Qt::LeftButton);
            QCoreApplication::processEvents();
            QCOMPARE(host.personalInfoUsers.size(), 2);
        }
    }

    void labels_plainText()
    {
        const QString name = QStringLiteral("<b>王\u202E工</b><table><tr>");
        const QString summary
            = QStringLiteral("<a href='http://x'>link</a> &amp; <img src='/x.png'>");
        SDynData *data = record(QString(), kSecretary);
        data->userName = name;
        data->text = summary;
        data->userJob = QStringLiteral("<i>项目经理</i>");
        SingleDynamicWdt item(nullptr);
        item.setDynData(data);
        item.resize(2000, item.heightForWidth(2000));
        item.show();

        QCOMPARE(labelOf(&item, "SummaryInfoWdt_UserName")->text(), name);
        QCOMPARE(labelOf(&item, "SummaryInfoWdt_Summary")->text(), summary);
        // Measured as the characters themselves, not as what markup would make of them.
        const KMLabel *nameLabel = labelOf(&item, "SummaryInfoWdt_UserName");
        QVERIFY(
            nameLabel->sizeHint().width() >= nameLabel->fontMetrics().horizontalAdvance(name) - 1);
        for (const KMLabel *label : item.findChildren<KMLabel *>()) {
            if (!label->text().isEmpty())
                QCOMPARE(label->textFormat(), Qt::PlainText);
        }
    }
};

DYNFEED_TEST_MAIN(tst_SummaryInfoWdt)
#include "tst_SummaryInfoWdt.moc"

#include <QCryptographicHash>
#include <QLayout>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "CloudFileService.h"
#include "KMLabel.h"
#include "common/RecordingHost.h"
#include "feed/SDynData.h"
#include "items/SingleDynamicWdt.h"
#include "items/SummaryInfoWdt.h"

/// The item header: relative times, avatar cache and downloads through the real cloud-file
/// service, the click to the host's personal information, plain-text labels.
class tst_SummaryInfoWdt : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void getTimeStr_data();
    void getTimeStr();
    void updateTime_agreesWithNow_data();
    void updateTime_agreesWithNow();
    void headerFilePath_data();
    void headerFilePath();

    void avatar_oneDownloadForTwoItems();
    void avatar_failedDownloadRetried();
    void avatar_cachedFileVanished();
    void avatar_headerGoneDuringDownload();
    void avatar_refilledHeaderKeepsItsPicture_data();
    void avatar_refilledHeaderKeepsItsPicture();

    void click_data();
    void click();
    void click_connectedOnce();
    void personalInfo_newName_data();
    void personalInfo_newName();
    void personalInfo_oneAtATime();
    void personalInfo_noHost();

    void labels_plainText_data();
    void labels_plainText();
    void jobLabel_removedWhenEmpty();
    void layoutUI_waitsForTime();

private:
    /// A user id no earlier test has used: the header's avatar lists live for the process.
    QString newUserId();
    void putAvatarInStore(const QString &userId, const QColor &color);
    SDynData *record(const QString &userId, const QString &headerPath = QString());
    static QColor avatarColor(const QWidget *itemOrHeader);

    QTemporaryDir m_store;
    QStringList m_usedIds;
    QList<SDynData *> m_records;
};

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

} // namespace

void tst_SummaryInfoWdt::initTestCase()
{
    QVERIFY(m_store.isValid());
    CloudFileStore::setRootPath(m_store.path());
    QVERIFY(shownColorOf(kDefaultHeader) != kRed);
}

void tst_SummaryInfoWdt::cleanup()
{
    // Every transfer has ended and reported before the next test counts transfers.
    QTRY_COMPARE(CloudFileStore::runningTransfers(), 0);
    CloudFileStore::resetTransferSettings();
    for (const QString &id : qAsConst(m_usedIds))
        QFile::remove(SummaryInfoWdt::headerFilePath(id));
    m_usedIds.clear();
    qDeleteAll(m_records);
    m_records.clear();
}

void tst_SummaryInfoWdt::getTimeStr_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("text");

    const QDateTime noon(QDate(2026, 6, 10), QTime(12, 0));
    const QDateTime earlyMorning(QDate(2026, 6, 10), QTime(0, 5));
    QTest::newRow("invalid") << QDateTime() << noon << "Invalid time";
    QTest::newRow("30 s in the future") << noon.addSecs(30) << noon << "Just now";
    QTest::newRow("2 days in the future") << noon.addDays(2) << noon << "Just now";
    QTest::newRow("same moment") << noon << noon << "Just now";
    QTest::newRow("59 s ago") << noon.addSecs(-59) << noon << "Just now";
    QTest::newRow("59.999 s ago") << noon.addMSecs(-59999) << noon << "Just now";
    QTest::newRow("60 s ago") << noon.addSecs(-60) << noon << "1 minutes ago";
    QTest::newRow("119 s ago") << noon.addSecs(-119) << noon << "1 minutes ago";
    QTest::newRow("3599 s ago") << noon.addSecs(-3599) << noon << "59 minutes ago";
    QTest::newRow("3600 s ago, same day") << noon.addSecs(-3600) << noon << "1 hours ago";
    QTest::newRow("midnight seen at 23:59:59")
        << QDateTime(QDate(2026, 6, 10), QTime(0, 0))
        << QDateTime(QDate(2026, 6, 10), QTime(23, 59, 59)) << "23 hours ago";
    QTest::newRow("23:55 yesterday seen at 00:05")
        << QDateTime(QDate(2026, 6, 9), QTime(23, 55)) << earlyMorning << "1 days ago";
    QTest::newRow("one second before midnight")
        << QDateTime(QDate(2026, 6, 9), QTime(23, 59, 59))
        << QDateTime(QDate(2026, 6, 10), QTime(0, 0)) << "1 days ago";
    QTest::newRow("40 days") << noon.addDays(-40) << noon << "40 days ago";
    QTest::newRow("across years") << QDateTime(QDate(2025, 12, 31), QTime(23, 0))
                                  << QDateTime(QDate(2026, 1, 1), QTime(1, 0)) << "1 days ago";
}

void tst_SummaryInfoWdt::getTimeStr()
{
    QFETCH(QDateTime, time);
    QFETCH(QDateTime, now);
    QFETCH(QString, text);
    QCOMPARE(SummaryInfoWdt::getTimeStr(time, now), text);
}

void tst_SummaryInfoWdt::updateTime_agreesWithNow_data()
{
    QTest::addColumn<qint64>("secondsAgo");
    QTest::newRow("in the future") << qint64(-30);
    QTest::newRow("just now") << qint64(0);
    QTest::newRow("minutes") << qint64(150);
    QTest::newRow("hours") << qint64(2 * 3600 + 1800);
    QTest::newRow("days") << qint64(3 * 86400);
    QTest::newRow("a year") << qint64(365 * 86400);
}

void tst_SummaryInfoWdt::updateTime_agreesWithNow()
{
    // The header's own clock (cached day, numbers only) against the exported reference.
    QFETCH(qint64, secondsAgo);
    for (const Qt::TimeSpec spec : { Qt::LocalTime, Qt::UTC }) {
        const QDateTime time = QDateTime::currentDateTime().toTimeSpec(spec).addSecs(-secondsAgo);
        SummaryInfoWdt header;
        header.setTime(time);
        const QString expected = SummaryInfoWdt::getTimeStr(time);
        QCOMPARE(labelOf(&header, "SummaryInfoWdt_JobTime")->text(), expected);
        header.updateTime();
        QCOMPARE(labelOf(&header, "SummaryInfoWdt_JobTime")->text(), expected);
        QCOMPARE(header.dateTime(), time);
    }
}

void tst_SummaryInfoWdt::headerFilePath_data()
{
    QTest::addColumn<QString>("userId");
    QTest::addColumn<QString>("fileName");

    const auto hashed = [](const QString &id) {
        return QString::fromLatin1(
                   QCryptographicHash::hash(id.toUtf8(), QCryptographicHash::Sha1).toHex())
            + QStringLiteral(".png");
    };
    QTest::newRow("decimal id") << "100234"
                                << "100234.png";
    QTest::newRow("letters and dots") << "user.name"
                                      << "user.name.png";
    QTest::newRow("Chinese") << "张三"
                             << "张三.png";
    QTest::newRow("blank inside") << "a b"
                                  << "a b.png";
    QTest::newRow("empty") << "" << hashed(QString());
    QTest::newRow("dot") << "." << hashed(QStringLiteral("."));
    QTest::newRow("dot dot") << ".." << hashed(QStringLiteral(".."));
    QTest::newRow("slash") << "../../etc/passwd" << hashed(QStringLiteral("../../etc/passwd"));
    // The suffix of an unsafe id stays when it is safe itself.
    QTest::newRow("backslash") << "..\\win.ini"
                               << hashed(QStringLiteral("..\\win.ini"))
                                      .replace(QStringLiteral(".png"), QStringLiteral(".ini.png"));
    const QString withNul = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    QTest::newRow("NUL") << withNul << hashed(withNul);
}

void tst_SummaryInfoWdt::headerFilePath()
{
    QFETCH(QString, userId);
    QFETCH(QString, fileName);
    const QString path = SummaryInfoWdt::headerFilePath(userId);
    const QFileInfo info(path);
    QCOMPARE(info.fileName(), fileName);
    QCOMPARE(
        info.path(), QCoreApplication::applicationDirPath() + QStringLiteral("/UserData/header"));
}

void tst_SummaryInfoWdt::avatar_oneDownloadForTwoItems()
{
    const QString userId = newUserId();
    putAvatarInStore(userId, kRed);

    // Two items of one author, connected as the item page connects them.
    SingleDynamicWdt first(nullptr);
    SingleDynamicWdt second(nullptr);
    for (SingleDynamicWdt *from : { &first, &second }) {
        for (SingleDynamicWdt *to : { &first, &second })
            connect(from, &SingleDynamicWdt::userHeaderDownloaded, to,
                &SingleDynamicWdt::onUserHeaderDownloaded);
    }
    QSignalSpy firstSpy(&first, &SingleDynamicWdt::userHeaderDownloaded);
    QSignalSpy secondSpy(&second, &SingleDynamicWdt::userHeaderDownloaded);
    first.setDynData(record(userId));
    second.setDynData(record(userId));
    QCOMPARE(CloudFileStore::runningTransfers(), 1);
    QCOMPARE(avatarColor(&second), shownColorOf(kDefaultHeader));

    QTRY_COMPARE(firstSpy.count(), 1);
    QCOMPARE(firstSpy.at(0).at(0).toString(), userId);
    QCOMPARE(firstSpy.at(0).at(1).toString(), SummaryInfoWdt::headerFilePath(userId));
    QCOMPARE(avatarColor(&first), kRed);
    QCOMPARE(avatarColor(&second), kRed);
    QCOMPARE(secondSpy.count(), 0);

    // Known from now on: a third item takes the file without a transfer.
    SingleDynamicWdt third(nullptr);
    third.setDynData(record(userId));
    QCOMPARE(CloudFileStore::runningTransfers(), 0);
    QCOMPARE(avatarColor(&third), kRed);
}

void tst_SummaryInfoWdt::avatar_failedDownloadRetried()
{
    const QString userId = newUserId(); // not in the store: the download fails
    SingleDynamicWdt first(nullptr);
    QSignalSpy spy(&first, &SingleDynamicWdt::userHeaderDownloaded);
    QTest::ignoreMessage(
        QtDebugMsg, qPrintable(QStringLiteral("failed to download user header picture ") + userId));
    first.setDynData(record(userId));
    QTRY_COMPARE(CloudFileStore::runningTransfers(), 0);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(avatarColor(&first), shownColorOf(kDefaultHeader));

    putAvatarInStore(userId, kRed);
    SingleDynamicWdt second(nullptr);
    QSignalSpy secondSpy(&second, &SingleDynamicWdt::userHeaderDownloaded);
    second.setDynData(record(userId));
    QCOMPARE(CloudFileStore::runningTransfers(), 1);
    QTRY_COMPARE(secondSpy.count(), 1);
    QCOMPARE(avatarColor(&second), kRed);
}

void tst_SummaryInfoWdt::avatar_cachedFileVanished()
{
    const QString userId = newUserId();
    SummaryInfoWdt::setCurrentUserId(userId);
    const QString file = SummaryInfoWdt::headerFilePath(userId);
    QVERIFY(QDir().mkpath(QFileInfo(file).path()));
    QImage cached(70, 70, QImage::Format_RGB32);
    cached.fill(kBlue);
    QVERIFY(cached.save(file, "PNG"));

    SingleDynamicWdt item(nullptr);
    item.setDynData(record(userId));
    QCOMPARE(CloudFileStore::runningTransfers(), 0);
    QCOMPARE(avatarColor(&item), kBlue);

    // A listed user whose file has gone is fetched again.
    QVERIFY(QFile::remove(file));
    putAvatarInStore(userId, kRed);
    SingleDynamicWdt later(nullptr);
    QSignalSpy spy(&later, &SingleDynamicWdt::userHeaderDownloaded);
    later.setDynData(record(userId));
    QCOMPARE(CloudFileStore::runningTransfers(), 1);
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(avatarColor(&later), kRed);
}

void tst_SummaryInfoWdt::avatar_headerGoneDuringDownload()
{
    const QString userId = newUserId();
    putAvatarInStore(userId, kRed);
    // Slow enough to be under way when the item goes.
    CloudFileStore::setChunkSize(16);
    CloudFileStore::setChunkDelay(20);
    {
        SingleDynamicWdt doomed(nullptr);
        doomed.setDynData(record(userId));
        QCOMPARE(CloudFileStore::runningTransfers(), 1);
    }
    QTRY_COMPARE(CloudFileStore::runningTransfers(), 0);
    QVERIFY(!QFile::exists(SummaryInfoWdt::headerFilePath(userId)));
    CloudFileStore::resetTransferSettings();

    // The stopped download does not keep the user marked as being fetched.
    SingleDynamicWdt next(nullptr);
    QSignalSpy spy(&next, &SingleDynamicWdt::userHeaderDownloaded);
    next.setDynData(record(userId));
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(avatarColor(&next), kRed);
}

void tst_SummaryInfoWdt::avatar_refilledHeaderKeepsItsPicture_data()
{
    QTest::addColumn<int>("refill"); // 0 a secretary record, 1 a cached user, 2 a user to fetch
    QTest::newRow("refilled with a secretary record") << 0;
    QTest::newRow("refilled with a cached user") << 1;
    QTest::newRow("refilled with a user to fetch") << 2;
}

void tst_SummaryInfoWdt::avatar_refilledHeaderKeepsItsPicture()
{
    QFETCH(int, refill);
    const QString fetched = newUserId();
    putAvatarInStore(fetched, kRed);
    const QString toFetch = newUserId();
    const QColor green(0x2f, 0xb3, 0x80);
    putAvatarInStore(toFetch, green);
    // Slow enough that the refill comes while the first download runs.
    CloudFileStore::setChunkSize(64);
    CloudFileStore::setChunkDelay(5);
    const QString cachedUser = newUserId();
    SummaryInfoWdt::setCurrentUserId(cachedUser);
    const QString cachedFile = SummaryInfoWdt::headerFilePath(cachedUser);
    QVERIFY(QDir().mkpath(QFileInfo(cachedFile).path()));
    QImage cached(70, 70, QImage::Format_RGB32);
    cached.fill(kBlue);
    QVERIFY(cached.save(cachedFile, "PNG"));

    SingleDynamicWdt reused(nullptr);
    SingleDynamicWdt other(nullptr);
    for (SingleDynamicWdt *from : { &reused, &other }) {
        for (SingleDynamicWdt *to : { &reused, &other })
            connect(from, &SingleDynamicWdt::userHeaderDownloaded, to,
                &SingleDynamicWdt::onUserHeaderDownloaded);
    }
    QSignalSpy spy(&reused, &SingleDynamicWdt::userHeaderDownloaded);
    reused.setDynData(record(fetched));
    other.setDynData(record(fetched));
    // Refilled before the download reports: the download goes on for the header waiting on it.
    if (refill == 0)
        reused.setDynData(record(fetched, kSecretary));
    else if (refill == 1)
        reused.setDynData(record(cachedUser));
    else
        reused.setDynData(record(toFetch));

    QTRY_COMPARE(spy.count(), refill == 2 ? 2 : 1);
    CloudFileStore::resetTransferSettings();
    QCOMPARE(spy.at(0).at(0).toString(), fetched);
    QCOMPARE(avatarColor(&other), kRed);
    const QColor expected[] = { shownColorOf(kSecretary), kBlue, green };
    QCOMPARE(avatarColor(&reused), expected[refill]);
}

void tst_SummaryInfoWdt::click_data()
{
    QTest::addColumn<QString>("userId");
    QTest::addColumn<bool>("clickable");
    QTest::newRow("member") << "2002" << true;
    QTest::newRow("system user 10000") << "10000" << false;
    QTest::newRow("no user") << "" << false;
}

void tst_SummaryInfoWdt::click()
{
    QFETCH(QString, userId);
    QFETCH(bool, clickable);
    RecordingHost host;
    QWidget feedHolder;
    SingleDynamicWdt item(nullptr);
    item.setHostWidget(&feedHolder);
    item.setDynData(record(userId, kSecretary));
    item.show();

    for (const char *name : { "SummaryInfoWdt_headerLbl", "SummaryInfoWdt_UserName" }) {
        KMLabel *label = labelOf(&item, name);
        QVERIFY(label);
        QCOMPARE(label->cursor().shape(), clickable ? Qt::PointingHandCursor : Qt::ArrowCursor);
        QTest::mouseClick(label, Qt::LeftButton);
    }
    if (clickable) {
        QTRY_COMPARE(host.personalInfoUsers, QStringList({ userId, userId }));
        QCOMPARE(host.personalInfoHosts.at(0).data(), &feedHolder);
    } else {
        QCoreApplication::processEvents();
        QCOMPARE(host.personalInfoUsers, QStringList());
    }
}

void tst_SummaryInfoWdt::click_connectedOnce()
{
    RecordingHost host;
    SingleDynamicWdt item(nullptr);
    item.setDynData(record(QStringLiteral("3003"), kSecretary));
    item.setDynData(record(QStringLiteral("3003"), kSecretary));
    item.show();
    KMLabel *name = labelOf(&item, "SummaryInfoWdt_UserName");
    QTest::mouseClick(name, Qt::LeftButton);
    QTRY_COMPARE(host.personalInfoUsers.size(), 1);
    QCoreApplication::processEvents();
    QCOMPARE(host.personalInfoUsers.size(), 1);

    // Refilled with another author: a click names the new one, once.
    item.setDynData(record(QStringLiteral("4004"), kSecretary));
    QTest::mouseClick(labelOf(&item, "SummaryInfoWdt_headerLbl"), Qt::LeftButton);
    QTRY_COMPARE(host.personalInfoUsers.size(), 2);
    QCoreApplication::processEvents();
    QCOMPARE(host.personalInfoUsers, QStringList({ "3003", "4004" }));

    // Refilled with the system user: no longer clickable.
    item.setDynData(record(QStringLiteral("10000"), kSecretary));
    QTest::mouseClick(name, Qt::LeftButton);
    QCoreApplication::processEvents();
    QCOMPARE(host.personalInfoUsers.size(), 2);
}

void tst_SummaryInfoWdt::personalInfo_newName_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("newName");
    QTest::addColumn<bool>("emitted");
    QTest::newRow("accepted with a new name") << 1 << "新名字" << true;
    QTest::newRow("accepted, name unchanged") << 1 << "" << false;
    QTest::newRow("refused") << 0 << "新名字" << false;
    QTest::newRow("other result") << 2 << "新名字" << false;
}

void tst_SummaryInfoWdt::personalInfo_newName()
{
    QFETCH(int, result);
    QFETCH(QString, newName);
    QFETCH(bool, emitted);
    RecordingHost host;
    host.personalInfoResult = result;
    host.newName = newName;
    SingleDynamicWdt item(nullptr);
    item.setDynData(record(QStringLiteral("5005"), kSecretary));
    item.show();
    QSignalSpy spy(&item, &SingleDynamicWdt::userInfoChanged);
    QTest::mouseClick(labelOf(&item, "SummaryInfoWdt_UserName"), Qt::LeftButton);
    QTRY_COMPARE(host.personalInfoUsers.size(), 1);
    QCOMPARE(spy.count(), emitted ? 1 : 0);
    if (emitted)
        QCOMPARE(spy.at(0), QVariantList({ QStringLiteral("5005"), newName }));
    // The item does not rename itself: the page passes the change on to every item.
    QCOMPARE(labelOf(&item, "SummaryInfoWdt_UserName")->text(), QStringLiteral("name 5005"));
}

void tst_SummaryInfoWdt::personalInfo_oneAtATime()
{
    RecordingHost host;
    SingleDynamicWdt item(nullptr);
    item.setDynData(record(QStringLiteral("6006"), kSecretary));
    item.show();
    KMLabel *name = labelOf(&item, "SummaryInfoWdt_UserName");
    // While the host's view is open, the user clicks again.
    host.whilePersonalInfoOpen = [&] {
        host.whilePersonalInfoOpen = nullptr;
        QTest::mouseClick(name, Qt::LeftButton);
        QCoreApplication::processEvents();
    };
    QTest::mouseClick(name, Qt::LeftButton);
    QTRY_COMPARE(host.personalInfoUsers.size(), 1);
    QCoreApplication::processEvents();
    QCOMPARE(host.personalInfoUsers.size(), 1);

    // Once the view is closed, clicks work again.
    QTest::mouseClick(name, Qt::LeftButton);
    QTRY_COMPARE(host.personalInfoUsers.size(), 2);
}

void tst_SummaryInfoWdt::personalInfo_noHost()
{
    SingleDynamicWdt item(nullptr);
    item.setDynData(record(QStringLiteral("7007"), kSecretary));
    item.show();
    QSignalSpy spy(&item, &SingleDynamicWdt::userInfoChanged);
    QTest::mouseClick(labelOf(&item, "SummaryInfoWdt_UserName"), Qt::LeftButton);
    QCoreApplication::processEvents();
    QCOMPARE(spy.count(), 0);

    // Installed afterwards, the host is found at the moment of the click.
    RecordingHost host;
    QTest::mouseClick(labelOf(&item, "SummaryInfoWdt_UserName"), Qt::LeftButton);
    QTRY_COMPARE(host.personalInfoUsers, QStringList({ "7007" }));
}

void tst_SummaryInfoWdt::labels_plainText_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("job");
    QTest::newRow("markup") << "<b>王工</b>"
                            << "<a href='http://x'>link</a> &amp; <img src='/etc/x.png'>"
                            << "<i>项目经理</i>";
    QTest::newRow("broken markup") << "<table><tr><td>"
                                   << "</p><p style='font-size:90px'>big"
                                   << "&lt;&#x41;";
    QTest::newRow("control characters")
        << QStringLiteral("王\u202E工") << QStringLiteral("one\ntwo") << QStringLiteral("\u200B");
}

void tst_SummaryInfoWdt::labels_plainText()
{
    QFETCH(QString, name);
    QFETCH(QString, summary);
    QFETCH(QString, job);
    SDynData *data = record(QString(), kSecretary);
    data->userName = name;
    data->text = summary;
    data->userJob = job;
    SingleDynamicWdt item(nullptr);
    item.setDynData(data);
    item.resize(2000, item.heightForWidth(2000));
    item.show();

    const QList<QPair<const char *, QString>> shown
        = { { "SummaryInfoWdt_UserName", name }, { "SummaryInfoWdt_Summary", summary } };
    for (const auto &entry : shown) {
        KMLabel *label = labelOf(&item, entry.first);
        QVERIFY(label);
        QCOMPARE(label->text(), entry.second);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        // Measured as the characters themselves, not as what markup would make of them.
        const int literalWidth
            = label->fontMetrics().horizontalAdvance(entry.second.section(QLatin1Char('\n'), 0, 0));
        QVERIFY2(label->sizeHint().width() >= literalWidth - 1,
            qPrintable(QStringLiteral("%1 < %2").arg(label->sizeHint().width()).arg(literalWidth)));
    }
    const QList<KMLabel *> jobAndTime
        = item.findChildren<KMLabel *>(QStringLiteral("SummaryInfoWdt_JobTime"));
    QCOMPARE(jobAndTime.size(), 2);
    for (KMLabel *label : jobAndTime)
        QCOMPARE(label->textFormat(), Qt::PlainText);
}

void tst_SummaryInfoWdt::jobLabel_removedWhenEmpty()
{
    SummaryInfoWdt header;
    header.setUserInfo(kSecretary, QString(), QStringLiteral("秘书"), QStringLiteral("技术员"));
    header.setSummary(QStringLiteral("天气提醒"));
    header.setTime(QDateTime::currentDateTime());
    header.layoutUI();
    QPointer<KMLabel> job;
    for (KMLabel *label :
        header.findChildren<KMLabel *>(QStringLiteral("SummaryInfoWdt_JobTime"))) {
        if (label->text() == QStringLiteral("技术员"))
            job = label;
    }
    QVERIFY(job);
    const int columnItems = header.layout()->itemAt(1)->layout()->count();

    header.setUserJob(QString());
    QVERIFY(!job);
    QCOMPARE(header.layout()->itemAt(1)->layout()->count(), columnItems - 1);

    // A new job title comes back at the bottom of the text column.
    header.setUserJob(QStringLiteral("施工员"));
    header.layoutUI();
    QLayout *column = header.layout()->itemAt(1)->layout();
    QCOMPARE(column->count(), columnItems);
    auto *bottom = qobject_cast<KMLabel *>(column->itemAt(column->count() - 1)->widget());
    QVERIFY(bottom);
    QCOMPARE(bottom->text(), QStringLiteral("施工员"));
}

void tst_SummaryInfoWdt::layoutUI_waitsForTime()
{
    SummaryInfoWdt header;
    header.setUserInfo(kSecretary, QString(), QStringLiteral("秘书"), QString());
    header.setSummary(QStringLiteral("天气提醒"));
    header.layoutUI();
    QVERIFY(!header.layout());

    header.setTime(QDateTime::currentDateTime());
    header.layoutUI();
    QVERIFY(header.layout());
    QCOMPARE(header.layout()->count(), 2);
    QCOMPARE(header.maximumHeight(), header.summaryHeight());
    // Laid out again, nothing is added twice.
    header.layoutUI();
    QCOMPARE(header.layout()->count(), 2);
    QCOMPARE(header.layout()->itemAt(1)->layout()->itemAt(0)->layout()->count(), 4);
}

QString tst_SummaryInfoWdt::newUserId()
{
    static int counter = 0;
    const QString id
        = QStringLiteral("%1%2").arg(QCoreApplication::applicationPid()).arg(++counter);
    m_usedIds << id;
    return id;
}

void tst_SummaryInfoWdt::putAvatarInStore(const QString &userId, const QColor &color)
{
    const QString path = CloudFileStore::userHeaderPath(userId);
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QImage avatar(40, 40, QImage::Format_RGB32);
    avatar.fill(color);
    QVERIFY(avatar.save(path, "PNG"));
}

SDynData *tst_SummaryInfoWdt::record(const QString &userId, const QString &headerPath)
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

QColor tst_SummaryInfoWdt::avatarColor(const QWidget *itemOrHeader)
{
    const KMLabel *avatar = labelOf(itemOrHeader, "SummaryInfoWdt_headerLbl");
    const QPixmap pixmap = avatar ? avatar->pixmap(Qt::ReturnByValue) : QPixmap();
    return pixmap.isNull() ? QColor() : pixmap.toImage().pixelColor(35, 35);
}

QTEST_MAIN(tst_SummaryInfoWdt)
#include "tst_SummaryInfoWdt.moc"
